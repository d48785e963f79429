#pragma once

#include "LectureService.h"
#include "TempDataHome.h"
#include "models/Track.h"

#include <QList>
#include <QQmlEngine>
#include <QString>

#include <memory>
#include <optional>

class AudioEngine;
class Downloads;
class LibraryViewModel;
class MainWindows;
class MpvBackend;
class NotesStore;
class PlayerParts;
class PlayerViewModel;
class QQuickItem;
class QQuickWindow;
class Store;

// The real program behind a test's windows: a temporary data folder, the loopback lecture
// service holding `tracks` (each with a short real MP3), the store, download manager, audio
// engine over libmpv, both view models and the QML main window.
class ScreenFixture
{
public:
    explicit ScreenFixture(const QList<Track> &tracks);
    ~ScreenFixture();

    // Starts the service (unless told not to) and builds the view models; false on failure.
    bool start(bool startService = true);
    // Opens a main window and waits until it is exposed.
    QQuickWindow *openWindow();
    bool waitForLibrary(int timeoutMs = 10000);
    // start(), openWindow() and waitForLibrary() in one; nullptr when one of them fails.
    QQuickWindow *openWithLibrary();
    // Ends the windows, download manager, engine and player: nothing plays or writes.
    void stopPlayer();
    // Makes them anew, nothing played or saved (settings, history, query, service faults
    // cleared); the service, library, notes and QML engine stay. Cheaper than a fixture.
    void restart();

    // The sidebar entry with this label, clicked.
    bool select(QQuickWindow *window, const QString &label);
    // Puts a QAbstractItemModelTester on every list model the window shows (done by
    // openWindow() and select(); call again after opening a screen another way).
    static void testModels(QQuickWindow *window);
    // Visible track rows of a window, top to bottom.
    static QList<QQuickItem *> trackRows(QQuickWindow *window);
    static QStringList rowTitles(QQuickWindow *window);
    // The visible track row with this title; nullptr when none shows.
    static QQuickItem *rowTitled(QQuickWindow *window, const QString &title);
    static QList<qint64> idsOf(const QList<Track> &tracks);

    TempDataHome home;
    LectureService service;
    QList<Track> tracks;
    std::unique_ptr<Store> store;
    std::unique_ptr<Downloads> downloads;
    std::unique_ptr<PlayerParts> parts;
    AudioEngine *engine = nullptr;
    MpvBackend *backend = nullptr; // the engine's, for mpv's own position
    std::unique_ptr<PlayerViewModel> player;
    std::unique_ptr<LibraryViewModel> library;
    std::unique_ptr<NotesStore> notes;
    QQmlEngine qml;
    std::unique_ptr<MainWindows> windows;

private:
    void makePlayer();
};

// Lecture(id) with a teacher, views, a 20 s length and, where given, a title of its own.
Track lecture(qint64 id, std::optional<qint64> views = std::nullopt,
              const QString &ustadz = QStringLiteral("Ustadz Ahmad"),
              const QString &judul = QString());
