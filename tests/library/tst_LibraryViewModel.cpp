// The library view model against the real lecture service on loopback and a real data
// folder: when the service is asked (its request log says), what the screens see, and what
// the cache file holds afterwards.

#include "Lecture.h"
#include "LectureService.h"
#include "TempDataHome.h"

#include "network/APIClient.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QString libraryPath = QStringLiteral("/api.php?action=getTracks");
constexpr double t0 = 1'700'000'000;

QList<qint64> ids(const QList<Track> &tracks)
{
    QList<qint64> result;
    for (const Track &t : tracks)
        result.append(t.id);
    return result;
}

const QList<Track> cachedTracks{Lecture(1).titled("Cached one"), Lecture(2).titled("Cached two")};
const QList<Track> serverTracks{Lecture(7).titled("Server one"), Lecture(8).titled("Server two"),
                                Lecture(9).titled("Server three")};

} // namespace

class tst_LibraryViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadDecision_data();
    void loadDecision();
    void serviceFailure_data();
    void serviceFailure();
    void unreachableServiceSaysSoAtOnceAndRecovers_data();
    void unreachableServiceSaysSoAtOnceAndRecovers();
    void timerAsksOnlyOnceAnHourHasPassed();
    void overlappingLoadsLaterFinishWins();
    void destroyedDuringLoad();

    void search_data();
    void search();
    void teacherFilterIsWholeNameIgnoringCase();
    void searchBeforeAndAfterItsFormsAreMade_data();
    void searchBeforeAndAfterItsFormsAreMade();
    void popularOrderIsStableByViews();
    void teacherNamesAndTheirLectures();

private:
    std::unique_ptr<LibraryViewModel> makeViewModel(std::chrono::milliseconds period = 1h);
    void waitForLoads(LibraryViewModel &vm);
    void cacheFresh(const QList<Track> &tracks);

    std::unique_ptr<TempDataHome> m_home;
    std::unique_ptr<LectureService> m_service;
    std::unique_ptr<Store> m_store;
    double m_now = t0;
};

void tst_LibraryViewModel::init()
{
    m_home = std::make_unique<TempDataHome>();
    m_store = std::make_unique<Store>();
    m_service = std::make_unique<LectureService>();
    QVERIFY(m_service->setTracks(serverTracks));
    QVERIFY(m_service->start());
    ServiceAddress::setBaseUrl(m_service->baseUrl());
    APIClient::setTimeouts(2s, 4s);
    m_now = t0;
}

void tst_LibraryViewModel::cleanup()
{
    m_service.reset();
    m_store.reset();
    m_home.reset();
}

std::unique_ptr<LibraryViewModel>
tst_LibraryViewModel::makeViewModel(std::chrono::milliseconds period)
{
    return std::make_unique<LibraryViewModel>(
        *m_store, [this] { return m_now; }, period);
}

// Loads that need no answer end inside the call; the others end when the answer arrives.
void tst_LibraryViewModel::waitForLoads(LibraryViewModel &vm)
{
    QTRY_VERIFY(vm.lastCacheCheck().has_value());
    QTRY_VERIFY_WITH_TIMEOUT(!vm.isLoading(), 10000);
    if (vm.trackCount() > 0)
        QTRY_VERIFY(vm.searchFormsReady());
}

void tst_LibraryViewModel::cacheFresh(const QList<Track> &tracks)
{
    m_store->saveCache({tracks, m_now, m_now, tracks.size()});
}

void tst_LibraryViewModel::loadDecision_data()
{
    QTest::addColumn<bool>("hasCache");
    QTest::addColumn<double>("age");
    QTest::addColumn<double>("sinceCheck");
    QTest::addColumn<qint64>("cachedTotal"); // -1: the cache has no serverTotal
    QTest::addColumn<qint64>("answerTotal");
    QTest::addColumn<bool>("sameTracks"); // the answer lists exactly the cached tracks
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("no cache") << false << 0.0 << 0.0 << 0ll << 3ll << false << true << true;
    QTest::newRow("5 minutes old")
        << true << 300.0 << 300.0 << 2ll << 3ll << false << false << false;
    QTest::newRow("exactly 600 s old")
        << true << 600.0 << 7200.0 << 2ll << 3ll << false << false << false;
    QTest::newRow("2 h old, checked exactly 1 h ago")
        << true << 7200.0 << 3600.0 << 2ll << 3ll << false << false << false;
    QTest::newRow("2 h old, checked 2 h ago, same total, same tracks")
        << true << 7200.0 << 7200.0 << 3ll << 3ll << true << true << false;
    QTest::newRow("2 h old, checked 2 h ago, same total, other tracks")
        << true << 7200.0 << 7200.0 << 3ll << 3ll << false << true << true;
    QTest::newRow("2 h old, checked 2 h ago, other total")
        << true << 7200.0 << 7200.0 << 2ll << 3ll << false << true << true;
    QTest::newRow("600.5 s old, checked 2 h ago")
        << true << 600.5 << 7200.0 << 2ll << 3ll << false << true << true;
    QTest::newRow("written and checked 2 h in the future")
        << true << -7200.0 << -7200.0 << 2ll << 3ll << false << true << true;
    QTest::newRow("no serverTotal, answer total 0, same tracks")
        << true << 7200.0 << 7200.0 << -1ll << 0ll << true << true << false;
    QTest::newRow("no serverTotal, answer total 3")
        << true << 7200.0 << 7200.0 << -1ll << 3ll << false << true << true;
}

void tst_LibraryViewModel::loadDecision()
{
    QFETCH(bool, hasCache);
    QFETCH(double, age);
    QFETCH(double, sinceCheck);
    QFETCH(qint64, cachedTotal);
    QFETCH(qint64, answerTotal);
    QFETCH(bool, sameTracks);
    QFETCH(bool, asked);
    QFETCH(bool, replaced);

    const QList<Track> answerTracks = sameTracks ? cachedTracks : serverTracks;
    QVERIFY(m_service->setTracks(answerTracks, answerTotal));
    Store::CacheEntry cache{cachedTracks, t0 - age, t0 - sinceCheck, std::nullopt};
    if (cachedTotal >= 0)
        cache.serverTotal = cachedTotal;
    if (hasCache)
        m_store->saveCache(cache);

    auto vm = makeViewModel();
    QVERIFY(!vm->lastCacheCheck()); // the first load is queued, not run in the constructor
    QSignalSpy tracksChanged(vm.get(), &LibraryViewModel::tracksChanged);
    waitForLoads(*vm);

    QCOMPARE(*vm->lastCacheCheck(), t0);
    if (asked)
        QVERIFY(m_service->waitForRequestCount(libraryPath, 1));
    QCOMPARE(m_service->requestCount(libraryPath), asked ? 1 : 0);
    QCOMPARE(ids(vm->tracks()), ids(replaced ? answerTracks : cachedTracks));
    QVERIFY(vm->errorMessage().isEmpty());
    // The cached list is published before an answer replaces it.
    QCOMPARE(tracksChanged.count(), hasCache && replaced ? 2 : 1);

    const std::optional<Store::CacheEntry> saved = m_store->loadCache();
    QVERIFY(saved);
    if (replaced) {
        QCOMPARE(*saved, (Store::CacheEntry{answerTracks, t0, t0, answerTotal}));
    } else if (asked) {
        Store::CacheEntry renewed = cache;
        renewed.lastCheckTimestamp = t0;
        QCOMPARE(*saved, renewed);
    } else {
        QCOMPARE(*saved, cache);
    }
}

void tst_LibraryViewModel::serviceFailure_data()
{
    QTest::addColumn<QJsonObject>("fault");
    QTest::addColumn<int>("cached"); // -1 no cache, else the number of cached tracks (old cache)
    QTest::addColumn<QString>("message");

    // The view model treats every failed request alike; how each fault reads, tst_apiclient's
    // failures() shows.
    const QString message = QStringLiteral("Gagal memuat daftar kajian: Kesalahan server: 500");
    const QJsonObject status{{"library", QJsonObject{{"status", 500}}}};
    QTest::newRow("500, no cache") << status << -1 << message;
    QTest::newRow("500, old cache") << status << 2 << QString();
    QTest::newRow("500, old empty cache") << status << 0 << message;
    // A service in trouble that still answers with a document, without lectures.
    const QJsonObject failure{
        {"library", QJsonObject{{"garbage", R"({"status":"error","total_files":0,"data":[]})"}}}};
    QTest::newRow("failure document, old cache") << failure << 2 << QString();
}

void tst_LibraryViewModel::serviceFailure()
{
    QFETCH(QJsonObject, fault);
    QFETCH(int, cached);
    QFETCH(QString, message);

    QVERIFY(m_service->setFaults(fault));
    const Store::CacheEntry cache{cachedTracks.mid(0, qMax(0, cached)), t0 - 7200, t0 - 7200, 2};
    if (cached >= 0)
        m_store->saveCache(cache);

    auto vm = makeViewModel();
    waitForLoads(*vm);
    QVERIFY(m_service->waitForRequestCount(libraryPath, 1));
    QCOMPARE(ids(vm->tracks()), ids(cache.tracks.mid(0, qMax(0, cached))));
    QCOMPARE(vm->hasError(), !message.isEmpty());
    QCOMPARE(vm->errorMessage(), message);
    // Nothing is overwritten by a failed answer.
    QCOMPARE(m_store->loadCache().has_value(), cached >= 0);
    if (cached >= 0)
        QCOMPARE(*m_store->loadCache(), cache);

    // A fresh cache clears the message without asking; a good answer clears it too.
    m_service->clearFaults();
    cacheFresh(cachedTracks);
    vm->loadFromCacheOrServer();
    QVERIFY(!vm->isLoading());
    QVERIFY(!vm->hasError());
    QCOMPARE(m_service->requestCount(libraryPath), 1);
}

void tst_LibraryViewModel::unreachableServiceSaysSoAtOnceAndRecovers_data()
{
    QTest::addColumn<bool>("cached");
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<int>("retryMs"); // the view model's own first try again
    // The request itself waits for the service and finds it back (the view model would try
    // again only after the test), or gives up and the view model tries again later by itself
    // (a cache or none changes only what is shown meanwhile).
    QTest::newRow("no cache, within the wait") << false << 20000 << 3600000;
    QTest::newRow("old cache, later try") << true << 300 << 100;
}

void tst_LibraryViewModel::unreachableServiceSaysSoAtOnceAndRecovers()
{
    QFETCH(bool, cached);
    QFETCH(int, deadlineMs);
    QFETCH(int, retryMs);
    const quint16 port = m_service->port();
    m_service->stop();
    APIClient::setTimeouts(2s, std::chrono::milliseconds(deadlineMs));
    if (cached)
        m_store->saveCache({cachedTracks, t0 - 7200, t0 - 7200, 2});

    auto vm = makeViewModel();
    vm->setRetryDelays(std::chrono::milliseconds(retryMs), std::chrono::milliseconds(2 * retryMs));
    QSignalSpy loads(vm.get(), &LibraryViewModel::lastCacheCheckChanged);
    // Refused: said at once (long before the request's own deadline), and not as "loading".
    const QString reason = QStringLiteral("Layanan kajian menolak sambungan.");
    QTRY_COMPARE(vm->offlineReason(), reason);
    QVERIFY(!vm->isLoading());
    QCOMPARE(vm->errorMessage(), cached ? QString() : "Gagal memuat daftar kajian: " + reason);
    QCOMPARE(ids(vm->tracks()), ids(cached ? cachedTracks : QList<Track>{}));
    if (deadlineMs < 1000)
        QTRY_VERIFY(loads.count() >= 2); // a later try of the view model's own

    QVERIFY(m_service->start(port));
    QVERIFY(m_service->waitForRequestCount(libraryPath, 1, 10000));
    QTRY_COMPARE(ids(vm->tracks()), ids(serverTracks));
    QVERIFY(!vm->isOffline());
    QVERIFY(!vm->hasError());
    QVERIFY(!vm->isLoading());
}

void tst_LibraryViewModel::timerAsksOnlyOnceAnHourHasPassed()
{
    // An old cache with the service's own total: every answer leaves cacheTimestamp old.
    m_store->saveCache({cachedTracks, t0 - 7200, t0 - 7200, 3});
    // Long enough that the first firing never meets the first load on a loaded machine.
    auto vm = makeViewModel(4s);
    QSignalSpy checks(vm.get(), &LibraryViewModel::lastCacheCheckChanged);
    waitForLoads(*vm);
    QVERIFY(m_service->waitForRequestCount(libraryPath, 1));
    QCOMPARE(checks.count(), 1);

    // The first firing comes a hair under an hour after that check: not asked.
    m_now = t0 + 3599.9;
    QVERIFY(checks.wait(10000));
    QCOMPARE(*vm->lastCacheCheck(), m_now);
    QVERIFY(!vm->isLoading());
    QCOMPARE(m_service->requestCount(libraryPath), 1);

    // The second one is past the hour: asked again.
    m_now = t0 + 7199.8;
    QVERIFY(checks.wait(10000));
    QVERIFY(vm->isLoading());
    waitForLoads(*vm);
    QVERIFY(m_service->waitForRequestCount(libraryPath, 2));
    QCOMPARE(m_store->loadCache()->lastCheckTimestamp, t0 + 7199.8);
}

void tst_LibraryViewModel::overlappingLoadsLaterFinishWins()
{
    // Load A sees a cache that differs from the service's library and its answer is held;
    // load B starts meanwhile with a cache equal to the service's and a quick answer.
    m_store->saveCache({cachedTracks, t0 - 7200, t0 - 7200, 2});
    QVERIFY(m_service->setFaults({{"library", QJsonObject{{"hold", "A"}}}}));
    auto vm = makeViewModel();
    QVERIFY(m_service->waitForArrivalCount(libraryPath, 1)); // A is being held

    const Store::CacheEntry sameAsService{serverTracks, t0 - 7200, t0 - 7200, 3};
    m_store->saveCache(sameAsService);
    m_service->clearFaults();
    m_now = t0 + 1;
    vm->loadFromCacheOrServer();

    // B ends first (nothing changed: only its check time moves) while A is still running.
    QVERIFY(m_service->waitForRequestCount(libraryPath, 1));
    QTRY_COMPARE(m_store->loadCache()->lastCheckTimestamp, t0 + 1);
    QCOMPARE(m_store->loadCache()->cacheTimestamp, t0 - 7200);
    QVERIFY(vm->isLoading());

    // A ends last and wins with its own comparison: its answer is taken as a new library.
    QVERIFY(m_service->setFaults({{"release", QJsonArray{"A"}}}));
    waitForLoads(*vm);
    QCOMPARE(m_service->requestCount(libraryPath), 2);
    QCOMPARE(ids(vm->tracks()), ids(serverTracks));
    QCOMPARE(*m_store->loadCache(), (Store::CacheEntry{serverTracks, t0, t0, 3}));
}

void tst_LibraryViewModel::destroyedDuringLoad()
{
    QVERIFY(m_service->setFaults({{"library", QJsonObject{{"delay_ms", 300}}}}));
    auto vm = makeViewModel();
    QTRY_VERIFY(vm->isLoading());
    vm.reset();
    QVERIFY(m_service->waitForRequestCount(libraryPath, 1));
    // A later answer through the same client has come in, and every write has landed: the
    // first answer arrived for nobody, and nothing was written on the view model's behalf.
    m_service->clearFaults();
    bool answered = false;
    APIClient::fetchTracks(this, [&](const APIClient::FetchResult &) { answered = true; });
    QTRY_VERIFY(answered);
    m_store->waitForWrites();
    QVERIFY(!m_store->loadCache());
}

// The view model's part of a search: the query trimmed, lower-cased and composed before the
// matcher sees it (whose verdicts tst_searchmatcher holds), and a query that grows searching
// the previous result only while any other starts over.
void tst_LibraryViewModel::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<qint64>>("expected");
    QTest::addColumn<QString>("previous"); // empty: the first query

    QTest::newRow("empty") << "" << QList<qint64>{1, 2, 3, 4, 5} << QString();
    QTest::newRow("spaces only") << "   \t\n " << QList<qint64>{1, 2, 3, 4, 5} << QString();
    QTest::newRow("word in capitals, spaces around") << "  SHOLAT \n"
                                                     << QList<qint64>{1, 3} << QString();
    QTest::newRow("title or teacher") << "ha" << QList<qint64>{1, 3, 4} << QString();
    QTest::newRow("decomposed accent") << "cafe\u0301" << QList<qint64>{5} << QString();
    QTest::newRow("grown") << "han" << QList<qint64>{1, 3} << "ha";
    QTest::newRow("grown from a teacher's match") << "ustadz h" << QList<qint64>{1, 3} << "u";
    QTest::newRow("shortened") << "sholat" << QList<qint64>{1, 3} << "sholat s";
    QTest::newRow("replaced") << "sirah" << QList<qint64>{4} << "tauhid";
    QTest::newRow("same after trimming") << " HA " << QList<qint64>{1, 3, 4} << "ha";
}

void tst_LibraryViewModel::search()
{
    QFETCH(QString, query);
    QFETCH(QList<qint64>, expected);
    QFETCH(QString, previous);

    cacheFresh({Lecture(1).titled("Fiqih Sholat").by("Ustadz Hanif"),
                Lecture(2).titled("Tauhid").by("Abdul Somad"),
                Lecture(3).titled("Adab sholat Subuh").by("Ustadz Hanif"),
                Lecture(4).titled("Sirah").by("ABDUL Hakim"),
                Lecture(5).titled("Kajian di Caf\u00e9").by("Ustadz Budi")});
    auto vm = makeViewModel();
    waitForLoads(*vm);
    vm->setSearchText(previous);
    vm->filteredTracks();
    QSignalSpy filteredChanged(vm.get(), &LibraryViewModel::filteredTracksChanged);
    vm->setSearchText(query);
    if (previous.isEmpty())
        QCOMPARE(filteredChanged.count(), query.isEmpty() ? 0 : 1);
    QCOMPARE(ids(vm->filteredTracks()), expected);
    QCOMPARE(m_service->requestCount(), 0);
}

void tst_LibraryViewModel::teacherFilterIsWholeNameIgnoringCase()
{
    cacheFresh({Lecture(1).titled("Satu").by("Ustadz A"), Lecture(2).titled("Dua").by("ustadz a"),
                Lecture(3).titled("Tiga").by("Ustadz Ab"),
                Lecture(4).titled("Empat satu").by("USTADZ A")});
    auto vm = makeViewModel();
    waitForLoads(*vm);
    vm->setSelectedUstadz(QStringLiteral("ustadz A"));
    QCOMPARE(ids(vm->filteredTracks()), (QList<qint64>{1, 2, 4}));
    vm->setSearchText(QStringLiteral("satu"));
    QCOMPARE(ids(vm->filteredTracks()), (QList<qint64>{1, 4}));
    vm->setSelectedUstadz(QString());
    QCOMPARE(ids(vm->filteredTracks()), (QList<qint64>{1, 4}));
}

// The search forms are made on a worker: until they are in place a search finds the lectures
// spelled as typed; then the other spellings follow, told only when the result changes.
void tst_LibraryViewModel::searchBeforeAndAfterItsFormsAreMade_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<qint64>>("before");
    QTest::addColumn<QList<qint64>>("after");

    QTest::newRow("other spellings follow")
        << "sholat" << QList<qint64>{1, 3} << QList<qint64>{1, 3, 4};
    QTest::newRow("nothing as typed") << "hadis" << QList<qint64>{} << QList<qint64>{2};
    QTest::newRow("the same result") << "subuh" << QList<qint64>{3} << QList<qint64>{3};
}

void tst_LibraryViewModel::searchBeforeAndAfterItsFormsAreMade()
{
    QFETCH(QString, query);
    QFETCH(QList<qint64>, before);
    QFETCH(QList<qint64>, after);

    QVERIFY(m_service->setTracks(
        {Lecture(1).titled("Fiqih Sholat"), Lecture(2).titled("Hadits Arbain"),
         Lecture(3).titled("Adab sholat Subuh"), Lecture(4).titled("Shalat Malam")}));
    auto vm = makeViewModel();
    vm->setSearchText(query);
    QList<qint64> found;
    connect(vm.get(), &LibraryViewModel::tracksChanged, this, [&] {
        QVERIFY(!vm->searchFormsReady());
        found = ids(vm->filteredTracks());
    });
    QSignalSpy told(vm.get(), &LibraryViewModel::filteredTracksChanged);
    waitForLoads(*vm);
    QCOMPARE(found, before);
    QCOMPARE(ids(vm->filteredTracks()), after);
    QCOMPARE(told.count(), before == after ? 1 : 2);
}

void tst_LibraryViewModel::popularOrderIsStableByViews()
{
    cacheFresh({Lecture(1).titled("a").by("x").viewed(10), Lecture(2).titled("b").by("x"),
                Lecture(3).titled("c").by("x").viewed(50),
                Lecture(4).titled("d").by("x").viewed(10),
                Lecture(5).titled("e").by("x").viewed(0)});
    auto vm = makeViewModel();
    waitForLoads(*vm);
    QCOMPARE(ids(vm->popularTracks()), (QList<qint64>{3, 1, 4, 2, 5}));
    QCOMPARE(ids(vm->tracks()), (QList<qint64>{1, 2, 3, 4, 5})); // library order untouched
}

void tst_LibraryViewModel::teacherNamesAndTheirLectures()
{
    cacheFresh({Lecture(1).titled("1").by("b"), Lecture(2).titled("2").by("A").viewed(10),
                Lecture(3).titled("3").by("Z"), Lecture(4).titled("4").by("A"),
                Lecture(5).titled("5").by("a"), Lecture(6).titled("6").by(""),
                Lecture(7).titled("7").by("A").viewed(10), Lecture(8).titled("8").by("Jos\u00e9"),
                Lecture(9).titled("9").by("Jose\u0301"), Lecture(10).titled("10").by("\U0001F600"),
                Lecture(11).titled("11").by("\uFF21")});
    auto vm = makeViewModel();
    waitForLoads(*vm);

    // Scalar-value order: empty first, upper-case ASCII before lower-case, U+FF21 before
    // U+1F600 (plain UTF-16 order would swap those two); canonical equivalents are one name.
    QCOMPARE(vm->ustadzList(),
             (QStringList{"", "A", "Jos\u00e9", "Z", "a", "b", "\uFF21", "\U0001F600"}));
    QCOMPARE(vm->lectureCount("A"), 3);
    QCOMPARE(vm->lectureCount("a"), 1);
    QCOMPARE(vm->lectureCount("Jos\u00e9"), 2);
    QCOMPARE(vm->lectureCount("nobody"), 0);
    QCOMPARE(ids(vm->tracksOfUstadz("A")), (QList<qint64>{2, 7, 4}));
    QCOMPARE(ids(vm->tracksOfUstadz("Jose\u0301")), (QList<qint64>{8, 9}));
}

QTEST_GUILESS_MAIN(tst_LibraryViewModel)
#include "tst_LibraryViewModel.moc"
