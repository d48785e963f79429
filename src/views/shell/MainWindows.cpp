#include "MainWindows.h"

#include "Logging.h"

#include "IconProvider.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>

MainWindows::MainWindows(QQmlEngine &engine, LibraryViewModel &library, PlayerViewModel &player,
                         Downloads &downloads, Store &store, NotesStore &notes, QObject *parent)
    : QObject(parent), m_engine(engine), m_library(library), m_player(player),
      m_downloads(downloads), m_notes(notes),
      m_screens(ScreenTracks::Sources{library, player, downloads, store})
{
    prepareEngine(engine);
}

void MainWindows::prepareEngine(QQmlEngine &engine)
{
    IconProvider::installInto(engine);
    // The module's qmldir lies at qrc:/Talvora.
    engine.addImportPath(QStringLiteral("qrc:/"));
}

QQuickWindow *MainWindows::open()
{
    QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/Talvora/shell/MainWindow.qml")));
    QObject *object = component.createWithInitialProperties({
        {QStringLiteral("library"), QVariant::fromValue(&m_library)},
        {QStringLiteral("player"), QVariant::fromValue(&m_player)},
        {QStringLiteral("downloads"), QVariant::fromValue(&m_downloads)},
        {QStringLiteral("screens"), QVariant::fromValue(&m_screens)},
        {QStringLiteral("notes"), QVariant::fromValue(&m_notes)},
    });
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        qCWarning(lcShell).noquote()
            << "[Ui] the main window could not be created:" << component.errorString();
        delete object;
        return nullptr;
    }
    m_windows.removeAll(nullptr);
    m_windows << window;
    connect(window, SIGNAL(newWindowRequested()), this, SLOT(open()));
    connect(window, SIGNAL(closing(QQuickCloseEvent *)), this, SLOT(onClosing()));
    window->show();
    emit windowOpened(window);
    return window;
}

QList<QQuickWindow *> MainWindows::windows() const
{
    QList<QQuickWindow *> result;
    for (const auto &window : m_windows) {
        if (window)
            result << window;
    }
    return result;
}

void MainWindows::onClosing()
{
    if (auto *window = qobject_cast<QQuickWindow *>(sender())) {
        m_windows.removeAll(window);
        window->deleteLater();
    }
}
