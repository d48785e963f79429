#include "models/JsonWriter.h"

#include <charconv>
#include <cmath>

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out += ',';
        m_first.back() = false;
    }
}

void JsonWriter::beginObject()
{
    separate();
    m_out += '{';
    m_first.push_back(true);
}

void JsonWriter::endObject()
{
    m_out += '}';
    m_first.pop_back();
}

void JsonWriter::beginArray()
{
    separate();
    m_out += '[';
    m_first.push_back(true);
}

void JsonWriter::endArray()
{
    m_out += ']';
    m_first.pop_back();
}

void JsonWriter::key(QLatin1String name)
{
    separate();
    m_out += '"';
    m_out.append(name.data(), name.size()); // keys are plain ASCII names of this program
    m_out += "\":";
    m_afterKey = true;
}

void JsonWriter::value(qint64 number)
{
    separate();
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, end - buffer);
}

void JsonWriter::value(double number)
{
    separate();
    if (!std::isfinite(number)) {
        m_failed = true;
        return;
    }
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, end - buffer);
}

void JsonWriter::value(bool flag)
{
    separate();
    m_out += flag ? "true" : "false";
}

void JsonWriter::value(const QString &text)
{
    separate();
    static const char hex[] = "0123456789abcdef";
    m_out += '"';
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *end = p + text.size();
    while (p != end) {
        // Runs of plain ASCII are copied directly.
        const char16_t *run = p;
        while (p != end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\')
            ++p;
        if (p != run) {
            const qsizetype start = m_out.size();
            m_out.resize(start + (p - run));
            char *out = m_out.data() + start;
            for (const char16_t *q = run; q != p; ++q)
                *out++ = char(*q);
        }
        if (p == end)
            break;
        const char16_t c = *p;
        if (c == '"' || c == '\\') {
            m_out += '\\';
            m_out += char(c);
            ++p;
        } else if (c < 0x20) {
            switch (c) {
            case '\b':
                m_out += "\\b";
                break;
            case '\f':
                m_out += "\\f";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                m_out += "\\u00";
                m_out += hex[c >> 4];
                m_out += hex[c & 0xF];
            }
            ++p;
        } else if (QChar::isHighSurrogate(c) && p + 1 != end && QChar::isLowSurrogate(p[1])) {
            m_out += QStringView(p, 2).toUtf8();
            p += 2;
        } else if (QChar::isSurrogate(c)) {
            // Unpaired: not expressible in UTF-8, so escaped; the reader keeps it as it is.
            m_out += "\\u";
            m_out += hex[(c >> 12) & 0xF];
            m_out += hex[(c >> 8) & 0xF];
            m_out += hex[(c >> 4) & 0xF];
            m_out += hex[c & 0xF];
            ++p;
        } else {
            // A run of other non-ASCII characters, converted at once.
            const char16_t *run2 = p;
            while (p != end && *p >= 0x80 && !QChar::isSurrogate(*p))
                ++p;
            m_out += QStringView(run2, p - run2).toUtf8();
        }
    }
    m_out += '"';
}
