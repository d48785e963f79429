// The download manager against the real lecture service on loopback and a real folder:
// what lands on disk, what the state file says, and which sets change.

#include "Lecture.h"
#include "LectureService.h"
#include "TempDataHome.h"

#include "audio/downloads/Downloads.h"
#include "network/APIClient.h"
#include "persistence/DamagedFile.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

const QString streamPath = QStringLiteral("/stream.php");

// Every lecture is served from the one file the service holds unless a test says otherwise.
Lecture lecture(qint64 id = 1234)
{
    return Lecture(id).servedAs(QStringLiteral("kajian.mp3"));
}

// A fault for every file the service serves.
QJsonObject everyFile(const QJsonObject &fault)
{
    return QJsonObject{{"files", QJsonObject{{"*", fault}}}};
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_Downloads : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void completes();
    void failedAnswerStoresNothing_data();
    void failedAnswerStoresNothing();
    void resumesWhereItWasCut_data();
    void resumesWhereItWasCut();
    void resumesAcrossAServiceRestart_data();
    void resumesAcrossAServiceRestart();
    void cancelDuringTransfer_data();
    void cancelDuringTransfer();
    void manyDownloadsLeaveTheServiceReachable();
    void existingFileIsNotFetched();
    void destinationAppearingMeanwhileIsKept();
    void vanishedBodyIsNotStored();
    void stateSurvivesRestart();
    void processWideManagerLetsGoAtQuit();
    void stateParsing_data();
    void stateParsing();
    void removeDeletesOnlyItsOwnFile();
    void unwritableFolder();
    void diskFull();
    void taskIdHeader();

private:
    std::unique_ptr<Downloads> makeDownloads();
    QString folder() const { return m_dir->path() + QStringLiteral("/Downloads"); }
    QStringList partFiles() const;
    QJsonObject stateFile() const;
    QStringList askedRanges() const;
    bool waitUntilIdle(Downloads &downloads, int timeoutMs = 10000);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LectureService> m_service;
    QByteArray m_body;
};

void tst_Downloads::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<LectureService>();
    m_body = randomBytes(400 * 1024);
    QVERIFY(m_service->addTrackFile(QStringLiteral("kajian.mp3"), m_body));
    QVERIFY(m_service->start());
    ServiceAddress::setBaseUrl(m_service->baseUrl());
}

void tst_Downloads::cleanup()
{
    m_service.reset();
    m_dir.reset();
}

std::unique_ptr<Downloads> tst_Downloads::makeDownloads()
{
    auto downloads = std::make_unique<Downloads>(folder());
    new QAbstractItemModelTester(
        downloads->list(), QAbstractItemModelTester::FailureReportingMode::QtTest, downloads.get());
    downloads->setTransferTimeout(3s);
    downloads->setResumeDelay(200ms);
    return downloads;
}

QStringList tst_Downloads::partFiles() const
{
    return QDir(folder()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
}

QJsonObject tst_Downloads::stateFile() const
{
    return QJsonDocument::fromJson(readFile(folder() + QStringLiteral("/state.json"))).object();
}

// The range each try asked for. Qt itself may send the same request once more when its
// connection closes: a repeat of the same range is one request of ours.
QStringList tst_Downloads::askedRanges() const
{
    QStringList asked;
    for (const QJsonObject &request : m_service->requests(streamPath)) {
        const QString range = request.value("range").toString();
        if (asked.isEmpty() || asked.last() != range)
            asked << range;
    }
    return asked;
}

bool tst_Downloads::waitUntilIdle(Downloads &downloads, int timeoutMs)
{
    if (!QTest::qWaitFor([&] { return downloads.downloadingIds().isEmpty(); }, timeoutMs))
        return false;
    downloads.waitForWrites(); // the state file as the last change left it
    return true;
}

void tst_Downloads::completes()
{
    auto downloads = makeDownloads();
    QSignalSpy progress(downloads.get(), &Downloads::downloadProgress);
    QSignalSpy rows(downloads.get(), &Downloads::trackStateChanged);
    DownloadListModel *list = downloads->list();
    const auto role = [list](int role) { return list->data(list->index(0), role); };
    QSignalSpy downloading(downloads.get(), &Downloads::downloadingIdsChanged);
    downloads->startDownload(lecture());
    downloads->startDownload(lecture()); // one download per lecture
    QCOMPARE(downloading.count(), 1);
    QVERIFY(downloads->isDownloading(1234));
    QVERIFY(!downloads->isDownloaded(lecture()));
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(role(DownloadListModel::TrackIdRole), QVariant(1234.0));
    QVERIFY(role(DownloadListModel::DownloadingRole).toBool());
    QVERIFY(waitUntilIdle(*downloads));

    const QString file = folder() + QStringLiteral("/1234.mp3");
    QCOMPARE(downloads->fileURL(lecture()), QUrl::fromLocalFile(file));
    QVERIFY(downloads->isDownloaded(lecture()));
    QCOMPARE(readFile(file), m_body);
    QCOMPARE(downloads->downloadedIds(), QSet<qint64>{1234});
    QCOMPARE(downloads->localURLs().value(1234), QUrl::fromLocalFile(file));
    QCOMPARE(stateFile(), (QJsonObject{{"1234", file}}));
    QVERIFY(partFiles().isEmpty());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(),
             (QList<QVariant>{1234ll, qint64(m_body.size()), qint64(m_body.size())}));
    QCOMPARE(rows.count(), 2); // in flight, stored
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->storedCount(), 1);
    QVERIFY(!role(DownloadListModel::DownloadingRole).toBool());
    QCOMPARE(role(DownloadListModel::ProgressRole), QVariant(-1.0));
    QCOMPARE(role(DownloadListModel::FileUrlRole), QVariant(QUrl::fromLocalFile(file)));
    QCOMPARE(m_service->requestCount(streamPath), 1);
}

void tst_Downloads::failedAnswerStoresNothing_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QJsonObject>("fault");
    QTest::addColumn<int>("requests");

    QTest::newRow("404") << "missing.mp3" << QJsonObject() << 1;
    QTest::newRow("500") << "kajian.mp3" << everyFile({{"status", 500}}) << 1;
    QTest::newRow("idle time-out") << "kajian.mp3" << everyFile({{"delay_ms", 6000}}) << 1;
    QTest::newRow("empty body") << "kajian.mp3" << everyFile({{"empty", true}}) << 1;
    QTest::newRow("more than the disk holds") << "huge.mp3" << QJsonObject() << 1;
    // Each try starts again from nothing, or brings too little: given up after three.
    QTest::newRow("dropped on every try, no ranges")
        << "kajian.mp3" << everyFile({{"drop_after", 100000}, {"ranges", false}}) << 4;
    QTest::newRow("cut without a length on every try, no ranges")
        << "kajian.mp3" << everyFile({{"close_after", 100000}, {"ranges", false}}) << 4;
    QTest::newRow("dropped more often than it may resume")
        << "kajian.mp3" << everyFile({{"drop_after", 50000}}) << 4; // the first try, three resumes
}

void tst_Downloads::failedAnswerStoresNothing()
{
    QFETCH(QString, filename);
    QFETCH(QJsonObject, fault);
    QFETCH(int, requests);

    // Sparse: announces terabytes while taking no room itself.
    QFile huge(m_service->rootPath() + QStringLiteral("/huge.mp3"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 42));
    huge.close();
    QVERIFY(m_service->setFaults(fault));
    auto downloads = makeDownloads();
    downloads->setTransferTimeout(500ms);
    downloads->startDownload(lecture().servedAs(filename));
    QVERIFY(waitUntilIdle(*downloads));
    QVERIFY(!downloads->isDownloaded(lecture()));
    QVERIFY(downloads->downloadedIds().isEmpty());
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/state.json")));
    QVERIFY(partFiles().isEmpty());
    // Qt itself may send a request again once when a connection it reused closes.
    QVERIFY(m_service->waitForRequestCount(streamPath, requests));
    const int asked = m_service->requestCount(streamPath);
    QVERIFY2(requests == 1 ? asked == 1 : asked <= requests + 2,
             qPrintable(QString::number(asked)));
    // Where each resume asks for the rest, each try asks for a range of its own.
    const QJsonObject files = fault.value("files").toObject().value("*").toObject();
    if (requests > 1 && files.value("ranges").toBool(true))
        QCOMPARE(askedRanges().size(), requests);

    // Given up for good, yet not sticky: the next start alone fetches the lecture.
    m_service->clearFaults();
    downloads->startDownload(lecture());
    QVERIFY(waitUntilIdle(*downloads));
    QVERIFY(downloads->isDownloaded(lecture()));
    QCOMPARE(m_service->requestCount(streamPath), asked + 1);
}

void tst_Downloads::resumesWhereItWasCut_data()
{
    QTest::addColumn<QJsonObject>("fault");
    QTest::addColumn<QStringList>("ranges"); // asked for by each request in turn

    QTest::newRow("dropped twice")
        << everyFile({{"drop_after", 150000}}) << QStringList{"", "bytes=150000-", "bytes=300000-"};
    // A body without a length looks whole when cut: the service is asked for the rest.
    QTest::newRow("cut without a length") << everyFile({{"close_after", 150000}})
                                          << QStringList{"", "bytes=150000-", "bytes=300000-"};
    QTest::newRow("whole without a length")
        << everyFile({{"close_after", 1 << 30}}) << QStringList{"", "bytes=409600-"};
}

void tst_Downloads::resumesWhereItWasCut()
{
    QFETCH(QJsonObject, fault);
    QFETCH(QStringList, ranges);

    QVERIFY(m_service->setFaults(fault));
    auto downloads = makeDownloads();
    downloads->startDownload(lecture());
    QVERIFY(waitUntilIdle(*downloads));
    QCOMPARE(readFile(folder() + QStringLiteral("/1234.mp3")), m_body);
    QCOMPARE(downloads->downloadedIds(), QSet<qint64>{1234});
    QVERIFY(partFiles().isEmpty());
    QCOMPARE(askedRanges(), ranges);
}

// The connection drops because the service goes away; it comes back on the same address
// (this test runs in a network namespace of its own, so nobody else takes the port).
void tst_Downloads::resumesAcrossAServiceRestart_data()
{
    QTest::addColumn<bool>("fileChanged");
    QTest::newRow("same file: the rest") << false;
    QTest::newRow("file changed meanwhile: the new file whole") << true;
}

void tst_Downloads::resumesAcrossAServiceRestart()
{
    QFETCH(bool, fileChanged);

    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 200 * 1024}})));
    auto downloads = makeDownloads();
    downloads->setResumeDelay(4s); // tries after 1, 2 and 4 s
    downloads->startDownload(lecture());
    QTRY_VERIFY(downloads->bytesReceived(1234) > 0);
    const quint16 port = m_service->port();
    m_service->stop();
    QByteArray served = m_body;
    if (fileChanged) {
        served = randomBytes(300 * 1024).toBase64();
        QVERIFY(m_service->addTrackFile(QStringLiteral("kajian.mp3"), served));
    }
    m_service->clearFaults();
    QVERIFY(m_service->start(port));
    QVERIFY(waitUntilIdle(*downloads, 20000));
    QCOMPARE(readFile(folder() + QStringLiteral("/1234.mp3")), served);
    // The stopped service had no time to log the cut request; the resumed one asked for a
    // range.
    const QList<QJsonObject> requests = m_service->requests(streamPath);
    QVERIFY(!requests.isEmpty());
    QVERIFY(requests.last().value("range").toString().startsWith("bytes="));
    QCOMPARE(requests.last().value("status").toInt(), fileChanged ? 200 : 206);
    QVERIFY(partFiles().isEmpty());
}

void tst_Downloads::cancelDuringTransfer_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("cancel") << false;
    QTest::newRow("remove") << true;
}

void tst_Downloads::cancelDuringTransfer()
{
    QFETCH(bool, remove);

    // Slow enough to be in flight through every check below on a loaded machine.
    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 40 * 1024}})));
    auto downloads = makeDownloads();
    downloads->startDownload(lecture());
    QTRY_VERIFY(downloads->bytesReceived(1234) > 0);
    QCOMPARE(downloads->bytesTotal(1234), qint64(m_body.size()));
    QVERIFY(downloads->progress(1234) > 0 && downloads->progress(1234) < 1);
    const QModelIndex row = downloads->list()->index(0);
    QTRY_VERIFY(row.data(DownloadListModel::ProgressRole).toDouble() > 0);

    if (remove)
        downloads->removeDownload(lecture());
    else
        downloads->toggleDownload(lecture()); // the row's button while in flight
    QVERIFY(!downloads->isDownloading(1234));
    QCOMPARE(downloads->progress(1234), -1.0);
    QCOMPARE(downloads->list()->rowCount(), 0);
    QVERIFY(partFiles().isEmpty());
    downloads->waitForWrites();
    QCOMPARE(QFile::exists(folder() + QStringLiteral("/state.json")), remove);

    // Nothing happens later: a download started after the service saw the cancelled one go
    // completes, and nothing of the cancelled one comes with it.
    QSignalSpy rows(downloads.get(), &Downloads::trackStateChanged);
    QVERIFY(m_service->waitForRequestCount(streamPath, 1));
    QVERIFY(m_service->addTrackFile(QStringLiteral("marker.mp3"), "marker"));
    downloads->startDownload(Lecture(99).servedAs(QStringLiteral("marker.mp3")));
    QVERIFY(waitUntilIdle(*downloads));
    QCOMPARE(downloads->downloadedIds(), QSet<qint64>{99});
    for (const QList<QVariant> &row : rows)
        QCOMPARE(row.first().toLongLong(), 99);
    QVERIFY(!downloads->isDownloaded(lecture()));
    QVERIFY(partFiles().isEmpty());
}

// Downloads share the program's client with the library request: four transfer at once, and
// the library still loads while more lectures wait their turn.
void tst_Downloads::manyDownloadsLeaveTheServiceReachable()
{
    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 20 * 1024}})));
    auto downloads = makeDownloads();
    for (qint64 id = 1; id <= 7; ++id)
        downloads->startDownload(lecture(id));
    QCOMPARE(downloads->downloadingIds().size(), 7);
    QVERIFY(m_service->waitForArrivalCount(streamPath, 4));
    bool answered = false;
    APIClient::fetchTracks(this, [&](const APIClient::FetchResult &) { answered = true; });
    QTRY_VERIFY(answered);
    QVERIFY(!m_service->waitForArrivalCount(streamPath, 5, 0));
    downloads->cancelDownload(lecture(1));
    QVERIFY(m_service->waitForArrivalCount(streamPath, 5));
    QCOMPARE(downloads->downloadingIds().size(), 6);
}

void tst_Downloads::existingFileIsNotFetched()
{
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeFile(folder() + QStringLiteral("/1234.mp3"), "by hand"));
    auto downloads = makeDownloads();
    QVERIFY(downloads->isDownloaded(lecture())); // presence is the file system's word
    QVERIFY(downloads->downloadedIds().isEmpty());
    downloads->startDownload(lecture());
    downloads->toggleDownload(lecture());
    QVERIFY(downloads->downloadingIds().isEmpty());
    // A later download is the marker: only its request reached the service.
    downloads->startDownload(lecture(5));
    QVERIFY(waitUntilIdle(*downloads));
    QCOMPARE(m_service->requestCount(), 1);
    QCOMPARE(readFile(folder() + QStringLiteral("/1234.mp3")), QByteArray("by hand"));
}

void tst_Downloads::destinationAppearingMeanwhileIsKept()
{
    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 1024 * 1024}})));
    auto downloads = makeDownloads();
    downloads->startDownload(lecture());
    QVERIFY(writeFile(folder() + QStringLiteral("/1234.mp3"), "older copy"));
    QVERIFY(waitUntilIdle(*downloads));
    QCOMPARE(readFile(folder() + QStringLiteral("/1234.mp3")), QByteArray("older copy"));
    QCOMPARE(downloads->downloadedIds(), QSet<qint64>{1234});
    QVERIFY(stateFile().contains("1234"));
    QVERIFY(partFiles().isEmpty());
}

void tst_Downloads::vanishedBodyIsNotStored()
{
    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 1024 * 1024}})));
    auto downloads = makeDownloads();
    downloads->startDownload(lecture());
    QCOMPARE(partFiles().size(), 1);
    QVERIFY(QFile::remove(folder() + u'/' + partFiles().constFirst()));
    QVERIFY(waitUntilIdle(*downloads));
    QVERIFY(!downloads->isDownloaded(lecture()));
    QVERIFY(downloads->downloadedIds().isEmpty());
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/state.json")));
}

void tst_Downloads::stateSurvivesRestart()
{
    {
        auto downloads = makeDownloads();
        downloads->startDownload(lecture());
        QVERIFY(waitUntilIdle(*downloads));
        // In flight at quit: neither stored nor in flight afterwards.
        QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 100 * 1024}})));
        downloads->startDownload(lecture(77));
        QTRY_VERIFY(downloads->bytesReceived(77) > 0);
    }
    QVERIFY(partFiles().isEmpty());
    // What a killed program leaves behind goes at the next start.
    QVERIFY(writeFile(folder() + QStringLiteral("/.77.0F0E-LEFT.part"), "partial"));

    auto restarted = makeDownloads();
    QVERIFY(partFiles().isEmpty());
    QCOMPARE(restarted->downloadedIds(), QSet<qint64>{1234});
    QCOMPARE(restarted->list()->storedCount(), 1);
    QVERIFY(restarted->downloadingIds().isEmpty());
    QVERIFY(!restarted->isDownloaded(lecture(77)));
}

// The program's own manager keeps its lectures in the data folder and is never destroyed;
// quitting must still cancel what is in flight and remove its partial body.
void tst_Downloads::processWideManagerLetsGoAtQuit()
{
    TempDataHome home;
    QVERIFY(m_service->setFaults(everyFile({{"throttle_bps", 40 * 1024}})));
    Downloads &shared = Downloads::shared();
    const QString downloads = home.dataFolder() + QStringLiteral("/Downloads");
    QCOMPARE(shared.storeURL(), QUrl::fromLocalFile(downloads));
    QVERIFY(QFileInfo(downloads).isDir()); // created on access
    shared.startDownload(lecture());
    QTRY_VERIFY(shared.bytesReceived(1234) > 0);
    QCOMPARE(QDir(downloads).entryList({"*.part"}, QDir::Files | QDir::Hidden).size(), 1);

    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
    QVERIFY(!shared.isDownloading(1234));
    QVERIFY(QDir(downloads).entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(m_service->waitForRequestCount(streamPath, 1)); // the service saw it go
    QVERIFY(!shared.isDownloaded(lecture()));
}

void tst_Downloads::stateParsing_data()
{
    QTest::addColumn<QByteArray>("document"); // %F: an existing file, %M: a missing one
    QTest::addColumn<QList<qint64>>("expected");
    QTest::addColumn<bool>("damaged"); // kept aside, not read

    QTest::newRow("plain") << QByteArray(R"({"12":"%F"})") << QList<qint64>{12} << false;
    QTest::newRow("plus sign") << QByteArray(R"({"+12":"%F"})") << QList<qint64>{12} << false;
    QTest::newRow("leading zero") << QByteArray(R"({"012":"%F"})") << QList<qint64>{12} << false;
    QTest::newRow("negative") << QByteArray(R"({"-5":"%F"})") << QList<qint64>{-5} << false;
    QTest::newRow("largest") << QByteArray(R"({"9223372036854775807":"%F"})")
                             << QList<qint64>{9223372036854775807ll} << false;
    QTest::newRow("out of range") << QByteArray(R"({"9223372036854775808":"%F","3":"%F"})")
                                  << QList<qint64>{3} << false;
    QTest::newRow("letters and spaces skipped")
        << QByteArray(R"({"abc":"%F"," 12":"%F","12 ":"%F","":"%F","+":"%F","1e3":"%F","4":"%F"})")
        << QList<qint64>{4} << false;
    QTest::newRow("missing file skipped")
        << QByteArray(R"({"12":"%M","13":"%F"})") << QList<qint64>{13} << false;
    QTest::newRow("number value ignores all")
        << QByteArray(R"({"12":"%F","13":5})") << QList<qint64>{} << true;
    QTest::newRow("array") << QByteArray(R"(["%F"])") << QList<qint64>{} << true;
    QTest::newRow("not JSON") << QByteArray(R"({"12":"%F")") << QList<qint64>{} << true;
    QTest::newRow("empty object") << QByteArray("{}") << QList<qint64>{} << false;
}

void tst_Downloads::stateParsing()
{
    QFETCH(QByteArray, document);
    QFETCH(QList<qint64>, expected);
    QFETCH(bool, damaged);

    const QString existing = m_dir->path() + QStringLiteral("/elsewhere.mp3");
    QVERIFY(writeFile(existing, "x"));
    document.replace("%F", existing.toUtf8());
    document.replace("%M", (m_dir->path() + QStringLiteral("/missing.mp3")).toUtf8());
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeFile(folder() + QStringLiteral("/state.json"), document));

    auto downloads = makeDownloads();
    QList<qint64> ids = downloads->downloadedIds().values();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, expected);
    for (qint64 id : expected)
        QCOMPARE(downloads->localURLs().value(id), QUrl::fromLocalFile(existing));
    // A readable file is rewritten only by the next save, without what was dropped; a
    // damaged one is kept aside as it was.
    const QString state = folder() + QStringLiteral("/state.json");
    const QStringList aside = DamagedFile::setAsideCopies(state);
    QCOMPARE(aside.size(), damaged ? 1 : 0);
    QCOMPARE(readFile(damaged ? aside.first() : state), document);
}

void tst_Downloads::removeDeletesOnlyItsOwnFile()
{
    const QString outside = m_dir->path() + QStringLiteral("/precious.mp3");
    QVERIFY(writeFile(outside, "keep me"));
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeFile(folder() + QStringLiteral("/state.json"),
                      QJsonDocument(QJsonObject{{"1234", outside}}).toJson()));
    auto downloads = makeDownloads();
    QCOMPARE(downloads->downloadedIds(), QSet<qint64>{1234});

    downloads->removeDownload(lecture());
    QVERIFY(QFile::exists(outside));
    QVERIFY(downloads->downloadedIds().isEmpty());
    QVERIFY(downloads->localURLs().isEmpty());
    downloads->waitForWrites();
    QCOMPARE(readFile(folder() + QStringLiteral("/state.json")), QByteArray("{}"));

    // A stored lecture goes; one never downloaded still rewrites the state file.
    QVERIFY(writeFile(folder() + QStringLiteral("/1234.mp3"), "stored"));
    downloads->removeDownload(lecture());
    QVERIFY(!downloads->isDownloaded(lecture()));
    downloads->waitForWrites();
    QVERIFY(QFile::remove(folder() + QStringLiteral("/state.json")));
    downloads->removeDownload(lecture(99));
    downloads->waitForWrites();
    QCOMPARE(readFile(folder() + QStringLiteral("/state.json")), QByteArray("{}"));
}

void tst_Downloads::unwritableFolder()
{
    // A plain file where the folder should be: nothing can be created below it.
    const QString blocker = m_dir->path() + QStringLiteral("/blocked");
    QVERIFY(writeFile(blocker, "not a folder"));
    Downloads downloads(blocker + QStringLiteral("/Downloads"));
    QSignalSpy downloading(&downloads, &Downloads::downloadingIdsChanged);
    downloads.startDownload(lecture());
    downloads.removeDownload(lecture());
    QVERIFY(downloading.isEmpty());
    QVERIFY(downloads.downloadedIds().isEmpty());
    // A later download into a usable folder is the marker: only its request reached the service.
    auto marker = makeDownloads();
    marker->startDownload(lecture(5));
    QVERIFY(waitUntilIdle(*marker));
    QCOMPARE(m_service->requestCount(), 1);
}

void tst_Downloads::diskFull()
{
    // The file-size limit makes writes fail as on a full disk (EFBIG instead of a signal).
    auto downloads = makeDownloads();
    struct sigaction ignore = {}, previousAction = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    rlimit previous = {};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);

    downloads->startDownload(lecture());
    const bool idle = waitUntilIdle(*downloads);
    setrlimit(RLIMIT_FSIZE, &previous);
    sigaction(SIGXFSZ, &previousAction, nullptr);

    QVERIFY(idle);
    QVERIFY(!downloads->isDownloaded(lecture()));
    QVERIFY(downloads->downloadedIds().isEmpty());
    QVERIFY(partFiles().isEmpty());
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/state.json")));
}

void tst_Downloads::taskIdHeader()
{
    // The service does not log request headers, so a bare listener reads them.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QStringList taskIds;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket, &taskIds] {
            const QByteArray head = socket->readAll();
            const QRegularExpression header(QStringLiteral("\r\nX-Task-ID: ([^\r]*)\r\n"),
                                            QRegularExpression::CaseInsensitiveOption);
            taskIds.append(header.match(QString::fromLatin1(head)).captured(1));
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\nbody");
            socket->disconnectFromHost();
        });
    });
    ServiceAddress::setBaseUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()));

    auto downloads = makeDownloads();
    downloads->startDownload(lecture(1));
    downloads->startDownload(lecture(2));
    QVERIFY(waitUntilIdle(*downloads));
    QCOMPARE(taskIds.size(), 2);
    const QRegularExpression canonical(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"));
    for (const QString &id : taskIds)
        QVERIFY2(canonical.match(id).hasMatch(), qPrintable(id));
    QVERIFY(taskIds[0] != taskIds[1]);
    QCOMPARE(downloads->downloadedIds(), (QSet<qint64>{1, 2}));
}

QTEST_GUILESS_MAIN(tst_Downloads)
#include "tst_Downloads.moc"
