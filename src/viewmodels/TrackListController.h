#pragma once

#include "viewmodels/TrackListModel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>

class Downloads;
class LibraryViewModel;
class PlayerViewModel;
class Store;

// The track list of one screen: which tracks it shows, what a click on a row plays (the
// queue and the resume position of that screen) and what the row's download button does.
//
// | kind      | rows                                   | queue            | resume             |
// |-----------|----------------------------------------|------------------|--------------------|
// | Home      | the library, most viewed first         | the popular list | its history entry  |
// | Search    | the search results                     | the results      | its history entry  |
// | Ustadz    | one teacher's lectures, most viewed    | those lectures   | its history entry  |
// | History   | heard lectures, most recent first      | whole library    | settings or history|
// | Downloads | library lectures whose file is present | the rows         | settings or history|
// | Series    | one series' parts in order             | the series       | its history entry  |
//
// The Ustadz list leaves out the teacher's lectures that belong to a series (the screen
// shows the series above it). Every list leaves out finished lectures while "Sembunyikan
// yang selesai" is on, except the one the player holds.
//
// "Its history entry" is ResumeRule (from 0:00 when finished or never heard), applied by the
// player view model to every play without a place of its own.
//
// On the Downloads screen the download button removes the stored copy; elsewhere it
// starts a download, or cancels one in flight.
class TrackListController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Kind kind READ kind WRITE setKind NOTIFY kindChanged)
    Q_PROPERTY(QString ustadz READ ustadz WRITE setUstadz NOTIFY ustadzChanged)
    // Series: the index of the series in the library's series (-1 none).
    Q_PROPERTY(int series READ series WRITE setSeries NOTIFY seriesChanged)
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(PlayerViewModel *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(Downloads *downloads READ downloads WRITE setDownloads NOTIFY downloadsChanged)
    Q_PROPERTY(Store *store READ store WRITE setStore NOTIFY storeChanged)
    Q_PROPERTY(TrackListModel *model READ model CONSTANT)
    // Search: the trimmed search text is empty (the prompt shows instead of the list).
    Q_PROPERTY(bool queryBlank READ queryBlank NOTIFY queryBlankChanged)
    // History: the last reload found entries (the list shows, else the empty state).
    Q_PROPERTY(bool hasHistory READ hasHistory NOTIFY hasHistoryChanged)
    // Downloads: the download manager records stored lectures (else the empty state).
    Q_PROPERTY(bool hasDownloads READ hasDownloads NOTIFY hasDownloadsChanged)
    // Downloads: the last removal can still be undone (its file is not deleted yet).
    Q_PROPERTY(bool canUndoRemoval READ canUndoRemoval NOTIFY canUndoRemovalChanged)

public:
    enum Kind { Home, Search, Ustadz, History, StoredDownloads, Series };
    Q_ENUM(Kind)

    explicit TrackListController(QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    QString ustadz() const { return m_ustadz; }
    void setUstadz(const QString &ustadz);
    int series() const { return m_series; }
    void setSeries(int series);
    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    PlayerViewModel *player() const { return m_player; }
    void setPlayer(PlayerViewModel *player);
    Downloads *downloads() const { return m_downloads; }
    void setDownloads(Downloads *downloads);
    Store *store() const { return m_store; }
    void setStore(Store *store);
    TrackListModel *model() { return &m_model; }

    bool queryBlank() const { return m_queryBlank; }
    bool hasHistory() const { return !m_history.isEmpty(); }
    bool hasDownloads() const { return m_hasDownloads; }
    bool canUndoRemoval() const { return m_undoableId.has_value(); }

    Q_INVOKABLE void playRow(int row);
    Q_INVOKABLE void downloadRow(int row);
    // Downloads: the last removed lecture comes back, stored as before.
    Q_INVOKABLE void undoRemoval();
    // "Tandai selesai" / "Tandai belum selesai".
    Q_INVOKABLE void toggleFinishedRow(int row);
    // History: reads the history file again (on showing and from the reload button).
    Q_INVOKABLE void reloadHistory();
    // Row of a track id given by QML (a number, exact up to 2^53), -1 when none.
    Q_INVOKABLE int rowOfTrackId(const QVariant &id) const;

signals:
    void kindChanged();
    void ustadzChanged();
    void seriesChanged();
    void libraryChanged();
    void playerChanged();
    void downloadsChanged();
    void storeChanged();
    void queryBlankChanged();
    void hasHistoryChanged();
    void hasDownloadsChanged();
    void canUndoRemovalChanged();

private:
    void refresh();
    void refreshCurrent();
    void refreshCurrentProgress();
    void refreshHasDownloads();
    QList<Track> historyRows() const;
    QList<Track> storedRows() const;
    QList<Track> withoutHidden(QList<Track> rows) const;
    QList<qsizetype> withoutHidden(const QList<Track> &library, QList<qsizetype> rows) const;
    double savedResumePosition(const Track &track) const;

    Kind m_kind = Home;
    QString m_ustadz;
    int m_series = -1;
    QPointer<LibraryViewModel> m_library;
    QPointer<PlayerViewModel> m_player;
    QPointer<Downloads> m_downloads;
    QPointer<Store> m_store;
    QList<QMetaObject::Connection> m_libraryConnections;
    QList<QMetaObject::Connection> m_playerConnections;
    QList<QMetaObject::Connection> m_downloadConnections;
    TrackListModel m_model;
    QList<Store::PlaybackHistoryItem> m_history;
    bool m_queryBlank = true;
    bool m_hasDownloads = false;
    QSet<qint64> m_removedIds; // Downloads: rows the user removed stay out
    std::optional<qint64> m_undoableId;
};
