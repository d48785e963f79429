#include "Lecture.h"
#include "TempDataHome.h"
#include "persistence/DamagedFile.h"
#include "persistence/FinishedLectures.h"
#include "persistence/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <future>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The ids of the history file, in the file's order.
QList<qint64> fileOrder(const QString &path)
{
    QList<qint64> ids;
    for (const QJsonValue &entry : QJsonDocument::fromJson(readAll(path)).array())
        ids << entry.toObject().value("id").toInteger();
    return ids;
}

// Lowers the file size limit of the process so that every write past `bytes` fails (EFBIG),
// which also stops root, unlike permissions.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void nothingStoredYet();
    void historyLoadsMostRecentFirstStably();
    void newTrackIsAppendedLast();
    void onlyTheMostRecentDuplicateIsUpdated();
    void damagedFileIsKeptAside_data();
    void damagedFileIsKeptAside();
    void onlyTheNewestThreeDamagedCopiesAreKept();
    void absentOptionalsAreLeftOut();
    void extremeIdsRoundTrip();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void numbersJsonCannotHoldAreNotWritten();
    void unusableFolderFailsQuietly();
    void writesKeepTheirOrderAndTheLatestWins();
    void finishedLecturesRoundTrip();

private:
    QString path(const char *file) const { return m_home->dataFolder() + '/' + file; }

    std::unique_ptr<TempDataHome> m_home;
    std::unique_ptr<Store> m_store;
    double m_now = 1000;
};

void StoreTest::init()
{
    m_home = std::make_unique<TempDataHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<Store>();
    m_now = 1000;
    m_store->setClock([this] { return m_now; });
}

void StoreTest::cleanup()
{
    m_store.reset();
    if (m_home)
        QFile::setPermissions(m_home->dataFolder(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_home.reset();
}

void StoreTest::nothingStoredYet()
{
    QVERIFY(!QDir(m_home->dataFolder()).exists());
    QVERIFY(!m_store->loadCache());
    QVERIFY(!m_store->loadSettings());
    QVERIFY(m_store->loadPlaybackHistory().isEmpty());
    QCOMPARE(m_store->folderURL(), m_home->dataFolder());
    QVERIFY(QDir(m_home->dataFolder()).exists());

    QDir(m_home->dataFolder()).removeRecursively();
    QSignalSpy settingsChanged(m_store.get(), &Store::settingsChanged);
    QSignalSpy historyChanged(m_store.get(), &Store::playbackHistoryChanged);
    m_store->saveSettings({true, RepeatMode::One, 42, 12.5, 60});
    m_store->addOrUpdatePlaybackHistory(42, 12.5, 60);
    m_store->saveCache({{Lecture(1)}, 10, 20, 1});
    m_store->waitForWrites();
    QCOMPARE(settingsChanged.count(), 1);
    QCOMPARE(historyChanged.count(), 1);
    QCOMPARE(m_store->loadSettings(), Store::Settings({true, RepeatMode::One, 42, 12.5, 60}));
    QCOMPARE(readAll(path("settings.json")), R"({"shuffle":true,"repeatMode":2,"lastTrackId":42,)"
                                             R"("lastPosition":12.5,"lastDuration":60})");
    QCOMPARE(m_store->loadPlaybackHistory(),
             QList<Store::PlaybackHistoryItem>({{42, 12.5, 60, 1000, 1}}));
    QCOMPARE(m_store->loadCache(), Store::CacheEntry({{Lecture(1)}, 10, 20, 1}));
    QCOMPARE(QDir(m_home->dataFolder()).entryList(QDir::Files),
             QStringList({"playback_history.json", "settings.json", "tracks_cache.json"}));
}

void StoreTest::historyLoadsMostRecentFirstStably()
{
    m_store->folderURL();
    QVERIFY(
        writeAll(path("playback_history.json"),
                 R"([{"id":1,"last_position":0,"duration":0,"last_played_at":100,"play_count":1},
                         {"id":2,"last_position":0,"duration":0,"last_played_at":200,"play_count":1},
                         {"id":3,"last_position":0,"duration":0,"last_played_at":100,"play_count":1},
                         {"id":4,"last_position":0,"duration":0,"last_played_at":100.5,"play_count":1}])"));
    QList<qint64> ids;
    for (const Store::PlaybackHistoryItem &item : m_store->loadPlaybackHistory())
        ids << item.id;
    QCOMPARE(ids, QList<qint64>({2, 4, 1, 3}));
}

void StoreTest::newTrackIsAppendedLast()
{
    m_store->savePlaybackHistory({{1, 0, 0, 500, 1}, {2, 0, 0, 400, 3}});
    m_store->addOrUpdatePlaybackHistory(3, 1, 2);
    m_store->waitForWrites();
    QCOMPARE(fileOrder(path("playback_history.json")), QList<qint64>({1, 2, 3}));
    QCOMPARE(m_store->loadPlaybackHistory().first().id, 3);

    // The file keeps the loaded (sorted) order, the updated entry in its place.
    m_now = 1001;
    m_store->addOrUpdatePlaybackHistory(2, 5, 6);
    m_store->waitForWrites();
    QCOMPARE(fileOrder(path("playback_history.json")), QList<qint64>({3, 1, 2}));
}

void StoreTest::onlyTheMostRecentDuplicateIsUpdated()
{
    m_store->savePlaybackHistory({{7, 1, 1, 100, 1}, {7, 2, 2, 300, 4}, {8, 3, 3, 200, 1}});
    m_store->addOrUpdatePlaybackHistory(7, 9, 9);
    const QList<Store::PlaybackHistoryItem> items = m_store->loadPlaybackHistory();
    QCOMPARE(items, QList<Store::PlaybackHistoryItem>(
                        {{7, 9, 9, 1000, 5}, {8, 3, 3, 200, 1}, {7, 1, 1, 100, 1}}));
}

void StoreTest::damagedFileIsKeptAside_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");

    // Good records but for one member, given again at the end (the last of a key wins), or
    // the whole text. Only one row is not JSON: the reader's own table is tst_jsonreader's.
    const QByteArray settings =
        R"({"shuffle":false,"repeatMode":1,"lastPosition":0,"lastDuration":0)";
    const QByteArray history =
        R"([{"id":1,"last_position":0,"duration":0,"last_played_at":1,"play_count":1)";
    const QByteArray cache = R"({"tracks":[],"cacheTimestamp":1,"lastCheckTimestamp":1)";
    const QByteArray track =
        R"({"id":1,"filename":"f","slug":"s","filemtime":1,"ustadz":"u","judul":"j"})";
    QTest::newRow("settings repeatMode 3") << "settings.json" << settings + R"(,"repeatMode":3})";
    QTest::newRow("settings repeatMode -1") << "settings.json" << settings + R"(,"repeatMode":-1})";
    QTest::newRow("settings shuffle as number") << "settings.json" << settings + R"(,"shuffle":0})";
    QTest::newRow("settings lastTrackId fractional")
        << "settings.json" << settings + R"(,"lastTrackId":1.5})";
    QTest::newRow("settings lastDuration missing")
        << "settings.json" << QByteArray(R"({"shuffle":true,"repeatMode":1,"lastPosition":0})");
    QTest::newRow("settings array") << "settings.json" << QByteArray("[]");
    QTest::newRow("history object") << "playback_history.json" << QByteArray("{}");
    QTest::newRow("history play_count fractional")
        << "playback_history.json" << history + R"(,"play_count":1.5}])";
    QTest::newRow("history id string") << "playback_history.json" << history + R"(,"id":"1"}])";
    QTest::newRow("history one bad element")
        << "playback_history.json" << history + R"(},{"id":2}])";
    QTest::newRow("cache bad track")
        << "tracks_cache.json" << cache + R"(,"tracks":[)" + track + R"(,{"id":2}]})";
    QTest::newRow("cache serverTotal string")
        << "tracks_cache.json" << cache + R"(,"serverTotal":"3"})";
    QTest::newRow("cache timestamp missing")
        << "tracks_cache.json" << QByteArray(R"({"tracks":[],"lastCheckTimestamp":1})");
    QTest::newRow("cache truncated") << "tracks_cache.json" << cache + R"(,"tracks":[)" + track;
}

// A damaged file is renamed aside, byte for byte, whether a load or a save meets it first.
void StoreTest::damagedFileIsKeptAside()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    const QString target = m_store->folderURL() + '/' + file;
    const QRegularExpression copyName(QRegularExpression::escape(target) +
                                      R"(\.damaged-\d{8}T\d{6}\.\d{3}Z)");

    QVERIFY(writeAll(target, content));
    QVERIFY(!m_store->loadSettings());
    QVERIFY(!m_store->loadCache());
    QVERIFY(m_store->loadPlaybackHistory().isEmpty());
    QVERIFY(!QFile::exists(target));
    m_store->waitForWrites();
    QStringList copies = DamagedFile::setAsideCopies(target);
    QCOMPARE(copies.size(), 1);
    QVERIFY2(copyName.match(copies.first()).hasMatch(), qPrintable(copies.first()));
    QCOMPARE(readAll(copies.first()), content);

    // Damaged behind the program's back, then saved over without a load first.
    QVERIFY(writeAll(target, content));
    m_store->saveSettings({});
    m_store->saveCache({});
    m_store->savePlaybackHistory({});
    m_store->waitForWrites();
    copies = DamagedFile::setAsideCopies(target);
    QCOMPARE(copies.size(), 2);
    QCOMPARE(readAll(copies.first()), content);
    QVERIFY(m_store->loadSettings());
    QVERIFY(m_store->loadCache());
    QCOMPARE(DamagedFile::setAsideCopies(target).size(), 2);
}

void StoreTest::onlyTheNewestThreeDamagedCopiesAreKept()
{
    const QString target = m_store->folderURL() + "/playback_history.json";
    for (int i = 1; i <= 4; ++i) {
        QVERIFY(writeAll(target, "[{\"id\":" + QByteArray::number(i)));
        m_store->addOrUpdatePlaybackHistory(9, 3, i);
        m_store->waitForWrites();
        QCOMPARE(m_store->loadPlaybackHistory(),
                 QList<Store::PlaybackHistoryItem>({{9, 3, double(i), 1000, 1}}));
    }
    QStringList contents;
    for (const QString &copy : DamagedFile::setAsideCopies(target))
        contents << readAll(copy);
    QCOMPARE(contents, QStringList({"[{\"id\":4", "[{\"id\":3", "[{\"id\":2"}));
}

// An absent optional is left out rather than written as null; a null one reads as absent, and
// unknown keys are ignored.
void StoreTest::absentOptionalsAreLeftOut()
{
    m_store->saveSettings({false, RepeatMode::All, std::nullopt, 1, 2});
    m_store->saveCache({{Lecture(3)}, 1, 2, std::nullopt});
    m_store->waitForWrites();
    QCOMPARE(readAll(path("settings.json")),
             R"({"shuffle":false,"repeatMode":1,"lastPosition":1,"lastDuration":2})");
    QVERIFY(!readAll(path("tracks_cache.json")).contains("serverTotal"));

    QVERIFY(writeAll(
        path("settings.json"),
        R"({"shuffle":true,"repeatMode":2,"lastTrackId":null,"lastPosition":1,"lastDuration":2,"volume":0.5})"));
    QCOMPARE(m_store->loadSettings(), Store::Settings({true, RepeatMode::One, std::nullopt, 1, 2}));
}

void StoreTest::extremeIdsRoundTrip()
{
    for (qint64 id : {qint64(9007199254740993), std::numeric_limits<qint64>::min(),
                      std::numeric_limits<qint64>::max()}) {
        const Store::Settings settings{true, RepeatMode::Off, id, 1e-3, 7200.5};
        m_store->saveSettings(settings);
        QCOMPARE(m_store->loadSettings(), settings);
        m_store->waitForWrites();
        QVERIFY(readAll(path("settings.json")).contains(QByteArray::number(id)));

        const Store::CacheEntry entry{{Lecture(id), Lecture(id ^ 1)}, 1.25, 2.5, id};
        m_store->saveCache(entry);
        QCOMPARE(m_store->loadCache(), entry);

        m_store->savePlaybackHistory({});
        m_store->addOrUpdatePlaybackHistory(id, 1, 2);
        m_store->addOrUpdatePlaybackHistory(id, 3, 4);
        QCOMPARE(m_store->loadPlaybackHistory(),
                 QList<Store::PlaybackHistoryItem>({{id, 3, 4, 1000, 2}}));
    }
    // A play count at the limit stays there instead of wrapping to the most negative.
    const qint64 most = std::numeric_limits<qint64>::max();
    m_store->savePlaybackHistory({{1, 0, 0, 0, most}});
    m_store->addOrUpdatePlaybackHistory(1, 5, 6);
    QCOMPARE(m_store->loadPlaybackHistory().first().playCount, most);
}

void StoreTest::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only folder") << true;
    QTest::newRow("disk refuses the bytes") << false;
}

void StoreTest::failedWriteKeepsTheOldFile()
{
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && geteuid() == 0)
        QSKIP("root writes into read-only folders; the size-limit row covers root");

    m_store->saveSettings({false, RepeatMode::Off, 1, 1, 1});
    m_store->savePlaybackHistory({{1, 1, 1, 1, 1}});
    m_store->waitForWrites();
    const QByteArray oldSettings = readAll(path("settings.json"));
    const QByteArray oldHistory = readAll(path("playback_history.json"));
    QSignalSpy settingsChanged(m_store.get(), &Store::settingsChanged);
    QSignalSpy historyChanged(m_store.get(), &Store::playbackHistoryChanged);

    QList<Store::PlaybackHistoryItem> many;
    for (int i = 0; i < 200; ++i)
        many.append({i, 1, 2, 3, 4});
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (readOnlyFolder)
            QVERIFY(
                QFile::setPermissions(m_home->dataFolder(), QFile::ReadOwner | QFile::ExeOwner));
        else
            limit = std::make_unique<FileSizeLimit>(64);
        m_store->saveSettings({true, RepeatMode::One, 123456789, 99999.5, 99999.5});
        m_store->savePlaybackHistory(many);
        m_store->addOrUpdatePlaybackHistory(77, 1, 2);
        m_store->waitForWrites();
    }
    QCOMPARE(readAll(path("settings.json")), oldSettings);
    QCOMPARE(readAll(path("playback_history.json")), oldHistory);
    QCOMPARE(settingsChanged.count(), 0);
    QCOMPARE(historyChanged.count(), 0);
    QFile::setPermissions(m_home->dataFolder(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // No temporary files are left behind.
    QCOMPARE(QDir(m_home->dataFolder()).entryList(QDir::Files),
             QStringList({"playback_history.json", "settings.json"}));
}

void StoreTest::numbersJsonCannotHoldAreNotWritten()
{
    m_store->addOrUpdatePlaybackHistory(1, 5, 10);
    m_store->saveSettings({false, RepeatMode::Off, 1, 5, 10});
    m_store->waitForWrites();
    const QByteArray history = readAll(path("playback_history.json"));
    const QByteArray settings = readAll(path("settings.json"));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    m_store->addOrUpdatePlaybackHistory(1, 6, nan);
    m_store->addOrUpdatePlaybackHistory(2, inf, 10);
    m_store->saveSettings({false, RepeatMode::Off, 1, nan, 10});
    Track track = Lecture(1);
    track.sizeMb = inf;
    m_store->saveCache({{track}, 1, 1, std::nullopt});

    m_store->waitForWrites();
    QCOMPARE(readAll(path("playback_history.json")), history);
    QCOMPARE(readAll(path("settings.json")), settings);
    QVERIFY(!QFile::exists(path("tracks_cache.json")));
    QCOMPARE(m_store->loadPlaybackHistory().size(), 1);
}

void StoreTest::unusableFolderFailsQuietly()
{
    // The data folder's place is taken by a file: nothing can be created or read.
    QVERIFY(writeAll(m_home->dataFolder(), "in the way"));
    m_store->saveSettings({});
    m_store->addOrUpdatePlaybackHistory(1, 2, 3);
    m_store->waitForWrites();
    QVERIFY(!m_store->loadSettings());
    QVERIFY(m_store->loadPlaybackHistory().isEmpty());
    QCOMPARE(readAll(m_home->dataFolder()), QByteArray("in the way"));
}

// While the writer is busy, a second write of a file replaces the first one and goes to the
// end of the queue; what waits is what the store reads meanwhile.
void StoreTest::writesKeepTheirOrderAndTheLatestWins()
{
    const QString folder = m_store->folderURL() + '/';
    QStringList order;
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    {
        FileWriter writer(QStringLiteral("[test]"));
        const auto record = [&order](const QString &path) {
            order << QFileInfo(path).fileName();
            return true;
        };
        writer.write(folder + "x", "x1", [&](const QString &path) {
            started.set_value();
            released.wait();
            return record(path);
        });
        started.get_future().wait();
        writer.write(folder + "a", "a1", record);
        writer.write(folder + "b", "b1", record);
        writer.write(folder + "a", "a2", record);
        QCOMPARE(writer.pending(folder + "a"), std::optional<QByteArray>("a2"));
        QCOMPARE(writer.pending(folder + "x"), std::optional<QByteArray>("x1"));
        release.set_value();
        writer.waitForWrites();
        QCOMPARE(writer.pending(folder + "a"), std::nullopt);
    }
    QCOMPARE(order, QStringList({"x", "b", "a"}));
    QCOMPARE(readAll(folder + "a"), QByteArray("a2"));
    QCOMPARE(readAll(folder + "b"), QByteArray("b1"));
}

// finished.json: marks and the hide flag survive a restart, ids of lectures no longer in any
// library are kept, 64-bit ids stay exact, and a damaged file is set aside before a write.
void StoreTest::finishedLecturesRoundTrip()
{
    const QString file = path(FinishedLectures::FileName);
    const qint64 huge = 9007199254740993;
    {
        FinishedLectures finished(m_home->dataFolder());
        QVERIFY(finished.setFinished(huge, true));
        QVERIFY(finished.setFinished(7, true));
        QVERIFY(!finished.setFinished(7, true));
        finished.setHideFinished(true);
        finished.waitForWrites();
    }
    QCOMPARE(readAll(file), QByteArray(R"({"finished":[7,9007199254740993],"hideFinished":true})"));
    {
        FinishedLectures finished(m_home->dataFolder());
        QVERIFY(finished.isFinished(huge) && finished.isFinished(7) && finished.hideFinished());
        QVERIFY(finished.setFinished(7, false));
        finished.waitForWrites();
    }
    QCOMPARE(readAll(file), QByteArray(R"({"finished":[9007199254740993],"hideFinished":true})"));

    writeAll(file, R"({"finished":[1.5]})");
    FinishedLectures finished(m_home->dataFolder());
    QVERIFY(!finished.isFinished(1) && !finished.hideFinished());
    QCOMPARE(DamagedFile::setAsideCopies(file).size(), 1);
    finished.setFinished(3, true);
    finished.waitForWrites();
    QCOMPARE(readAll(file), QByteArray(R"({"finished":[3],"hideFinished":false})"));
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
