// Talvora: one library view model and one player view model for the whole process, and
// the main window over them. Ctrl+N opens further windows over the same two.
#include "AppFonts.h"
#include "AppShell.h"
#include "MainWindows.h"
#include "MenuBarManager.h"
#include "PlatformChoice.h"
#include "SceneGraphChoice.h"
#include "SingleInstance.h"
#include "audio/PlayerParts.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

int main(int argc, char *argv[])
{
    PlatformChoice::apply();
    // QApplication rather than QGuiApplication: the tray icon needs widgets.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvora"));
    QApplication::setDesktopFileName(QStringLiteral("talvora"));
    // The look is the program's own dark scheme whatever the desktop's style is.
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install();
    SingleInstance instance(Store::shared().folderURL());
    if (!instance.claim())
        return instance.handOver() ? 0 : 1;
    SceneGraphChoice::apply();
    // Declared before everything that saves, so destroyed after it: the files saved last
    // (the place heard at quit, the downloads' state) are on disk before the program ends
    // and before a new start can take over.
    struct WritesFinishedAtExit
    {
        ~WritesFinishedAtExit()
        {
            Store::shared().waitForWrites();
            Downloads::shared().waitForWrites();
        }
    } writesFinished;

    // The library first: it queues its first load, which runs once the event loop starts.
    LibraryViewModel library(Store::shared());
    PlayerViewModel player;
    // The bar's series line and playing on to a series' next part.
    player.setLibrarySeries(library.series());
    NotesStore notes(Store::shared().folderURL());

    QQmlApplicationEngine engine;
    QObject::connect(&engine, &QQmlEngine::quit, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    MainWindows windows(engine, library, player, Downloads::shared(), Store::shared(), notes);
    // The tray icon with its mini player, set up by the first window shown.
    AppShell shell(windows, player, MenuBarManager::shared());
    // The desktop's media controls may bring the window forward or end the program.
    NowPlaying &nowPlaying = PlayerParts::shared().nowPlaying;
    QObject::connect(&nowPlaying, &NowPlaying::raiseRequested, &shell, &AppShell::showMainWindow);
    QObject::connect(&nowPlaying, &NowPlaying::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::activationRequested, &shell,
                     &AppShell::showMainWindow);
    if (!windows.open())
        return 1;
    return app.exec();
}
