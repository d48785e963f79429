#include "Lecture.h"
#include "LectureService.h"
#include "audio/downloads/Downloads.h"
#include "network/APIClient.h"
#include "network/ServiceRequest.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"

#include <QDir>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Answers every connection with fixed bytes: for the answers the reference service is right
// not to give (a 204 without a body, something that is not HTTP at all).
class CannedServer : public QTcpServer
{
public:
    explicit CannedServer(QByteArray answer) : m_answer(std::move(answer))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_received += socket->readAll();
                    if (m_received.contains("\r\n\r\n")) {
                        socket->write(m_answer);
                        socket->disconnectFromHost();
                    }
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

private:
    QByteArray m_answer;
    QByteArray m_received;
};

} // namespace

class APIClientTest : public QObject
{
    Q_OBJECT
private slots:
    void productionLimits();
    void init();

    void fetchesTheLibraryExactly();
    void failures_data();
    void failures();
    void answersTheServiceCannotGive_data();
    void answersTheServiceCannotGive();
    void unreachableServiceWaitsUntilTheDeadline();
    void callbackSkippedWhenContextIsGone();
    void badAudioReportReachesTheService_data();
    void badAudioReportReachesTheService();
    void badAudioReportWaitsForTheService();

private:
    struct Fetched
    {
        APIClient::FetchResult result;
        std::shared_ptr<int> calls; // keeps counting after fetch() returned
    };
    std::optional<Fetched> fetch(int waitMs = 20000);
};

// The limits the program runs with (tests shorten them everywhere else).
void APIClientTest::productionLimits()
{
    APIClient::setTimeouts();
    const ServiceRequest::Options library = APIClient::libraryRequestOptions();
    QCOMPARE(library.idleTimeout, 30s);
    QCOMPARE(library.deadline, 60s);
    QCOMPARE(library.cache, QNetworkRequest::AlwaysNetwork);
    const ServiceRequest::Options report = APIClient::reportRequestOptions();
    QCOMPARE(report.idleTimeout, 15s);
    QCOMPARE(report.deadline, 60s);
    Downloads downloads(QDir::tempPath() + "/unused");
    QCOMPARE(downloads.transferTimeout(), 60s);
    Store store;
    LibraryViewModel libraryViewModel(store);
    QCOMPARE(libraryViewModel.checkPeriod(), 1h);
}

void APIClientTest::init()
{
    APIClient::setTimeouts(2s, 5s);
}

std::optional<APIClientTest::Fetched> APIClientTest::fetch(int waitMs)
{
    // The callback may come after the wait gave up: it writes only into state it shares.
    struct State
    {
        std::optional<Fetched> fetched;
        std::shared_ptr<int> calls = std::make_shared<int>(0);
    };
    auto state = std::make_shared<State>();
    APIClient::fetchTracks(this, [state](const APIClient::FetchResult &result) {
        ++*state->calls;
        state->fetched = Fetched{result, state->calls};
    });
    if (!QTest::qWaitFor([&] { return state->fetched.has_value(); }, waitMs))
        return std::nullopt;
    return state->fetched;
}

void APIClientTest::fetchesTheLibraryExactly()
{
    LectureService service;
    Track full = Lecture(9007199254740993).servedAs("a b.mp3").lasting(3725).viewed(12);
    full.filemtime = 1733480000.5;
    full.directUrl = QStringLiteral("https://example.org/x.mp3");
    full.sizeBytes = 123456789012;
    full.sizeMb = 117.7;
    full.durationFormatted = QStringLiteral("1:02:05");
    const QList<Track> tracks = {full,
                                 Lecture(std::numeric_limits<qint64>::min()).servedAs("b.mp3"),
                                 Lecture(std::numeric_limits<qint64>::max()).servedAs("c.mp3")};
    QVERIFY(service.setTracks(tracks, 9007199254740993));
    QVERIFY(service.start());
    ServiceAddress::setBaseUrl(service.baseUrl());

    const std::optional<Fetched> fetched = fetch();
    QVERIFY(fetched);
    QVERIFY2(fetched->result.library, qPrintable(fetched->result.error.description));
    QCOMPARE(fetched->result.library->totalFiles, 9007199254740993);
    QCOMPARE(fetched->result.library->data, tracks);
    QCOMPARE(service.requestCount("/api.php?action=getTracks"), 1);
    // Once only: a later request's answer is the marker that an extra call would be in by now.
    QVERIFY(fetch());
    QCOMPARE(*fetched->calls, 1);
}

void APIClientTest::failures_data()
{
    QTest::addColumn<QByteArray>("faults"); // empty: a service without a library
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description"); // what the listener reads
    QTest::addColumn<int>("deadlineMs");

    using Kind = APIClient::Error::Kind;
    const QString timeout = QStringLiteral("Waktu permintaan habis.");
    // Other statuses read alike (tst_LibraryViewModel's serviceFailure shows a 500); which
    // documents decode, tst_track's.
    QTest::newRow("no library") << QByteArray() << int(Kind::HttpStatus) << 404
                                << "Kesalahan server: 404" << 3000;
    QTest::newRow("garbage") << QByteArray(R"({"library":{"garbage":true}})") << int(Kind::Decoding)
                             << 0 << "Data tidak dapat dibaca karena formatnya tidak benar."
                             << 3000;
    QTest::newRow("dropped mid-body")
        << QByteArray(R"({"library":{"drop_after":40}})") << int(Kind::Network) << 0
        << "Sambungan ke layanan kajian terputus." << 3000;
    // The deadline lies past the answer, so only the idle limit can end the wait.
    QTest::newRow("idle past the limit") << QByteArray(R"({"library":{"delay_ms":4000}})")
                                         << int(Kind::Timeout) << 0 << timeout << 10000;
    // Data keeps flowing, so only the whole-request deadline ends it.
    QTest::newRow("slow past the deadline") << QByteArray(R"({"library":{"throttle_bps":400}})")
                                            << int(Kind::Timeout) << 0 << timeout << 3000;
}

void APIClientTest::failures()
{
    QFETCH(QByteArray, faults);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QString, description);
    QFETCH(int, deadlineMs);

    LectureService service;
    if (!faults.isEmpty()) {
        QList<Track> tracks;
        for (int i = 1; i <= 20; ++i)
            tracks << Lecture(i).servedAs(QStringLiteral("%1.mp3").arg(i));
        QVERIFY(service.setTracks(tracks));
        QVERIFY(service.setFaults(QJsonDocument::fromJson(faults).object()));
    }
    QVERIFY(service.start());
    ServiceAddress::setBaseUrl(service.baseUrl());
    APIClient::setTimeouts(1s, std::chrono::milliseconds(deadlineMs));

    const std::optional<Fetched> fetched = fetch();
    QVERIFY(fetched);
    QVERIFY(!fetched->result.library);
    QCOMPARE(int(fetched->result.error.kind), kind);
    QCOMPARE(fetched->result.error.code, code);
    QCOMPARE(fetched->result.error.description, description);
    // A failed library request is not repeated by the client itself (a cut answer is logged
    // once the service sees the client go).
    QVERIFY(service.waitForRequestCount("/api.php", 1));
    QCOMPARE(service.requestCount("/api.php"), 1);
}

void APIClientTest::answersTheServiceCannotGive_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("description");

    const QString bad = QStringLiteral("Layanan kajian memberi jawaban yang tidak valid.");
    QTest::newRow("204 without body")
        << QByteArray("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n")
        << int(APIClient::Error::Kind::Decoding)
        << "Data tidak dapat dibaca karena formatnya tidak benar.";
    QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n\r\nnothing here\r\n")
                              << int(APIClient::Error::Kind::BadServerResponse) << bad;
    QTest::newRow("closed without answer")
        << QByteArray() << int(APIClient::Error::Kind::BadServerResponse) << bad;
}

void APIClientTest::answersTheServiceCannotGive()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, kind);
    QFETCH(QString, description);
    CannedServer server(answer);
    QVERIFY(server.isListening());
    ServiceAddress::setBaseUrl(server.baseUrl());
    const std::optional<Fetched> fetched = fetch();
    QVERIFY(fetched);
    QVERIFY(!fetched->result.library);
    QCOMPARE(int(fetched->result.error.kind), kind);
    QCOMPARE(fetched->result.error.description, description);
}

// A refused connection is said at once and is still the reason when the deadline ends the
// wait: it is not a time-out.
void APIClientTest::unreachableServiceWaitsUntilTheDeadline()
{
    LectureService service;
    QVERIFY(service.setTracks({Lecture(1).servedAs("a.mp3")}));
    QVERIFY(service.start());
    ServiceAddress::setBaseUrl(service.baseUrl());
    service.stop();

    APIClient::setTimeouts(1s, 3s);
    std::optional<APIClient::Error> waiting;
    std::optional<APIClient::FetchResult> done;
    APIClient::fetchTracks(
        this, [&](const APIClient::FetchResult &result) { done = result; },
        [&](const APIClient::Error &error) { waiting = error; });
    QTRY_VERIFY(waiting.has_value());
    QVERIFY(!done);
    QCOMPARE(waiting->kind, APIClient::Error::Kind::CannotConnect);
    QCOMPARE(waiting->description, QStringLiteral("Layanan kajian menolak sambungan."));
    QTRY_VERIFY_WITH_TIMEOUT(done.has_value(), 10000);
    QCOMPARE(done->error.kind, APIClient::Error::Kind::CannotConnect);
    QCOMPARE(done->error.description, waiting->description);
}

void APIClientTest::callbackSkippedWhenContextIsGone()
{
    LectureService service;
    QVERIFY(service.setTracks({Lecture(1).servedAs("a.mp3")}));
    QVERIFY(service.setFaults(QJsonObject{{"library", QJsonObject{{"delay_ms", 300}}}}));
    QVERIFY(service.start());
    ServiceAddress::setBaseUrl(service.baseUrl());

    auto *context = new QObject;
    auto called = std::make_shared<bool>(false);
    APIClient::fetchTracks(context, [called](const APIClient::FetchResult &) { *called = true; });
    delete context;
    // A later request's answer is the marker: the first one's has come and gone by then.
    QVERIFY(fetch());
    QCOMPARE(service.requestCount("/api.php"), 2);
    QVERIFY(!*called);
}

void APIClientTest::badAudioReportReachesTheService_data()
{
    QTest::addColumn<qint64>("trackId");
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QByteArray>("querySuffix");

    QTest::newRow("space") << qint64(42) << "a b.mp3"
                           << QByteArray("track_id=42&filename=a%20b.mp3&error=load_error");
    QTest::newRow("delimiters") << qint64(7) << "a&b=c+d #1.mp3"
                                << QByteArray("track_id=7&filename=a%26b%3Dc%2Bd%20%231.mp3"
                                              "&error=load_error");
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << "caf\u00e9.mp3"
                               << QByteArray("track_id=-9223372036854775808&filename=caf%C3%A9.mp3"
                                             "&error=load_error");
}

void APIClientTest::badAudioReportReachesTheService()
{
    QFETCH(qint64, trackId);
    QFETCH(QString, filename);
    QFETCH(QByteArray, querySuffix);

    LectureService service;
    QVERIFY(service.start());
    ServiceAddress::setBaseUrl(service.baseUrl());
    const QByteArray url = APIClient::badAudioURL(trackId, filename).toEncoded();
    QCOMPARE(url, service.baseUrl().toLatin1() + "/api.php?action=logBadAudio&" + querySuffix);

    APIClient::logBadAudio(trackId, filename);
    QTRY_COMPARE(service.badAudioReports().size(), 1);
    const QJsonObject report = service.badAudioReports().first();
    QCOMPARE(report.value("track_id").toString(), QString::number(trackId));
    QCOMPARE(report.value("filename").toString(), filename);
    QCOMPARE(report.value("error").toString(), QStringLiteral("load_error"));
}

void APIClientTest::badAudioReportWaitsForTheService()
{
    LectureService service;
    QVERIFY(service.start());
    const quint16 port = service.port();
    ServiceAddress::setBaseUrl(service.baseUrl());
    service.stop();

    APIClient::setTimeouts(1s, 8s);
    APIClient::logBadAudio(5, QStringLiteral("x.mp3"));
    QTest::qWait(700);
    QVERIFY(service.start(port));
    QTRY_COMPARE_WITH_TIMEOUT(service.badAudioReports().size(), 1, 8000);

    // A report the service refuses or never answers ends quietly: once its request is gone,
    // it was sent once.
    const auto reportEnded = [] {
        return QTest::qWaitFor(
            [] { return APIClient::network()->findChildren<ServiceRequest *>().isEmpty(); }, 5000);
    };
    QVERIFY(reportEnded());
    APIClient::setTimeouts(1s, 3s);
    QVERIFY(service.setFaults(QJsonObject{{"report", QJsonObject{{"status", 500}}}}));
    APIClient::logBadAudio(6, QStringLiteral("y.mp3"));
    QVERIFY(service.waitForRequestCount("/api.php?action=logBadAudio&track_id=6", 1));
    QVERIFY(reportEnded());
    QVERIFY(service.setFaults(QJsonObject{{"report", QJsonObject{{"delay_ms", 5000}}}}));
    APIClient::logBadAudio(7, QStringLiteral("z.mp3"));
    QVERIFY(service.waitForArrivalCount("/api.php?action=logBadAudio&track_id=7", 1));
    QVERIFY(reportEnded());
    QCOMPARE(service.requests("/api.php?action=logBadAudio&track_id=6").size(), 1);
    QVERIFY(!service.waitForArrivalCount("/api.php?action=logBadAudio&track_id=7", 2, 0));
}

QTEST_GUILESS_MAIN(APIClientTest)
#include "tst_apiclient.moc"
