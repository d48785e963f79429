#include "models/JsonReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// The reader's own rules: standard JSON syntax only, and numbers kept exactly where they are
// integers. Field-level rules are exercised through Track and the store's files.
class JsonReaderTest : public QObject
{
    Q_OBJECT
private slots:
    void syntax_data();
    void syntax();
    void numbers_data();
    void numbers();
    void deepNestingFailsCleanly();
    void stringsRoundTripThroughTheWriter();
};

void JsonReaderTest::syntax_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("valid");

    QTest::newRow("object") << QByteArray(R"( {"a" : [1, "x", true, false, null]} )") << true;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[1]") << true;
    QTest::newRow("scalar document") << QByteArray("\"x\"") << true;
    QTest::newRow("escapes") << QByteArray(R"(["\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00"])") << true;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("only space") << QByteArray(" \n") << false;
    QTest::newRow("leading zero") << QByteArray("[01]") << false;
    QTest::newRow("leading point") << QByteArray("[.5]") << false;
    QTest::newRow("trailing point") << QByteArray("[1.]") << false;
    QTest::newRow("plus sign") << QByteArray("[+1]") << false;
    QTest::newRow("bare exponent") << QByteArray("[1e]") << false;
    QTest::newRow("hex") << QByteArray("[0x10]") << false;
    QTest::newRow("NaN") << QByteArray("[NaN]") << false;
    QTest::newRow("trailing comma") << QByteArray("[1,]") << false;
    QTest::newRow("object trailing comma") << QByteArray(R"({"a":1,})") << false;
    QTest::newRow("unquoted key") << QByteArray("{a:1}") << false;
    QTest::newRow("single quotes") << QByteArray("['a']") << false;
    QTest::newRow("raw tab in string") << QByteArray("[\"a\tb\"]") << false;
    QTest::newRow("raw newline in string") << QByteArray("[\"a\nb\"]") << false;
    QTest::newRow("invalid UTF-8") << QByteArray("[\"\xff\"]") << false;
    QTest::newRow("overlong UTF-8") << QByteArray("[\"\xc0\xaf\"]") << false;
    QTest::newRow("encoded surrogate") << QByteArray("[\"\xed\xa0\x80\"]") << false;
    QTest::newRow("truncated UTF-8") << QByteArray("[\"\xe2\x82\"]") << false;
    QTest::newRow("bad escape") << QByteArray(R"(["\x"])") << false;
    QTest::newRow("short unicode escape") << QByteArray(R"(["\u12"])") << false;
    QTest::newRow("unterminated string") << QByteArray(R"(["abc)") << false;
    QTest::newRow("two documents") << QByteArray("[1] [2]") << false;
    QTest::newRow("truncated literal") << QByteArray("[tru]") << false;
    QTest::newRow("NUL after document") << QByteArray("[1]\0", 4) << false;
}

void JsonReaderTest::syntax()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, valid);
    QString error;
    QCOMPARE(bool(JsonReader::parse(document, &error)), valid);
    QCOMPARE(error.isEmpty(), valid);
}

void JsonReaderTest::numbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("isInteger");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<double>("real");

    const qint64 min = std::numeric_limits<qint64>::min();
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("2^53+1") << QByteArray("9007199254740993") << true << true
                            << qint64(9007199254740993) << 0.0;
    QTest::newRow("int64 min") << QByteArray("-9223372036854775808") << true << true << min << 0.0;
    QTest::newRow("int64 max") << QByteArray("9223372036854775807") << true << true << max << 0.0;
    QTest::newRow("2^53+1 with fraction zero")
        << QByteArray("9007199254740993.0") << true << true << qint64(9007199254740993) << 0.0;
    QTest::newRow("int64 min by exponent")
        << QByteArray("-9.223372036854775808e18") << true << true << min << 0.0;
    QTest::newRow("12.0") << QByteArray("12.0") << true << true << qint64(12) << 0.0;
    QTest::newRow("1e3") << QByteArray("1e3") << true << true << qint64(1000) << 0.0;
    QTest::newRow("1200e-2") << QByteArray("1200e-2") << true << true << qint64(12) << 0.0;
    QTest::newRow("-0") << QByteArray("-0") << true << true << qint64(0) << 0.0;
    QTest::newRow("0.0e5") << QByteArray("0.0e5") << true << true << qint64(0) << 0.0;
    QTest::newRow("below int64") << QByteArray("-9223372036854775809") << true << false << qint64(0)
                                 << -9223372036854775808.0;
    QTest::newRow("above int64") << QByteArray("9223372036854775808") << true << false << qint64(0)
                                 << 9223372036854775808.0;
    QTest::newRow("12.5") << QByteArray("12.5") << true << false << qint64(0) << 12.5;
    QTest::newRow("1e-2") << QByteArray("1e-2") << true << false << qint64(0) << 0.01;
    QTest::newRow("1e400 overflows") << QByteArray("1e400") << false << false << qint64(0) << 0.0;
    // Not an integer, but indistinguishable from one once it is a double, as with any reader
    // that keeps fractions in doubles.
    QTest::newRow("1e-400 underflows to zero")
        << QByteArray("1e-400") << true << true << qint64(0) << 0.0;
    QTest::newRow("huge exponent")
        << QByteArray("1e99999999999999999999") << false << false << qint64(0) << 0.0;
    QTest::newRow("shortest double")
        << QByteArray("1733480000.123456") << true << false << qint64(0) << 1733480000.123456;
}

void JsonReaderTest::numbers()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(bool, isInteger);
    QFETCH(qint64, integer);
    QFETCH(double, real);

    const std::optional<QJsonValue> document = JsonReader::parse("[" + text + "]");
    QCOMPARE(bool(document), valid);
    if (!valid)
        return;
    const QJsonValue value = document->toArray().at(0);
    const std::optional<qint64> exact = JsonReader::integral(value);
    QCOMPARE(bool(exact), isInteger);
    if (isInteger)
        QCOMPARE(*exact, integer);
    else
        QCOMPARE(value.toDouble(), real);
}

void JsonReaderTest::deepNestingFailsCleanly()
{
    const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
    QString error;
    QVERIFY(!JsonReader::parse(deep, &error));
    QVERIFY2(error.contains(QLatin1String("deep")), qPrintable(error));
    const QByteArray fine = QByteArray(100, '[') + QByteArray(100, ']');
    QVERIFY(JsonReader::parse(fine));
}

void JsonReaderTest::stringsRoundTripThroughTheWriter()
{
    // Qt's writer escapes what the reader must take back unchanged, including an unpaired
    // surrogate that some other program may have written.
    const QString text = QStringLiteral("tab\t nl\n quote\" bs\\ ctl\u0001 \u00e9 \U0001F600 ") +
                         QChar(char16_t(0xD800)) + QStringLiteral(" end");
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    const std::optional<QJsonValue> back = JsonReader::parse(json);
    QVERIFY(back);
    QCOMPARE(back->toArray().at(0).toString(), text);
}

QTEST_GUILESS_MAIN(JsonReaderTest)
#include "tst_jsonreader.moc"
