#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <optional>

class LibraryViewModel;
class PlayerViewModel;

// The start-up duties of one main window: it notes the last played track as the lists'
// scroll target when the window is shown, and asks the player to restore the last track
// exactly once, as soon as the library is non-empty. Every window has its own session;
// a later window finding a lecture already loaded uses up its resume without one.
class WindowSession : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(PlayerViewModel *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(bool hasResumed READ hasResumed NOTIFY hasResumedChanged)
    // The track id the Home and Search lists bring into view (a number, exact up to 2^53),
    // undefined when there is none.
    Q_PROPERTY(QVariant scrollToTrackId READ scrollToTrackIdValue NOTIFY scrollToTrackIdChanged)

public:
    explicit WindowSession(QObject *parent = nullptr);

    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    PlayerViewModel *player() const { return m_player; }
    void setPlayer(PlayerViewModel *player);

    bool hasResumed() const { return m_hasResumed; }
    std::optional<qint64> scrollToTrackId() const { return m_scrollToTrackId; }
    QVariant scrollToTrackIdValue() const;

    // The window was shown: take the scroll target and resume if the library is there.
    Q_INVOKABLE void windowShown();

signals:
    void libraryChanged();
    void playerChanged();
    void hasResumedChanged();
    void scrollToTrackIdChanged();

private:
    void libraryArrived();

    QPointer<LibraryViewModel> m_library;
    QPointer<PlayerViewModel> m_player;
    QMetaObject::Connection m_connection;
    bool m_shown = false;
    bool m_hasResumed = false;
    std::optional<qint64> m_scrollToTrackId;
};
