#include "models/JsonReader.h"
#include "models/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// The reader's own rules (standard JSON syntax only, numbers kept exactly where they are
// integers) and the writer's output reading back unchanged. Field-level rules are exercised
// through Track and the store's files.
class JsonReaderTest : public QObject
{
    Q_OBJECT
private slots:
    void syntax_data();
    void syntax();
    void numbers_data();
    void numbers();
    void duplicateKeysLastWins();
    void deepNestingFailsCleanly();
    void stringsRoundTrip();
    void doublesRoundTrip_data();
    void doublesRoundTrip();
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
    JsonReader reader;
    QCOMPARE(reader.parse(document), valid);
    QCOMPARE(reader.errorString().isEmpty(), valid);
    QCOMPARE(reader.root().isMissing(), !valid);
}

void JsonReaderTest::numbers_data()
{
    QTest::addColumn<QByteArray>("text");
    // A qint64: an exact integer; a double: a number that is not one; nothing: refused.
    QTest::addColumn<QVariant>("value");

    const auto integer = [](qint64 value) { return QVariant::fromValue(value); };
    const auto real = [](double value) { return QVariant::fromValue(value); };
    const qint64 min = std::numeric_limits<qint64>::min();
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("2^53+1") << QByteArray("9007199254740993") << integer(9007199254740993);
    QTest::newRow("int64 min") << QByteArray("-9223372036854775808") << integer(min);
    QTest::newRow("int64 max") << QByteArray("9223372036854775807") << integer(max);
    QTest::newRow("2^53+1 with fraction zero")
        << QByteArray("9007199254740993.0") << integer(9007199254740993);
    QTest::newRow("int64 min by exponent")
        << QByteArray("-9.223372036854775808e18") << integer(min);
    QTest::newRow("12.0") << QByteArray("12.0") << integer(12);
    QTest::newRow("1e3") << QByteArray("1e3") << integer(1000);
    QTest::newRow("1200e-2") << QByteArray("1200e-2") << integer(12);
    QTest::newRow("-0") << QByteArray("-0") << integer(0);
    QTest::newRow("0.0e5") << QByteArray("0.0e5") << integer(0);
    QTest::newRow("below int64") << QByteArray("-9223372036854775809")
                                 << real(-9223372036854775808.0);
    QTest::newRow("above int64") << QByteArray("9223372036854775808")
                                 << real(9223372036854775808.0);
    QTest::newRow("12.5") << QByteArray("12.5") << real(12.5);
    QTest::newRow("1e-2") << QByteArray("1e-2") << real(0.01);
    QTest::newRow("1e400 overflows") << QByteArray("1e400") << QVariant();
    QTest::newRow("1e-400 underflows to zero") << QByteArray("1e-400") << real(0.0);
    QTest::newRow("fraction rounding to an integer")
        << QByteArray("1.00000000000000000001") << real(1.0);
    QTest::newRow("huge exponent") << QByteArray("1e99999999999999999999") << QVariant();
    QTest::newRow("shortest double") << QByteArray("1733480000.123456") << real(1733480000.123456);
}

void JsonReaderTest::numbers()
{
    QFETCH(QByteArray, text);
    QFETCH(QVariant, value);

    JsonReader reader;
    QCOMPARE(reader.parse("[" + text + "]"), value.isValid());
    if (!value.isValid())
        return;
    const JsonReader::Value number = *reader.root().begin();
    const bool exact = value.typeId() == QMetaType::LongLong;
    QVERIFY(number.number());
    QCOMPARE(bool(number.integral()), exact);
    if (exact)
        QCOMPARE(*number.integral(), value.toLongLong());
    else
        QCOMPARE(*number.number(), value.toDouble());
}

void JsonReaderTest::duplicateKeysLastWins()
{
    JsonReader reader;
    QVERIFY(reader.parse(R"({"a":1,"b":[{"a":5}],"a":2,"\u0061":3})"));
    QCOMPARE(reader.root().member(QLatin1String("a")).integral(), 3);
    QVERIFY(reader.root().member(QLatin1String("c")).isMissing());
    QCOMPARE(reader.root().member(QLatin1String("b")).size(), 1);
}

void JsonReaderTest::deepNestingFailsCleanly()
{
    JsonReader reader;
    QVERIFY(!reader.parse(QByteArray(100000, '[') + QByteArray(100000, ']')));
    QVERIFY2(reader.errorString().contains(QLatin1String("deep")),
             qPrintable(reader.errorString()));
    QVERIFY(reader.parse(QByteArray(100, '[') + QByteArray(100, ']')));
}

void JsonReaderTest::stringsRoundTrip()
{
    // Both writers' escapes read back unchanged, including an unpaired surrogate that some
    // other program may have written.
    const QString text = QStringLiteral("tab\t nl\n quote\" bs\\ ctl\u0001 \u00e9 \U0001F600 ") +
                         QChar(char16_t(0xD800)) + QStringLiteral(" end") + QChar(char16_t(0xDFFF));
    JsonWriter writer;
    writer.beginArray();
    writer.value(text);
    writer.endArray();
    for (const QByteArray &json :
         {writer.result(), QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)}) {
        JsonReader reader;
        QVERIFY2(reader.parse(json), json.constData());
        QCOMPARE((*reader.root().begin()).string(), text);
    }
}

void JsonReaderTest::doublesRoundTrip_data()
{
    QTest::addColumn<double>("value");
    for (double value : {0.1, 1.0 / 3, 1733480000.123456, 5e-324, 1.7976931348623157e308, 1e21,
                         1e18, -2.5e-5, 9007199254740993.0, -0.0, 100.0}) {
        QTest::addRow("%.17g", value) << value;
    }
}

void JsonReaderTest::doublesRoundTrip()
{
    QFETCH(double, value);
    JsonWriter writer;
    writer.beginArray();
    writer.value(value);
    writer.endArray();
    JsonReader reader;
    QVERIFY2(reader.parse(writer.result()), writer.result().constData());
    QCOMPARE(*(*reader.root().begin()).number(), value);
}

QTEST_GUILESS_MAIN(JsonReaderTest)
#include "tst_jsonreader.moc"
