#include "models/JsonReader.h"
#include "models/Library.h"
#include "models/Track.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QList<std::pair<QByteArray, QByteArray>> baseMembers = {
    {"id", "7"},
    {"filename", "\"a.mp3\""},
    {"slug", "\"a\""},
    {"filemtime", "1700000000.5"},
    {"ustadz", "\"Ustadz A\""},
    {"judul", "\"Judul A\""},
};

// A track object from the base members with `key` replaced by `raw` JSON text, or removed
// when `raw` is empty.
QByteArray trackWith(const QByteArray &key, const QByteArray &raw)
{
    QByteArrayList members;
    bool replaced = false;
    for (const auto &[name, value] : baseMembers) {
        if (name == key) {
            replaced = true;
            if (raw.isEmpty())
                continue;
            members << '"' + name + "\":" + raw;
        } else {
            members << '"' + name + "\":" + value;
        }
    }
    if (!replaced && !raw.isEmpty())
        members << '"' + key + "\":" + raw;
    return '{' + members.join(',') + '}';
}

QByteArray libraryWith(const QByteArray &trackObject)
{
    return R"({"status":"success","total_files":1,"data":[)" + trackObject + "]}";
}

Track fullTrack()
{
    Track track;
    track.id = 9007199254740993;
    track.filename = QStringLiteral("Kajian é & co.mp3");
    track.slug = QStringLiteral("kajian-e");
    track.filemtime = 1733480000.123456;
    track.directUrl = QStringLiteral("https://example.org/x.mp3");
    track.ustadz = QStringLiteral("Ustadz \"B\"\n");
    track.judul = QStringLiteral("Tafsir \u0001 \U0001F600");
    track.sizeBytes = std::numeric_limits<qint64>::max();
    track.sizeMb = 12.25;
    track.durationSeconds = 3725;
    track.durationFormatted = QStringLiteral("1:02:05");
    track.views = -1;
    return track;
}

} // namespace

class TrackTest : public QObject
{
    Q_OBJECT
private slots:
    void decodeField_data();
    void decodeField();
    void decodeDocument_data();
    void decodeDocument();
    void documentKeepsOrderAndIgnoresTotal();
    void encodeLeavesOutAbsentOptionals();
    void roundTrip_data();
    void roundTrip();
    void durationDisplay_data();
    void durationDisplay();
    void streamURL_data();
    void streamURL();
    void baseUrlDropsTrailingSlash();
};

void TrackTest::decodeField_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("raw"); // empty: key removed
    QTest::addColumn<bool>("decodes");

    QTest::newRow("base") << QByteArray("unknown") << QByteArray() << true;
    QTest::newRow("unknown key ignored")
        << QByteArray("extra") << QByteArray(R"({"a":[1,null]})") << true;
    // Required keys: missing, null, or another JSON type fail.
    for (const QByteArray key : {"id", "filename", "slug", "filemtime", "ustadz", "judul"}) {
        QTest::addRow("%s missing", key.constData()) << key << QByteArray() << false;
        QTest::addRow("%s null", key.constData()) << key << QByteArray("null") << false;
        QTest::addRow("%s array", key.constData()) << key << QByteArray("[]") << false;
    }
    QTest::newRow("id as string") << QByteArray("id") << QByteArray("\"12\"") << false;
    QTest::newRow("id fractional") << QByteArray("id") << QByteArray("12.5") << false;
    QTest::newRow("id true") << QByteArray("id") << QByteArray("true") << false;
    QTest::newRow("id 12.0") << QByteArray("id") << QByteArray("12.0") << true;
    QTest::newRow("id 1e3") << QByteArray("id") << QByteArray("1e3") << true;
    QTest::newRow("id below int64")
        << QByteArray("id") << QByteArray("-9223372036854775809") << false;
    QTest::newRow("id above int64")
        << QByteArray("id") << QByteArray("9223372036854775808") << false;
    QTest::newRow("id 1e19") << QByteArray("id") << QByteArray("1e19") << false;
    QTest::newRow("filename number") << QByteArray("filename") << QByteArray("5") << false;
    QTest::newRow("filemtime integer") << QByteArray("filemtime") << QByteArray("12") << true;
    QTest::newRow("filemtime string") << QByteArray("filemtime") << QByteArray("\"12\"") << false;
    // Optional keys: absent or null are fine, another type is not.
    for (const QByteArray key : {"direct_url", "size_bytes", "size_mb", "duration_seconds",
                                 "duration_formatted", "views"}) {
        QTest::addRow("%s null", key.constData()) << key << QByteArray("null") << true;
        QTest::addRow("%s object", key.constData()) << key << QByteArray("{}") << false;
    }
    QTest::newRow("size_bytes fractional")
        << QByteArray("size_bytes") << QByteArray("12.5") << false;
    QTest::newRow("size_bytes string") << QByteArray("size_bytes") << QByteArray("\"12\"") << false;
    QTest::newRow("duration_seconds fractional")
        << QByteArray("duration_seconds") << QByteArray("59.9") << false;
    QTest::newRow("views bool") << QByteArray("views") << QByteArray("false") << false;
    QTest::newRow("size_mb integer") << QByteArray("size_mb") << QByteArray("12") << true;
    QTest::newRow("size_mb string") << QByteArray("size_mb") << QByteArray("\"12\"") << false;
    QTest::newRow("direct_url number") << QByteArray("direct_url") << QByteArray("1") << false;
    QTest::newRow("duration_formatted number")
        << QByteArray("duration_formatted") << QByteArray("62") << false;
}

void TrackTest::decodeField()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, raw);
    QFETCH(bool, decodes);

    const QByteArray object = trackWith(key, raw);
    JsonReader reader;
    QVERIFY(reader.parse(object));
    QString error;
    const std::optional<Track> track = Track::fromJson(reader.root(), &error);
    QCOMPARE(bool(track), decodes);
    if (!decodes)
        QVERIFY2(error.contains(QString::fromLatin1(key)), qPrintable(error));
    // One bad track fails the whole document.
    QCOMPARE(bool(LibraryResponse::fromJson(libraryWith(object))), decodes);
}

void TrackTest::decodeDocument_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("decodes");

    const QByteArray good = trackWith("", "");
    QTest::newRow("empty data") << QByteArray(R"({"status":"x","total_files":0,"data":[]})")
                                << true;
    QTest::newRow("status number")
        << QByteArray(R"({"status":1,"total_files":0,"data":[]})") << false;
    QTest::newRow("total_files missing") << QByteArray(R"({"status":"ok","data":[]})") << false;
    QTest::newRow("total_files fractional")
        << QByteArray(R"({"status":"ok","total_files":1.5,"data":[]})") << false;
    QTest::newRow("data missing") << QByteArray(R"({"status":"ok","total_files":0})") << false;
    QTest::newRow("data object") << QByteArray(R"({"status":"ok","total_files":0,"data":{}})")
                                 << false;
    QTest::newRow("data element not object")
        << QByteArray(R"({"status":"ok","total_files":2,"data":[)" + good + ",3]}") << false;
    QTest::newRow("top level array") << QByteArray("[" + good + "]") << false;
    QTest::newRow("trailing garbage") << libraryWith(good) + "x" << false;
    QTest::newRow("truncated") << libraryWith(good).chopped(1) << false;
    QTest::newRow("empty body") << QByteArray() << false;
    QTest::newRow("html") << QByteArray("<html>oops</html>") << false;
}

void TrackTest::decodeDocument()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, decodes);
    QString error;
    QCOMPARE(bool(LibraryResponse::fromJson(document, &error)), decodes);
    QCOMPARE(error.isEmpty(), decodes);
}

void TrackTest::documentKeepsOrderAndIgnoresTotal()
{
    const QByteArray document = R"({"status":"anything","total_files":99,"data":[)" +
                                trackWith("id", "3") + ',' + trackWith("id", "1") + ',' +
                                trackWith("id", "2") + "]}";
    const std::optional<LibraryResponse> library = LibraryResponse::fromJson(document);
    QVERIFY(library);
    QCOMPARE(library->totalFiles, 99);
    QCOMPARE(library->status, QStringLiteral("anything"));
    QCOMPARE(library->data.size(), 3);
    QCOMPARE(library->data[0].id, 3);
    QCOMPARE(library->data[1].id, 1);
    QCOMPARE(library->data[2].id, 2);
}

void TrackTest::encodeLeavesOutAbsentOptionals()
{
    JsonReader reader;
    QVERIFY(reader.parse(trackWith("views", "null")));
    const std::optional<Track> minimal = Track::fromJson(reader.root());
    QVERIFY(minimal);
    QVERIFY(!minimal->views);
    JsonWriter writer;
    minimal->writeJson(writer);
    // The members and their values; their order carries no meaning.
    const QByteArray json = writer.result();
    const QJsonObject expected{{"id", 7},           {"filename", "a.mp3"},   {"slug", "a"},
                               {"filemtime", 1700000000.5}, {"ustadz", "Ustadz A"},
                               {"judul", "Judul A"}};
    QCOMPARE(QJsonDocument::fromJson(json).object(), expected);
    QVERIFY2(!json.contains('\n') && !json.contains("\": ") && !json.contains(", \""),
             json.constData()); // compact
    QCOMPARE(minimal->toJson(), expected);
    QCOMPARE(fullTrack().toJson().size(), 12);
}

void TrackTest::roundTrip_data()
{
    QTest::addColumn<Track>("track");
    Track full = fullTrack();
    QTest::newRow("all fields") << full;
    for (qint64 id : {qint64(9007199254740993), std::numeric_limits<qint64>::min(),
                      std::numeric_limits<qint64>::max(), qint64(0)}) {
        Track track = full;
        track.id = id;
        track.durationSeconds = id;
        QTest::addRow("id %lld", static_cast<long long>(id)) << track;
    }
    Track minimal;
    minimal.filemtime = 1e300;
    QTest::newRow("no optionals") << minimal;
    Track awkward = full;
    awkward.filemtime = -0.000123456789012345;
    awkward.sizeMb = 1e-300;
    awkward.judul =
        QStringLiteral("lone ") + QChar(char16_t(0xDC00)) + QStringLiteral(" \u007f\t\\");
    QTest::newRow("awkward values") << awkward;
}

void TrackTest::roundTrip()
{
    QFETCH(Track, track);
    // Written by the store's writer and by Qt's (as the test service does), read back through
    // the whole document as the service and the cache deliver it.
    JsonWriter writer;
    track.writeJson(writer);
    for (const QByteArray &object :
         {writer.result(), QJsonDocument(track.toJson()).toJson(QJsonDocument::Compact)}) {
        QString error;
        const std::optional<LibraryResponse> library =
            LibraryResponse::fromJson(libraryWith(object), &error);
        QVERIFY2(library, qPrintable(error));
        QCOMPARE(library->data.size(), 1);
        QVERIFY(library->data[0] == track);
        QCOMPARE(library->data[0].id, track.id);
    }
}

void TrackTest::durationDisplay_data()
{
    QTest::addColumn<std::optional<qint64>>("seconds");
    QTest::addColumn<std::optional<QString>>("formatted");
    QTest::addColumn<QString>("expected");

    using S = std::optional<qint64>;
    using F = std::optional<QString>;
    QTest::newRow("formatted wins") << S(10) << F("1:02:03") << "1:02:03";
    QTest::newRow("formatted alone") << S() << F("abc") << "abc";
    QTest::newRow("65") << S(65) << F() << "1:05";
    QTest::newRow("3725 has no hours") << S(3725) << F() << "62:05";
    QTest::newRow("59") << S(59) << F() << "0:59";
    QTest::newRow("0") << S(0) << F() << "0:00";
    QTest::newRow("600") << S(600) << F() << "10:00";
    QTest::newRow("neither") << S() << F() << "-";
}

void TrackTest::durationDisplay()
{
    QFETCH(std::optional<qint64>, seconds);
    QFETCH(std::optional<QString>, formatted);
    QFETCH(QString, expected);
    Track track;
    track.durationSeconds = seconds;
    track.durationFormatted = formatted;
    QCOMPARE(track.durationDisplay(), expected);
}

void TrackTest::streamURL_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QByteArray>("query");

    QTest::newRow("space") << "a b.mp3" << QByteArray("a%20b.mp3");
    QTest::newRow("accent") << "caf\u00e9.mp3" << QByteArray("caf%C3%A9.mp3");
    QTest::newRow("number sign") << "a#1.mp3" << QByteArray("a%231.mp3");
    QTest::newRow("value delimiters") << "a&b=c+d.mp3" << QByteArray("a%26b%3Dc%2Bd.mp3");
    QTest::newRow("kept as they are") << "!$'()*,;:@/?~-._" << QByteArray("!$'()*,;:@/?~-._");
    QTest::newRow("percent") << "100%.mp3" << QByteArray("100%25.mp3");
    QTest::newRow("brackets and quotes")
        << "[x]{y}\"<>\\^`|" << QByteArray("%5Bx%5D%7By%7D%22%3C%3E%5C%5E%60%7C");
    QTest::newRow("four-byte") << "\U0001F600" << QByteArray("%F0%9F%98%80");
    QTest::newRow("empty") << "" << QByteArray();
}

void TrackTest::streamURL()
{
    QFETCH(QString, filename);
    QFETCH(QByteArray, query);
    ServiceAddress::setBaseUrl(QStringLiteral("http://127.0.0.1:8787"));
    Track track;
    track.filename = filename;
    track.directUrl = QStringLiteral("https://elsewhere.example/x.mp3");
    track.slug = QStringLiteral("not-used");
    QCOMPARE(ServiceAddress::encodeFileName(filename), QString::fromLatin1(query));
    const QUrl url = track.streamURL();
    QVERIFY(url.isValid());
    QCOMPARE(url.toEncoded(), "http://127.0.0.1:8787/stream.php?file=" + query);
}

void TrackTest::baseUrlDropsTrailingSlash()
{
    ServiceAddress::setBaseUrl(QStringLiteral("http://127.0.0.1:9/"));
    Track track;
    track.filename = QStringLiteral("x.mp3");
    QCOMPARE(track.streamURL().toString(),
             QStringLiteral("http://127.0.0.1:9/stream.php?file=x.mp3"));
}

QTEST_GUILESS_MAIN(TrackTest)
#include "tst_track.moc"
