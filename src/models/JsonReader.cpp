#include "models/JsonReader.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace {

// Deep enough for any document the program reads; shallow enough that hostile input cannot
// exhaust the stack.
constexpr int MaxDepth = 512;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the valid UTF-8 sequence at p (non-ASCII lead byte), or 0 when invalid: no
// overlong forms, no encoded surrogates, nothing above U+10FFFF.
int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char c = p[0];
    int length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// The value of a number written with a fraction or an exponent ("12.0", "1e3"), when it is
// exactly an integer in the signed 64-bit range.
std::optional<qint64> exactInteger(bool negative, const char *intBegin, const char *intEnd,
                                   const char *fracBegin, const char *fracEnd, long long exponent)
{
    char digits[40];
    int count = 0;
    long long scale = exponent - (fracEnd - fracBegin);
    // Significant digits only: leading zeros dropped, trailing zeros moved into the scale.
    auto take = [&](const char *begin, const char *end) {
        for (const char *p = begin; p != end; ++p) {
            if (count == 0 && *p == '0')
                continue;
            if (count == int(sizeof digits))
                return false;
            digits[count++] = *p;
        }
        return true;
    };
    if (!take(intBegin, intEnd) || !take(fracBegin, fracEnd))
        return std::nullopt; // more than 40 significant digits: not a 64-bit integer
    while (count > 0 && digits[count - 1] == '0') {
        --count;
        ++scale;
    }
    if (count == 0)
        return 0;
    if (scale < 0 || count + scale > 19)
        return std::nullopt;
    quint64 magnitude = 0;
    for (int i = 0; i < count; ++i)
        magnitude = magnitude * 10 + quint64(digits[i] - '0');
    for (long long i = 0; i < scale; ++i)
        magnitude *= 10; // at most 19 digits in all: no overflow of 64 unsigned bits
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

// Decimal order of magnitude of a number, only to tell an overflow from an underflow.
long long decimalOrder(const char *intBegin, const char *intEnd, const char *fracBegin,
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

} // namespace

// Builds the node list of one document; see JsonReader.
class JsonParser
{
public:
    using Node = JsonReader::Node;
    using Type = JsonReader::Type;

    JsonParser(const QByteArray &bytes, std::vector<Node> &nodes)
        : m_begin(bytes.constData()), m_pos(m_begin), m_end(m_begin + bytes.size()), m_nodes(nodes)
    {
    }

    bool document()
    {
        if (m_end - m_begin > qsizetype(std::numeric_limits<quint32>::max()))
            return fail("document too large");
        if (m_end - m_pos >= 3 && std::memcmp(m_pos, "\xEF\xBB\xBF", 3) == 0)
            m_pos += 3;
        m_nodes.reserve(size_t(m_end - m_pos) / 8 + 1);
        if (!value(0))
            return false;
        skipSpace();
        if (m_pos != m_end)
            return fail("unexpected data after the document");
        return true;
    }

    QString error() const { return m_error; }

private:
    bool fail(const char *reason)
    {
        if (m_error.isEmpty()) {
            m_error = QStringLiteral("%1 at offset %2")
                          .arg(QLatin1String(reason))
                          .arg(qsizetype(m_pos - m_begin));
        }
        return false;
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

    quint32 push(Type type)
    {
        Node node;
        node.type = type;
        m_nodes.push_back(node);
        return quint32(m_nodes.size() - 1);
    }

    void close(quint32 index) { m_nodes[index].end = quint32(m_nodes.size()); }

    bool value(int depth)
    {
        skipSpace();
        if (m_pos == m_end)
            return fail("unexpected end of document");
        switch (*m_pos) {
        case '{':
            return object(depth + 1);
        case '[':
            return array(depth + 1);
        case '"':
            return string();
        case 't':
            if (literal("true", 4)) {
                const quint32 index = push(Type::Bool);
                m_nodes[index].boolean = true;
                close(index);
                return true;
            }
            break;
        case 'f':
            if (literal("false", 5)) {
                const quint32 index = push(Type::Bool);
                m_nodes[index].boolean = false;
                close(index);
                return true;
            }
            break;
        case 'n':
            if (literal("null", 4)) {
                close(push(Type::Null));
                return true;
            }
            break;
        default:
            if (*m_pos == '-' || isDigit(*m_pos))
                return number();
        }
        return fail("invalid value");
    }

    bool object(int depth)
    {
        if (depth > MaxDepth)
            return fail("nesting too deep");
        ++m_pos; // '{'
        const quint32 index = push(Type::Object);
        quint32 members = 0;
        skipSpace();
        if (m_pos != m_end && *m_pos == '}') {
            ++m_pos;
            close(index);
            return true;
        }
        for (;;) {
            skipSpace();
            if (m_pos == m_end || *m_pos != '"')
                return fail("expected a key");
            if (!string())
                return false;
            skipSpace();
            if (m_pos == m_end || *m_pos != ':')
                return fail("expected ':'");
            ++m_pos;
            if (!value(depth))
                return false;
            ++members;
            skipSpace();
            if (m_pos != m_end && *m_pos == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos != m_end && *m_pos == '}') {
                ++m_pos;
                m_nodes[index].length = members;
                close(index);
                return true;
            }
            return fail("expected ',' or '}'");
        }
    }

    bool array(int depth)
    {
        if (depth > MaxDepth)
            return fail("nesting too deep");
        ++m_pos; // '['
        const quint32 index = push(Type::Array);
        quint32 elements = 0;
        skipSpace();
        if (m_pos != m_end && *m_pos == ']') {
            ++m_pos;
            close(index);
            return true;
        }
        for (;;) {
            if (!value(depth))
                return false;
            ++elements;
            skipSpace();
            if (m_pos != m_end && *m_pos == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos != m_end && *m_pos == ']') {
                ++m_pos;
                m_nodes[index].length = elements;
                close(index);
                return true;
            }
            return fail("expected ',' or ']'");
        }
    }

    // Checks the string and records where its raw bytes are; escapes are decoded on reading.
    bool string()
    {
        ++m_pos; // opening quote
        const char *start = m_pos;
        bool escaped = false;
        for (;;) {
            // Plain ASCII is by far the most common content.
            while (m_pos != m_end) {
                const unsigned char c = static_cast<unsigned char>(*m_pos);
                if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80)
                    break;
                ++m_pos;
            }
            if (m_pos == m_end)
                return fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(*m_pos);
            if (c == '"')
                break;
            if (c < 0x20)
                return fail("control character in string");
            if (c >= 0x80) {
                const int length =
                    utf8SequenceLength(reinterpret_cast<const unsigned char *>(m_pos),
                                       reinterpret_cast<const unsigned char *>(m_end));
                if (length == 0)
                    return fail("invalid UTF-8");
                m_pos += length;
                continue;
            }
            escaped = true;
            ++m_pos; // backslash
            if (m_pos == m_end)
                return fail("unterminated string");
            switch (*m_pos) {
            case '"':
            case '\\':
            case '/':
            case 'b':
            case 'f':
            case 'n':
            case 'r':
            case 't':
                ++m_pos;
                break;
            case 'u':
                ++m_pos;
                if (m_end - m_pos < 4)
                    return fail("truncated \\u escape");
                for (int i = 0; i < 4; ++i) {
                    if (hexDigit(m_pos[i]) < 0)
                        return fail("invalid \\u escape");
                }
                m_pos += 4;
                break;
            default:
                return fail("invalid escape");
            }
        }
        const quint32 index = push(Type::String);
        Node &node = m_nodes[index];
        node.offset = start - m_begin;
        node.length = quint32(m_pos - start);
        node.escaped = escaped;
        ++m_pos; // closing quote
        close(index);
        return true;
    }

    bool number()
    {
        const char *start = m_pos;
        const bool negative = *m_pos == '-';
        if (negative)
            ++m_pos;
        const char *intBegin = m_pos;
        if (m_pos == m_end || !isDigit(*m_pos))
            return fail("invalid number");
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
            if (m_pos == m_end || !isDigit(*m_pos))
                return fail("invalid number");
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
            if (m_pos == m_end || !isDigit(*m_pos))
                return fail("invalid number");
            while (m_pos != m_end && isDigit(*m_pos)) {
                if (exponent < 1000000) // beyond this only the sign matters
                    exponent = exponent * 10 + (*m_pos - '0');
                ++m_pos;
            }
            if (negativeExponent)
                exponent = -exponent;
        }
        // "01", "1.2.3" or "1-2": a number must be followed by a delimiter.
        if (m_pos != m_end && (isDigit(*m_pos) || *m_pos == '.' || *m_pos == 'e' || *m_pos == 'E' ||
                               *m_pos == '-' || *m_pos == '+'))
            return fail("invalid number");

        std::optional<qint64> integer;
        if (fracBegin == fracEnd && !hasExponent) {
            qint64 parsed = 0;
            const auto [ptr, ec] = std::from_chars(start, intEnd, parsed);
            if (ec == std::errc() && ptr == intEnd)
                integer = parsed;
        } else {
            integer = exactInteger(negative, intBegin, intEnd, fracBegin, fracEnd, exponent);
        }
        if (integer) {
            const quint32 index = push(Type::Integer);
            m_nodes[index].integer = *integer;
            close(index);
            return true;
        }

        double real = 0;
        const auto [ptr, ec] = std::from_chars(start, m_pos, real);
        if (ec == std::errc::result_out_of_range) {
            if (decimalOrder(intBegin, intEnd, fracBegin, fracEnd, exponent) > 0)
                return fail("number out of range");
            real = negative ? -0.0 : 0.0; // underflow
        } else if (ec != std::errc() || ptr != m_pos) {
            return fail("invalid number");
        }
        const quint32 index = push(Type::Real);
        m_nodes[index].real = real;
        close(index);
        return true;
    }

    const char *m_begin;
    const char *m_pos;
    const char *m_end;
    std::vector<Node> &m_nodes;
    QString m_error;
};

bool JsonReader::parse(const QByteArray &document)
{
    m_bytes = document;
    m_nodes.clear();
    m_error.clear();
    JsonParser parser(m_bytes, m_nodes);
    m_ok = parser.document();
    if (!m_ok) {
        m_error = parser.error();
        m_nodes.clear();
    }
    return m_ok;
}

JsonReader::Value JsonReader::root() const
{
    return m_ok ? Value(this, 0) : Value();
}

QString JsonReader::decodeString(const Node &node) const
{
    const char *p = m_bytes.constData() + node.offset;
    const char *end = p + node.length;
    if (!node.escaped)
        return QString::fromUtf8(p, end - p);
    QString out;
    out.reserve(node.length);
    const char *segment = p;
    while (p != end) {
        if (*p != '\\') {
            ++p;
            continue;
        }
        out += QString::fromUtf8(segment, p - segment);
        ++p;
        switch (*p++) {
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
        default: { // 'u', checked by the parser
            unsigned unit = 0;
            for (int i = 0; i < 4; ++i)
                unit = unit * 16 + unsigned(hexDigit(p[i]));
            p += 4;
            out += QChar(char16_t(unit));
        }
        }
        segment = p;
    }
    out += QString::fromUtf8(segment, end - segment);
    return out;
}

const JsonReader::Node *JsonReader::Value::node() const
{
    return m_reader ? &m_reader->m_nodes[m_index] : nullptr;
}

JsonReader::Type JsonReader::Value::type() const
{
    const Node *n = node();
    return n ? n->type : Type::Missing;
}

std::optional<bool> JsonReader::Value::boolean() const
{
    const Node *n = node();
    if (!n || n->type != Type::Bool)
        return std::nullopt;
    return n->boolean;
}

std::optional<qint64> JsonReader::Value::integral() const
{
    const Node *n = node();
    if (!n || n->type != Type::Integer)
        return std::nullopt;
    return n->integer;
}

std::optional<double> JsonReader::Value::number() const
{
    const Node *n = node();
    if (!n)
        return std::nullopt;
    if (n->type == Type::Integer)
        return double(n->integer);
    if (n->type == Type::Real)
        return n->real;
    return std::nullopt;
}

std::optional<QString> JsonReader::Value::string() const
{
    const Node *n = node();
    if (!n || n->type != Type::String)
        return std::nullopt;
    return m_reader->decodeString(*n);
}

bool JsonReader::Value::keyEquals(const Node &key, QLatin1String text) const
{
    if (!key.escaped) {
        return key.length == quint32(text.size()) &&
               std::memcmp(m_reader->m_bytes.constData() + key.offset, text.data(),
                           size_t(text.size())) == 0;
    }
    return m_reader->decodeString(key) == text;
}

JsonReader::Value JsonReader::Value::member(QLatin1String key) const
{
    const Node *n = node();
    if (!n || n->type != Type::Object)
        return Value();
    const std::vector<Node> &nodes = m_reader->m_nodes;
    std::optional<quint32> found;
    quint32 i = m_index + 1;
    while (i < n->end) {
        const quint32 valueIndex = i + 1;
        if (keyEquals(nodes[i], key))
            found = valueIndex; // keep looking: the last duplicate counts
        i = nodes[valueIndex].end;
    }
    return found ? Value(m_reader, *found) : Value();
}

qsizetype JsonReader::Value::size() const
{
    const Node *n = node();
    return n && n->type == Type::Array ? qsizetype(n->length) : 0;
}

JsonReader::Value::Iterator &JsonReader::Value::Iterator::operator++()
{
    m_index = m_reader->m_nodes[m_index].end;
    return *this;
}

JsonReader::Value::Iterator JsonReader::Value::begin() const
{
    const Node *n = node();
    if (!n || n->type != Type::Array)
        return Iterator(m_reader, 0);
    return Iterator(m_reader, m_index + 1);
}

JsonReader::Value::Iterator JsonReader::Value::end() const
{
    const Node *n = node();
    if (!n || n->type != Type::Array)
        return Iterator(m_reader, 0);
    return Iterator(m_reader, n->end);
}
