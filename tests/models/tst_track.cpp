#include "Lecture.h"
#include "models/JsonWriter.h"
#include "models/Library.h"
#include "models/Track.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// A track object with `key` set to `raw` JSON text, or removed when `raw` is empty.
QByteArray trackWith(const QByteArray &key, const QByteArray &raw)
{
    const QByteArray base = R"({"id":7,"filename":"a.mp3","slug":"a","filemtime":1700000000.5,)"
                            R"("ustadz":"Ustadz A","judul":"Judul A"})";
    QJsonObject track = QJsonDocument::fromJson(base).object();
    if (raw.isEmpty())
        track.remove(QLatin1String(key));
    else
        track.insert(QLatin1String(key), QJsonDocument::fromJson('[' + raw + ']').array().first());
    return QJsonDocument(track).toJson(QJsonDocument::Compact);
}

QByteArray libraryWith(const QByteArray &trackObject)
{
    return R"({"status":"success","total_files":1,"data":[)" + trackObject + "]}";
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
    void roundTrip();
    void durationDisplay_data();
    void durationDisplay();
    void streamURL_data();
    void streamURL();
};

void TrackTest::decodeField_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("raw"); // empty: key removed
    QTest::addColumn<bool>("decodes");

    QTest::newRow("base") << QByteArray("unknown") << QByteArray() << true;
    QTest::newRow("unknown key ignored")
        << QByteArray("extra") << QByteArray(R"({"a":[1,null]})") << true;
    // The keys by JSON type (s string, n number, i integral). A required key must be there and
    // not null, an optional one may be absent (as in the base) or null; a value of another type
    // fails, and an integer is also a number.
    const std::tuple<bool, char, QByteArrayList> groups[] = {
        {true, 's', {"filename", "slug", "ustadz", "judul"}},
        {true, 'n', {"filemtime"}},
        {true, 'i', {"id"}},
        {false, 's', {"direct_url", "duration_formatted"}},
        {false, 'n', {"size_mb"}},
        {false, 'i', {"size_bytes", "duration_seconds", "views"}},
    };
    for (const auto &[required, type, keys] : groups) {
        for (const QByteArray &key : keys) {
            const char *name = key.constData();
            if (required)
                QTest::addRow("%s missing", name) << key << QByteArray() << false;
            QTest::addRow("%s null", name) << key << QByteArray("null") << !required;
            QTest::addRow("%s string", name) << key << QByteArray("\"12\"") << (type == 's');
            QTest::addRow("%s 12", name) << key << QByteArray("12") << (type != 's');
            QTest::addRow("%s 12.5", name) << key << QByteArray("12.5") << (type == 'n');
        }
    }
    // Neither booleans nor containers pass for a value.
    QTest::newRow("id true") << QByteArray("id") << QByteArray("true") << false;
    QTest::newRow("filemtime false") << QByteArray("filemtime") << QByteArray("false") << false;
    QTest::newRow("judul array") << QByteArray("judul") << QByteArray("[]") << false;
    QTest::newRow("size_mb object") << QByteArray("size_mb") << QByteArray("{}") << false;
}

void TrackTest::decodeField()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, raw);
    QFETCH(bool, decodes);

    // Through the whole document: one bad track fails it, and the reason names the key.
    QString error;
    QCOMPARE(bool(LibraryResponse::fromJson(libraryWith(trackWith(key, raw)), &error)), decodes);
    if (!decodes)
        QVERIFY2(error.contains(QString::fromLatin1(key)), qPrintable(error));
}

void TrackTest::decodeDocument_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("decodes");

    // A good document but for one member, given again at the end (the last of a key wins), or
    // the whole text.
    const QByteArray good = trackWith("", "");
    const QByteArray empty = R"({"status":"ok","total_files":0,"data":[])";
    QTest::newRow("empty data") << empty + '}' << true;
    QTest::newRow("status number") << empty + R"(,"status":1})" << false;
    QTest::newRow("total_files missing") << QByteArray(R"({"status":"ok","data":[]})") << false;
    QTest::newRow("total_files fractional") << empty + R"(,"total_files":1.5})" << false;
    QTest::newRow("data missing") << QByteArray(R"({"status":"ok","total_files":0})") << false;
    QTest::newRow("data object") << empty + R"(,"data":{}})" << false;
    QTest::newRow("data element not object") << empty + R"(,"data":[)" + good + ",3]}" << false;
    QTest::newRow("top level array") << '[' + good + ']' << false;
    // What the reader refuses (tst_jsonreader's syntax table) fails the document.
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
    QList<qint64> ids;
    for (const Track &track : library->data)
        ids << track.id;
    QCOMPARE(ids, QList<qint64>({3, 1, 2}));
}

// Both writers leave absent optionals out rather than writing null; the order of the members
// carries no meaning.
void TrackTest::encodeLeavesOutAbsentOptionals()
{
    const Track minimal = Lecture(7);
    JsonWriter writer;
    minimal.writeJson(writer);
    const QJsonObject expected{
        {"id", 7},        {"filename", "kajian-7.mp3"}, {"slug", "kajian-7"},
        {"filemtime", 0}, {"ustadz", "Ustadz 7"},       {"judul", "Kajian 7"}};
    QCOMPARE(QJsonDocument::fromJson(writer.result()).object(), expected);
    QCOMPARE(minimal.toJson(), expected);
}

// Every field present, with values that are easy to get wrong (an id past 2^53, text that needs
// escaping or holds an unpaired surrogate, the largest size), written by the store's writer
// and by Qt's (as the test service does), read back through the whole document as the service
// and the cache deliver it. Other extremes are tst_jsonreader's round trips and tst_store's
// extremeIdsRoundTrip.
void TrackTest::roundTrip()
{
    Track track = Lecture(9007199254740993)
                      .servedAs(QStringLiteral("Kajian é & co.mp3"))
                      .by(QStringLiteral("Ustadz \"B\"\n"))
                      .titled(QStringLiteral("Tafsir \u0001 \U0001F600 ") +
                              QChar(char16_t(0xDC00)) + QStringLiteral(" \u007f\t\\"))
                      .lasting(3725)
                      .viewed(-1);
    track.filemtime = 1733480000.123456;
    track.directUrl = QStringLiteral("https://example.org/x.mp3");
    track.sizeBytes = std::numeric_limits<qint64>::max();
    track.sizeMb = 12.25;
    track.durationFormatted = QStringLiteral("1:02:05");
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
    ServiceAddress::setBaseUrl(QStringLiteral("http://127.0.0.1:8787/")); // the slash is dropped
    Track track;
    track.filename = filename;
    track.directUrl = QStringLiteral("https://elsewhere.example/x.mp3");
    track.slug = QStringLiteral("not-used");
    QCOMPARE(ServiceAddress::encodeFileName(filename), QString::fromLatin1(query));
    const QUrl url = track.streamURL();
    QVERIFY(url.isValid());
    QCOMPARE(url.toEncoded(), "http://127.0.0.1:8787/stream.php?file=" + query);
}

QTEST_GUILESS_MAIN(TrackTest)
#include "tst_track.moc"
