// The reference lecture service over real HTTP: what the client, download and playback tests
// rely on and do not meet themselves (HTTP edge cases, paths out of the root, the log).
#include "Fixtures.h"
#include "LectureService.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
struct Answer
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // lower-case names

    QByteArray header(const QByteArray &name) const { return headers.value(name); }
};

// Distinct, incompressible bytes per file, so a body tells which file it came from.
QByteArray bytesFor(const QString &name, int size)
{
    QRandomGenerator generator(qHash(name));
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

const QString kMain = "kajian.mp3";
constexpr int kMainSize = 200000;
const QString kAccented = QString::fromUtf8("a b é+.mp3");
const QString kDelimiters = "a&b=c+d.mp3";
const QString kPlain = "a b.mp3";
const QByteArray kLibrary =
    R"({"status":"success","total_files":1,"data":[{"id":1,"filename":"kajian.mp3",)"
    R"("slug":"kajian","filemtime":1,"ustadz":"Ustadz A","judul":"Kajian"}]})";
} // namespace

class TestLectureService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startFailsWithoutRootFolder();
    void mp3FixtureIsRealAudio();

    void ranges_data();
    void ranges();
    void headAnswersWithoutBody();

    void fileNames_data();
    void fileNames();
    void traversalNeverYieldsTheFile_data();
    void traversalNeverYieldsTheFile();
    void otherRequests_data();
    void otherRequests();

    void faults_data();
    void faults();
    void faultsApplyPerFileAndAreReadPerRequest();

    void clientThatHangsUpIsLoggedAsCut();
    void concurrentDownloadsComplete();

private:
    Answer fetch(const QUrl &url, const QByteArray &range = {}, const QByteArray &verb = "GET",
                 const QByteArray &ifRange = {});
    QUrl streamUrl(const QString &name) const
    {
        return m_service.url("/stream.php?file=" + QUrl::toPercentEncoding(name));
    }

    LectureService m_service;
    QNetworkAccessManager m_nam;
    QString m_secretPath;
    QByteArray m_secret;
};

Answer TestLectureService::fetch(const QUrl &url, const QByteArray &range, const QByteArray &verb,
                                 const QByteArray &ifRange)
{
    QNetworkRequest request(url);
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    if (!ifRange.isEmpty())
        request.setRawHeader("If-Range", ifRange);
    std::unique_ptr<QNetworkReply> reply(verb == "HEAD" ? m_nam.head(request)
                                                        : m_nam.sendCustomRequest(request, verb));
    Answer answer;
    // Read as it arrives: a reply cut short still hands over what came before the cut.
    connect(reply.get(), &QNetworkReply::readyRead, reply.get(),
            [&] { answer.body += reply->readAll(); });
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(30000);
    answer.body += reply->readAll();
    answer.error = reply->error();
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto &[name, value] : reply->rawHeaderPairs())
        answer.headers.insert(name.toLower(), value);
    return answer;
}

void TestLectureService::initTestCase()
{
    QVERIFY(m_service.setLibrary(kLibrary));
    for (const QString &name :
         {kMain, kAccented, kDelimiters, kPlain, QString("a"), QString("sub/inner.mp3")}) {
        QVERIFY(m_service.addTrackFile(name, bytesFor(name, name == kMain ? kMainSize : 5000)));
    }
    QVERIFY(m_service.addTrackFile("empty.mp3", {}));
    QVERIFY(m_service.addMp3("tone.mp3", 5));

    // A file beside the root, and links that lead to it and to a file inside.
    m_secretPath = m_service.rootPath() + "/../secret.mp3";
    m_secret = bytesFor("secret", 3000);
    QFile secret(m_secretPath);
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write(m_secret);
    secret.close();
    QVERIFY(QFile::link(m_secretPath, m_service.rootPath() + "/link-out.mp3"));
    QVERIFY(QFile::link(m_service.rootPath() + "/" + kMain, m_service.rootPath() + "/link-in.mp3"));

    QVERIFY(m_service.start());
    QVERIFY(m_service.isRunning());
    QCOMPARE(m_service.baseUrl(), QString("http://127.0.0.1:%1").arg(m_service.port()));
}

void TestLectureService::init()
{
    m_service.clearFaults();
    m_service.clearLog();
}

void TestLectureService::startFailsWithoutRootFolder()
{
    LectureService missing(m_service.rootPath() + "/no-such-folder");
    QTest::ignoreMessage(QtWarningMsg, "LectureService: the service did not start listening");
    QVERIFY(!missing.start());
    QVERIFY(!missing.isRunning());
}

// That it decodes and lasts as long as asked, the playback tests show; here: its bit rate, on
// which their byte counts rest.
void TestLectureService::mp3FixtureIsRealAudio()
{
    QFile file(Fixtures::mp3(5));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // 32 kbit/s for 5 s is 20000 bytes; the encoder adds a frame or two of padding.
    QVERIFY2(file.size() > 19000 && file.size() < 23000, QByteArray::number(file.size()));
}

void TestLectureService::ranges_data()
{
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("first"); // expected slice; -1 for no body of the file
    QTest::addColumn<qint64>("last");

    const qint64 end = kMainSize - 1;
    QTest::newRow("middle") << QByteArray("bytes=1000-1999") << 206 << qint64(1000) << qint64(1999);
    QTest::newRow("suffix") << QByteArray("bytes=-500") << 206 << kMainSize - 500LL << end;
    QTest::newRow("suffix longer than file")
        << QByteArray("bytes=-999999") << 206 << qint64(0) << end;
    QTest::newRow("end past the file is clamped")
        << QByteArray("bytes=199990-300000") << 206 << qint64(199990) << end;
    QTest::newRow("last byte") << QByteArray("bytes=199999-199999") << 206 << end << end;
    QTest::newRow("start at size")
        << QByteArray("bytes=200000-") << 416 << qint64(-1) << qint64(-1);
    QTest::newRow("empty suffix") << QByteArray("bytes=-0") << 416 << qint64(-1) << qint64(-1);
    QTest::newRow("reversed is ignored") << QByteArray("bytes=500-100") << 200 << qint64(0) << end;
    QTest::newRow("several ranges are ignored")
        << QByteArray("bytes=0-1,5-6") << 200 << qint64(0) << end;
    QTest::newRow("other unit is ignored") << QByteArray("items=0-5") << 200 << qint64(0) << end;
}

void TestLectureService::ranges()
{
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(qint64, first);
    QFETCH(qint64, last);

    const QByteArray file = bytesFor(kMain, kMainSize);
    const Answer answer = fetch(streamUrl(kMain), range);
    QCOMPARE(answer.status, status);
    const QByteArray size = QByteArray::number(kMainSize);
    if (status == 416) {
        QCOMPARE(answer.header("content-range"), "bytes */" + size);
        QVERIFY(!answer.body.contains(file.left(64)));
    } else {
        QCOMPARE(answer.body.size(), last - first + 1);
        QVERIFY(answer.body == file.mid(first, last - first + 1));
        QCOMPARE(answer.header("content-type"), "audio/mpeg");
        QCOMPARE(answer.header("accept-ranges"), "bytes");
        QCOMPARE(answer.header("content-length"), QByteArray::number(last - first + 1));
        if (status == 206) {
            QCOMPARE(answer.header("content-range"), "bytes " + QByteArray::number(first) + '-' +
                                                         QByteArray::number(last) + '/' + size);
        } else {
            QVERIFY(!answer.headers.contains("content-range"));
        }
    }

    // The status and range logged, tst_Downloads's resume tests read; here the bytes.
    QVERIFY(m_service.waitForRequestCount("/stream.php", 1));
    QCOMPARE(m_service.requests("/stream.php").constLast().value("bytes").toInteger(),
             status == 416 ? answer.body.size() : last - first + 1);
}

void TestLectureService::headAnswersWithoutBody()
{
    const Answer whole = fetch(streamUrl(kMain), {}, "HEAD");
    QCOMPARE(whole.status, 200);
    QVERIFY(whole.body.isEmpty());
    QCOMPARE(whole.header("content-length"), QByteArray::number(kMainSize));
    QCOMPARE(whole.header("accept-ranges"), "bytes");

    const Answer part = fetch(streamUrl(kMain), "bytes=10-19", "HEAD");
    QCOMPARE(part.status, 206);
    QVERIFY(part.body.isEmpty());
    QCOMPARE(part.header("content-length"), "10");

    // The connection stays usable after a body-less answer.
    QCOMPARE(fetch(streamUrl(kMain), "bytes=0-3").body, bytesFor(kMain, kMainSize).left(4));
    QVERIFY(m_service.waitForRequestCount("/stream.php", 3));
    QCOMPARE(m_service.requests().constFirst().value("method").toString(), "HEAD");
    QCOMPARE(m_service.requests().constFirst().value("bytes").toInteger(), 0);
}

void TestLectureService::fileNames_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("servedFile"); // empty: no file is served

    QTest::newRow("space, accent and plus encoded")
        << QByteArray("/stream.php?file=a%20b%20%C3%A9%2B.mp3") << kAccented;
    // What a client that leaves '&', '=' and '+' alone gets: the query splits at '&' and '+'
    // turns into a space, so another file (or none) answers.
    QTest::newRow("delimiters unencoded fetch another file")
        << QByteArray("/stream.php?file=a&b=c+d.mp3") << QString("a");
    QTest::newRow("plus as space finds the spaced name")
        << QByteArray("/stream.php?file=a+b.mp3") << kPlain;
    QTest::newRow("file in a sub-folder")
        << QByteArray("/stream.php?file=sub%2Finner.mp3") << QString("sub/inner.mp3");
    QTest::newRow("link inside the root") << QByteArray("/stream.php?file=link-in.mp3") << kMain;
    QTest::newRow("other keys around it")
        << QByteArray("/stream.php?x=1&file=a%20b.mp3&y=2") << kPlain;
    QTest::newRow("missing file") << QByteArray("/stream.php?file=nope.mp3") << QString();
    QTest::newRow("empty file is served empty")
        << QByteArray("/stream.php?file=empty.mp3") << QString("empty.mp3");
}

void TestLectureService::fileNames()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, servedFile);

    const Answer answer = fetch(m_service.url(target));
    if (servedFile.isEmpty()) {
        QCOMPARE(answer.status, 404);
        return;
    }
    QCOMPARE(answer.status, 200);
    QFile file(m_service.rootPath() + "/" + servedFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(answer.body == file.readAll());
    QVERIFY(m_service.waitForRequestCount("/stream.php", 1));
    QCOMPARE(m_service.requests().constLast().value("target").toString().toUtf8(), target);
}

void TestLectureService::traversalNeverYieldsTheFile_data()
{
    QTest::addColumn<QByteArray>("target");

    const QByteArray absolute = QUrl::toPercentEncoding(QFileInfo(m_secretPath).absoluteFilePath());
    QTest::newRow("dot dot") << QByteArray("/stream.php?file=../secret.mp3");
    QTest::newRow("dot dot encoded") << QByteArray("/stream.php?file=%2e%2e%2fsecret.mp3");
    QTest::newRow("dot dot upper-case escapes")
        << QByteArray("/stream.php?file=%2E%2E%2Fsecret.mp3");
    QTest::newRow("through a sub-folder") << QByteArray("/stream.php?file=sub/../../secret.mp3");
    QTest::newRow("far up") << QByteArray("/stream.php?file=../../../../../../etc/passwd");
    QTest::newRow("absolute path") << "/stream.php?file=" + absolute;
    QTest::newRow("link out of the root") << QByteArray("/stream.php?file=link-out.mp3");
    QTest::newRow("backslashes") << QByteArray("/stream.php?file=..%5Csecret.mp3");
    QTest::newRow("NUL byte") << QByteArray("/stream.php?file=kajian.mp3%00../../secret.mp3");
    QTest::newRow("root itself") << QByteArray("/stream.php?file=.");
    QTest::newRow("sub-folder itself") << QByteArray("/stream.php?file=sub");
    QTest::newRow("empty name") << QByteArray("/stream.php?file=");
}

void TestLectureService::traversalNeverYieldsTheFile()
{
    QFETCH(QByteArray, target);

    for (const QByteArray &range : {QByteArray(), QByteArray("bytes=0-")}) {
        const Answer answer = fetch(m_service.url(target), range);
        QVERIFY2(answer.status == 403 || answer.status == 404, QByteArray::number(answer.status));
        QVERIFY(!answer.body.contains(m_secret.left(32)));
        QVERIFY(!answer.body.contains("root:"));
    }
}

void TestLectureService::otherRequests_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("status");

    QTest::newRow("POST") << QByteArray("POST") << QByteArray("/api.php?action=getTracks") << 405;
    QTest::newRow("unknown action") << QByteArray("GET") << QByteArray("/api.php?action=x") << 400;
    QTest::newRow("no action") << QByteArray("GET") << QByteArray("/api.php") << 400;
    QTest::newRow("stream without file") << QByteArray("GET") << QByteArray("/stream.php") << 400;
    QTest::newRow("other address") << QByteArray("GET") << QByteArray("/library.json") << 404;
}

void TestLectureService::otherRequests()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, target);
    QFETCH(int, status);
    QCOMPARE(fetch(m_service.url(target), {}, verb).status, status);
}

// Faults no client test meets; the others are met by tst_apiclient (the library's), tst_Downloads
// and tst_mpvplayback (the files').
void TestLectureService::faults_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<QString>("expect"); // status:<n> | cut:0 | whole

    const QByteArray stream = "/stream.php?file=kajian.mp3";
    QTest::newRow("library drop at once")
        << QJsonObject{{"library", QJsonObject{{"drop_after", 0}}}}
        << QByteArray("/api.php?action=getTracks") << QByteArray() << "cut:0";
    QTest::newRow("file without ranges")
        << QJsonObject{{"ranges", false}} << stream << QByteArray("bytes=100-") << "whole";
    QTest::newRow("delay then status")
        << QJsonObject{{"files",
                        QJsonObject{{kMain, QJsonObject{{"delay_ms", 300}, {"status", 502}}}}}}
        << stream << QByteArray() << "status:502";
    QTest::newRow("report status") << QJsonObject{{"report", QJsonObject{{"status", 500}}}}
                                   << QByteArray("/api.php?action=logBadAudio&track_id=1&"
                                                 "filename=kajian.mp3&error=load_error")
                                   << QByteArray() << "status:500";
}

void TestLectureService::faults()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, range);
    QFETCH(QString, expect);

    const QByteArray good = target.contains("getTracks") ? kLibrary : bytesFor(kMain, kMainSize);
    QVERIFY(m_service.setFaults(faults));
    const Answer answer = fetch(m_service.url(target), range);

    if (expect.startsWith("status:")) {
        QCOMPARE(answer.status, expect.section(':', 1).toInt());
        QVERIFY(!answer.body.contains(good.left(32)));
    } else if (expect == "cut:0") {
        // The head promised a body of which nothing arrived.
        QVERIFY(answer.header("content-length").toLongLong() > 0);
        QVERIFY(answer.body.isEmpty());
        QVERIFY(m_service.waitForRequestCount(QString::fromLatin1(target), 1));
        const QJsonObject entry = m_service.requests().constLast();
        QCOMPARE(entry.value("bytes").toInteger(), 0);
        QVERIFY(entry.value("cut").toBool());
    } else {
        QCOMPARE(answer.status, 200);
        QVERIFY(answer.body == good);
        QVERIFY(!answer.headers.contains("content-range"));
        QVERIFY(!answer.headers.contains("accept-ranges"));
    }
}

// Per file and read again on every request the client tests show; here what they do not.
void TestLectureService::faultsApplyPerFileAndAreReadPerRequest()
{
    QVERIFY(m_service.setFaults({{"files", QJsonObject{{kMain, QJsonObject{{"status", 503}}}}}}));
    QCOMPARE(fetch(streamUrl(kMain)).status, 503);
    QCOMPARE(fetch(streamUrl("link-in.mp3")).status, 200); // keyed by the name asked for

    // A broken faults file means no faults, not a broken service.
    QVERIFY(m_service.addTrackFile("faults.json", "{not json"));
    QCOMPARE(fetch(streamUrl(kMain)).status, 200);
}

void TestLectureService::clientThatHangsUpIsLoggedAsCut()
{
    QVERIFY(m_service.setFaults(
        {{"files", QJsonObject{{kMain, QJsonObject{{"throttle_bps", 50000}}}}}}));
    std::unique_ptr<QNetworkReply> reply(m_nam.get(QNetworkRequest(streamUrl(kMain))));
    QTRY_VERIFY(reply->bytesAvailable() > 0);
    reply->abort();

    QVERIFY(m_service.waitForRequestCount("/stream.php", 1));
    const QJsonObject entry = m_service.requests().constLast();
    QCOMPARE(entry.value("status").toInt(), 200);
    QVERIFY(entry.value("cut").toBool());
    QVERIFY(entry.value("bytes").toInteger() > 0);
    QVERIFY(entry.value("bytes").toInteger() < kMainSize);
    // The service carries on.
    QCOMPARE(fetch(streamUrl(kPlain)).status, 200);
}

void TestLectureService::concurrentDownloadsComplete()
{
    QVERIFY(m_service.addMp3("long.mp3", 120));
    QFile file(m_service.rootPath() + "/long.mp3");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    // Separate managers, so each download has its own connection at the same time.
    constexpr int kClients = 12;
    std::vector<std::unique_ptr<QNetworkAccessManager>> managers;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int i = 0; i < kClients; ++i) {
        managers.push_back(std::make_unique<QNetworkAccessManager>());
        QNetworkRequest request(streamUrl("long.mp3"));
        if (i % 2)
            request.setRawHeader("Range", "bytes=" + QByteArray::number(i * 1000) + "-");
        replies.emplace_back(managers.back()->get(request));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(replies.begin(), replies.end(),
                                         [](const auto &reply) { return reply->isFinished(); }),
                             60000);
    for (int i = 0; i < kClients; ++i) {
        QCOMPARE(replies[i]->error(), QNetworkReply::NoError);
        QVERIFY(replies[i]->readAll() == bytes.mid(i % 2 ? i * 1000 : 0));
    }
    QVERIFY(m_service.waitForRequestCount("/stream.php?file=long.mp3", kClients));
}

QTEST_GUILESS_MAIN(TestLectureService)
#include "tst_lecture_service.moc"
