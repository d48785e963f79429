#include "models/JsonReader.h"

#include <QJsonArray>

#include <charconv>
#include <cstring>

namespace {

// Deep enough for any document the program reads; shallow enough that hostile input cannot
// exhaust the stack.
constexpr int MaxDepth = 512;

class Parser
{
public:
    Parser(const char *begin, const char *end) : m_pos(begin), m_begin(begin), m_end(end) {}

    std::optional<QJsonValue> document()
    {
        if (m_end - m_pos >= 3 && std::memcmp(m_pos, "\xEF\xBB\xBF", 3) == 0)
            m_pos += 3;
        QJsonValue result;
        if (!value(result, 0))
            return std::nullopt;
        skipSpace();
        if (m_pos != m_end)
            return fail("unexpected data after the document");
        return result;
    }

    QString error() const
    {
        return QStringLiteral("%1 at offset %2").arg(m_error).arg(m_errorOffset);
    }

private:
    std::nullopt_t fail(const char *reason)
    {
        if (m_error.isEmpty()) {
            m_error = QString::fromLatin1(reason);
            m_errorOffset = m_pos - m_begin;
        }
        return std::nullopt;
    }

    void skipSpace()
    {
        while (m_pos != m_end &&
               (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
            ++m_pos;
    }

    bool literal(const char *word, size_t length)
    {
        if (size_t(m_end - m_pos) < length || std::memcmp(m_pos, word, length) != 0)
            return false;
        m_pos += length;
        return true;
    }

    bool value(QJsonValue &out, int depth)
    {
        skipSpace();
        if (m_pos == m_end) {
            fail("unexpected end of document");
            return false;
        }
        switch (*m_pos) {
        case '{':
            return object(out, depth + 1);
        case '[':
            return array(out, depth + 1);
        case '"': {
            QString text;
            if (!string(text))
                return false;
            out = QJsonValue(text);
            return true;
        }
        case 't':
            if (literal("true", 4)) {
                out = QJsonValue(true);
                return true;
            }
            break;
        case 'f':
            if (literal("false", 5)) {
                out = QJsonValue(false);
                return true;
            }
            break;
        case 'n':
            if (literal("null", 4)) {
                out = QJsonValue(QJsonValue::Null);
                return true;
            }
            break;
        default:
            if (*m_pos == '-' || (*m_pos >= '0' && *m_pos <= '9'))
                return number(out);
        }
        fail("invalid value");
        return false;
    }

    bool object(QJsonValue &out, int depth)
    {
        if (depth > MaxDepth) {
            fail("nesting too deep");
            return false;
        }
        ++m_pos; // '{'
        QJsonObject result;
        skipSpace();
        if (m_pos != m_end && *m_pos == '}') {
            ++m_pos;
            out = result;
            return true;
        }
        for (;;) {
            skipSpace();
            if (m_pos == m_end || *m_pos != '"') {
                fail("expected a key");
                return false;
            }
            QString key;
            if (!string(key))
                return false;
            skipSpace();
            if (m_pos == m_end || *m_pos != ':') {
                fail("expected ':'");
                return false;
            }
            ++m_pos;
            QJsonValue member;
            if (!value(member, depth))
                return false;
            result.insert(key, member);
            skipSpace();
            if (m_pos != m_end && *m_pos == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos != m_end && *m_pos == '}') {
                ++m_pos;
                out = result;
                return true;
            }
            fail("expected ',' or '}'");
            return false;
        }
    }

    bool array(QJsonValue &out, int depth)
    {
        if (depth > MaxDepth) {
            fail("nesting too deep");
            return false;
        }
        ++m_pos; // '['
        QJsonArray result;
        skipSpace();
        if (m_pos != m_end && *m_pos == ']') {
            ++m_pos;
            out = result;
            return true;
        }
        for (;;) {
            QJsonValue element;
            if (!value(element, depth))
                return false;
            result.append(element);
            skipSpace();
            if (m_pos != m_end && *m_pos == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos != m_end && *m_pos == ']') {
                ++m_pos;
                out = result;
                return true;
            }
            fail("expected ',' or ']'");
            return false;
        }
    }

    // Length of the valid UTF-8 sequence at p (non-ASCII lead byte), or 0 when invalid.
    static int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
    {
        const unsigned char c = p[0];
        int length;
        unsigned char low = 0x80, high = 0xBF; // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F; // no encoded surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return 0;
        }
        if (end - p < length)
            return 0;
        if (p[1] < low || p[1] > high)
            return 0;
        for (int i = 2; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return 0;
        }
        return length;
    }

    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool hex4(char16_t &out)
    {
        if (m_end - m_pos < 4) {
            fail("truncated \\u escape");
            return false;
        }
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigit(m_pos[i]);
            if (digit < 0) {
                fail("invalid \\u escape");
                return false;
            }
            value = value * 16 + unsigned(digit);
        }
        m_pos += 4;
        out = char16_t(value);
        return true;
    }

    bool string(QString &out)
    {
        ++m_pos; // opening quote
        const char *segment = m_pos;
        out.clear();
        for (;;) {
            if (m_pos == m_end) {
                fail("unterminated string");
                return false;
            }
            const unsigned char c = static_cast<unsigned char>(*m_pos);
            if (c == '"') {
                if (out.isEmpty()) {
                    out = QString::fromUtf8(segment, m_pos - segment);
                } else {
                    out += QString::fromUtf8(segment, m_pos - segment);
                }
                ++m_pos;
                return true;
            }
            if (c < 0x20) {
                fail("control character in string");
                return false;
            }
            if (c < 0x80 && c != '\\') {
                ++m_pos;
                continue;
            }
            if (c >= 0x80) {
                const int length =
                    utf8SequenceLength(reinterpret_cast<const unsigned char *>(m_pos),
                                       reinterpret_cast<const unsigned char *>(m_end));
                if (length == 0) {
                    fail("invalid UTF-8");
                    return false;
                }
                m_pos += length;
                continue;
            }
            // A backslash escape: flush the plain run before it.
            out += QString::fromUtf8(segment, m_pos - segment);
            ++m_pos;
            if (m_pos == m_end) {
                fail("unterminated string");
                return false;
            }
            const char escape = *m_pos++;
            switch (escape) {
            case '"':
                out += QLatin1Char('"');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            case '/':
                out += QLatin1Char('/');
                break;
            case 'b':
                out += QLatin1Char('\b');
                break;
            case 'f':
                out += QLatin1Char('\f');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'u': {
                // Unpaired surrogates are kept as they are: the writer escapes them again, so
                // such a string still round-trips instead of making a stored file unreadable.
                char16_t unit;
                if (!hex4(unit))
                    return false;
                out += QChar(unit);
                break;
            }
            default:
                --m_pos;
                fail("invalid escape");
                return false;
            }
            segment = m_pos;
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool number(QJsonValue &out)
    {
        const char *start = m_pos;
        const bool negative = *m_pos == '-';
        if (negative)
            ++m_pos;
        const char *intBegin = m_pos;
        if (m_pos == m_end || !isDigit(*m_pos)) {
            fail("invalid number");
            return false;
        }
        if (*m_pos == '0') {
            ++m_pos;
        } else {
            while (m_pos != m_end && isDigit(*m_pos))
                ++m_pos;
        }
        const char *intEnd = m_pos;
        const char *fracBegin = m_pos;
        const char *fracEnd = m_pos;
        if (m_pos != m_end && *m_pos == '.') {
            ++m_pos;
            fracBegin = m_pos;
            if (m_pos == m_end || !isDigit(*m_pos)) {
                fail("invalid number");
                return false;
            }
            while (m_pos != m_end && isDigit(*m_pos))
                ++m_pos;
            fracEnd = m_pos;
        }
        bool hasExponent = false;
        long long exponent = 0;
        if (m_pos != m_end && (*m_pos == 'e' || *m_pos == 'E')) {
            hasExponent = true;
            ++m_pos;
            bool negativeExponent = false;
            if (m_pos != m_end && (*m_pos == '+' || *m_pos == '-')) {
                negativeExponent = *m_pos == '-';
                ++m_pos;
            }
            if (m_pos == m_end || !isDigit(*m_pos)) {
                fail("invalid number");
                return false;
            }
            while (m_pos != m_end && isDigit(*m_pos)) {
                if (exponent < 1000000) // saturate: beyond this only the sign matters
                    exponent = exponent * 10 + (*m_pos - '0');
                ++m_pos;
            }
            if (negativeExponent)
                exponent = -exponent;
        }
        // A plain number may follow only by a delimiter; "01" and "1x" are errors.
        if (m_pos != m_end && (isDigit(*m_pos) || *m_pos == '.' || *m_pos == 'e' || *m_pos == 'E' ||
                               *m_pos == '-' || *m_pos == '+')) {
            fail("invalid number");
            return false;
        }

        if (fracBegin == fracEnd && !hasExponent) {
            qint64 integer = 0;
            const auto [ptr, ec] = std::from_chars(start, intEnd, integer);
            if (ec == std::errc() && ptr == intEnd) {
                out = QJsonValue(integer);
                return true;
            }
        } else if (std::optional<qint64> integer =
                       exactInteger(negative, intBegin, intEnd, fracBegin, fracEnd, exponent)) {
            out = QJsonValue(*integer);
            return true;
        }

        double real = 0;
        const auto [ptr, ec] = std::from_chars(start, m_pos, real);
        if (ec == std::errc::result_out_of_range) {
            if (decimalOrder(intBegin, intEnd, fracBegin, fracEnd, exponent) > 0) {
                fail("number out of range");
                return false;
            }
            real = negative ? -0.0 : 0.0; // underflow
        } else if (ec != std::errc() || ptr != m_pos) {
            fail("invalid number");
            return false;
        }
        out = QJsonValue(real);
        return true;
    }

    // The value of a number written with a fraction or an exponent ("12.0", "1e3"), when it
    // is exactly an integer in the signed 64-bit range.
    static std::optional<qint64> exactInteger(bool negative, const char *intBegin,
                                              const char *intEnd, const char *fracBegin,
                                              const char *fracEnd, long long exponent)
    {
        QByteArray digits;
        digits.reserve((intEnd - intBegin) + (fracEnd - fracBegin));
        digits.append(intBegin, intEnd - intBegin);
        digits.append(fracBegin, fracEnd - fracBegin);
        long long scale = exponent - (fracEnd - fracBegin);
        qsizetype first = 0;
        while (first < digits.size() && digits[first] == '0')
            ++first;
        digits = digits.mid(first);
        while (!digits.isEmpty() && digits.back() == '0') {
            digits.chop(1);
            ++scale;
        }
        if (digits.isEmpty())
            return 0;
        if (scale < 0 || digits.size() + scale > 19)
            return std::nullopt;
        quint64 magnitude = 0;
        for (char c : std::as_const(digits))
            magnitude = magnitude * 10 + quint64(c - '0');
        for (long long i = 0; i < scale; ++i)
            magnitude *= 10; // at most 19 digits in all, so no overflow of 64 unsigned bits
        constexpr quint64 limit = quint64(1) << 63;
        if (negative) {
            if (magnitude > limit)
                return std::nullopt;
            return magnitude == limit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
        }
        if (magnitude >= limit)
            return std::nullopt;
        return qint64(magnitude);
    }

    // Decimal order of magnitude of a number, used only to tell overflow from underflow.
    static long long decimalOrder(const char *intBegin, const char *intEnd, const char *fracBegin,
                                  const char *fracEnd, long long exponent)
    {
        const char *p = intBegin;
        while (p != intEnd && *p == '0')
            ++p;
        if (p != intEnd)
            return (intEnd - p) + exponent;
        long long zeros = 0;
        for (p = fracBegin; p != fracEnd && *p == '0'; ++p)
            ++zeros;
        return exponent - zeros;
    }

    const char *m_pos;
    const char *m_begin;
    const char *m_end;
    QString m_error;
    qsizetype m_errorOffset = 0;
};

QString typeError(QLatin1String key, const char *expected)
{
    return QStringLiteral("\"%1\" is not %2").arg(key, QLatin1String(expected));
}

} // namespace

std::optional<QJsonValue> JsonReader::parse(const QByteArray &document, QString *error)
{
    Parser parser(document.constData(), document.constData() + document.size());
    std::optional<QJsonValue> result = parser.document();
    if (!result && error)
        *error = parser.error();
    return result;
}

std::optional<qint64> JsonReader::integral(const QJsonValue &value)
{
    // Integers are kept as such by the parser (and by QJsonValue(qint64)); a double here is
    // either fractional or beyond the exact range, so it never counts as an integer.
    if (value.type() != QJsonValue::Double)
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() != QMetaType::LongLong)
        return std::nullopt;
    return variant.toLongLong();
}

bool JsonReader::requireString(const QJsonObject &object, QLatin1String key, QString &out,
                               QString *error)
{
    const QJsonValue value = object.value(key);
    if (!value.isString()) {
        if (error)
            *error = value.isUndefined() ? QStringLiteral("\"%1\" is missing").arg(key)
                                         : typeError(key, "a string");
        return false;
    }
    out = value.toString();
    return true;
}

bool JsonReader::requireNumber(const QJsonObject &object, QLatin1String key, double &out,
                               QString *error)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble()) {
        if (error)
            *error = value.isUndefined() ? QStringLiteral("\"%1\" is missing").arg(key)
                                         : typeError(key, "a number");
        return false;
    }
    out = value.toDouble();
    return true;
}

bool JsonReader::requireIntegral(const QJsonObject &object, QLatin1String key, qint64 &out,
                                 QString *error)
{
    const QJsonValue value = object.value(key);
    const std::optional<qint64> integer = integral(value);
    if (!integer) {
        if (error)
            *error = value.isUndefined() ? QStringLiteral("\"%1\" is missing").arg(key)
                                         : typeError(key, "an integral number");
        return false;
    }
    out = *integer;
    return true;
}

bool JsonReader::requireBool(const QJsonObject &object, QLatin1String key, bool &out,
                             QString *error)
{
    const QJsonValue value = object.value(key);
    if (!value.isBool()) {
        if (error)
            *error = value.isUndefined() ? QStringLiteral("\"%1\" is missing").arg(key)
                                         : typeError(key, "a boolean");
        return false;
    }
    out = value.toBool();
    return true;
}

bool JsonReader::optionalString(const QJsonObject &object, QLatin1String key,
                                std::optional<QString> &out, QString *error)
{
    const QJsonValue value = object.value(key);
    out.reset();
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString()) {
        if (error)
            *error = typeError(key, "a string");
        return false;
    }
    out = value.toString();
    return true;
}

bool JsonReader::optionalNumber(const QJsonObject &object, QLatin1String key,
                                std::optional<double> &out, QString *error)
{
    const QJsonValue value = object.value(key);
    out.reset();
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble()) {
        if (error)
            *error = typeError(key, "a number");
        return false;
    }
    out = value.toDouble();
    return true;
}

bool JsonReader::optionalIntegral(const QJsonObject &object, QLatin1String key,
                                  std::optional<qint64> &out, QString *error)
{
    const QJsonValue value = object.value(key);
    out.reset();
    if (value.isUndefined() || value.isNull())
        return true;
    const std::optional<qint64> integer = integral(value);
    if (!integer) {
        if (error)
            *error = typeError(key, "an integral number");
        return false;
    }
    out = *integer;
    return true;
}
