#include "ScreenFixture.h"

#include "Lecture.h"
#include "MainWindows.h"
#include "UiTestSupport.h"
#include "audio/MpvBackend.h"
#include "audio/PlayerParts.h"
#include "audio/downloads/Downloads.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <algorithm>

Track lecture(qint64 id, std::optional<qint64> views, const QString &ustadz, const QString &judul)
{
    const Lecture track = Lecture(id).by(ustadz).viewed(views).lasting(20);
    return judul.isNull() ? track : track.titled(judul);
}

ScreenFixture::ScreenFixture(const QList<Track> &tracks) : tracks(tracks) {}

ScreenFixture::~ScreenFixture()
{
    stopPlayer(); // windows first: they hold the view models
    notes.reset();
    library.reset();
    store.reset();
}

bool ScreenFixture::start(bool startService)
{
    for (const Track &track : std::as_const(tracks)) {
        if (!service.addMp3(track.filename, 20))
            return false;
    }
    if (!service.setTracks(tracks))
        return false;
    if (startService && !service.start())
        return false;
    ServiceAddress::setBaseUrl(service.baseUrl());

    store = std::make_unique<Store>();
    library = std::make_unique<LibraryViewModel>(*store);
    notes = std::make_unique<NotesStore>(store->folderURL());
    UiTest::prepare(qml);
    makePlayer();
    return true;
}

void ScreenFixture::makePlayer()
{
    downloads = std::make_unique<Downloads>();
    auto mpv = std::make_unique<MpvBackend>();
    backend = mpv.get();
    parts = std::make_unique<PlayerParts>(
        std::move(mpv), downloads.get(),
        PlayerParts::Options{.preferencesFolder = store->folderURL()});
    engine = &parts->engine;
    player = std::make_unique<PlayerViewModel>(*engine, *store);
    player->setLibrarySeries(library->series());
    windows = std::make_unique<MainWindows>(qml, *library, *player, *downloads, *store, *notes);
}

void ScreenFixture::stopPlayer()
{
    for (QQuickWindow *window : windows ? windows->windows() : QList<QQuickWindow *>())
        delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    windows.reset();
    player.reset();
    engine = nullptr;
    parts.reset();
    downloads.reset();
}

void ScreenFixture::restart()
{
    stopPlayer();
    store->saveSettings({});
    store->savePlaybackHistory({});
    library->setSearchText(QString());
    service.clearFaults();
    ServiceAddress::setBaseUrl(service.baseUrl()); // another fixture may have pointed it away
    makePlayer();
}

QQuickWindow *ScreenFixture::openWindow()
{
    QQuickWindow *window = windows->open();
    if (window && !QTest::qWaitForWindowExposed(window))
        return nullptr;
    if (window)
        testModels(window);
    return window;
}

void ScreenFixture::testModels(QQuickWindow *window)
{
    // The window's own models and every view's model, each checked once for as long as it lives.
    QList<QAbstractItemModel *> models = window->findChildren<QAbstractItemModel *>();
    for (QQuickItem *item : UiTest::descendants(window->contentItem())) {
        if (auto *model =
                qobject_cast<QAbstractItemModel *>(item->property("model").value<QObject *>()))
            models << model;
    }
    for (QAbstractItemModel *model : std::as_const(models)) {
        if (!model->findChild<QAbstractItemModelTester *>(QString(), Qt::FindDirectChildrenOnly))
            new QAbstractItemModelTester(model, model);
    }
}

bool ScreenFixture::waitForLibrary(int timeoutMs)
{
    return QTest::qWaitFor([&] { return library->trackCount() > 0 && !library->isLoading(); },
                           timeoutMs);
}

QQuickWindow *ScreenFixture::openWithLibrary()
{
    if (!start())
        return nullptr;
    QQuickWindow *window = openWindow();
    return window && waitForLibrary() ? window : nullptr;
}

bool ScreenFixture::select(QQuickWindow *window, const QString &label)
{
    QQuickItem *entry = UiTest::findAccessible(window->contentItem(), label);
    if (!entry)
        return false;
    UiTest::click(entry);
    testModels(window);
    return true;
}

QList<QQuickItem *> ScreenFixture::trackRows(QQuickWindow *window)
{
    auto rows = UiTest::findAll(window->contentItem(), [](QQuickItem *item) {
        return QByteArray(item->metaObject()->className()).startsWith("TrackRow") &&
               item->isVisible() && item->parentItem();
    });
    std::sort(rows.begin(), rows.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
    });
    return rows;
}

QStringList ScreenFixture::rowTitles(QQuickWindow *window)
{
    QStringList titles;
    for (QQuickItem *row : trackRows(window))
        titles << row->property("title").toString();
    return titles;
}

QQuickItem *ScreenFixture::rowTitled(QQuickWindow *window, const QString &title)
{
    for (QQuickItem *row : trackRows(window)) {
        if (row->property("title").toString() == title)
            return row;
    }
    return nullptr;
}

QList<qint64> ScreenFixture::idsOf(const QList<Track> &tracks)
{
    QList<qint64> ids;
    for (const Track &track : tracks)
        ids << track.id;
    return ids;
}
