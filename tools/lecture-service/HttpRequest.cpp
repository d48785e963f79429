#include "HttpRequest.h"

namespace {
constexpr qsizetype kMaxHeadSize = 64 * 1024;
// No address of the service takes a body; anything larger is refused rather than buffered.
constexpr qint64 kMaxBodySize = 64 * 1024;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// PHP's urldecode keeps a '%' that is not followed by two hex digits as it is.
QByteArray percentDecode(const QByteArray &text, bool plusIsSpace)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+' && plusIsSpace) {
            out.append(' ');
        } else if (c == '%' && i + 2 < text.size() && hexValue(text.at(i + 1)) >= 0 &&
                   hexValue(text.at(i + 2)) >= 0) {
            out.append(char(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2))));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}
} // namespace

bool HttpRequest::keepAlive() const
{
    const QByteArray connection = header("connection").toLower();
    if (version == "HTTP/1.0")
        return connection.contains("keep-alive");
    return !connection.contains("close");
}

HttpRequest::ParseResult HttpRequest::parse(QByteArray &buffer, HttpRequest *out)
{
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return buffer.size() > kMaxHeadSize ? ParseResult::TooLarge : ParseResult::Incomplete;
    if (headEnd > kMaxHeadSize)
        return ParseResult::TooLarge;

    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1."))
        return ParseResult::Bad;

    HttpRequest request;
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    request.version = requestLine.at(2);
    if (request.method.isEmpty() || !request.target.startsWith('/'))
        return ParseResult::Bad;

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return ParseResult::Bad;
        request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }

    qint64 bodyLength = 0;
    if (request.headers.contains("content-length")) {
        bool ok = false;
        bodyLength = request.header("content-length").toLongLong(&ok);
        if (!ok || bodyLength < 0)
            return ParseResult::Bad;
        if (bodyLength > kMaxBodySize)
            return ParseResult::TooLarge;
    } else if (request.headers.contains("transfer-encoding")) {
        return ParseResult::Bad; // no request here ever needs a chunked body
    }
    const qint64 total = headEnd + 4 + bodyLength;
    if (buffer.size() < total)
        return ParseResult::Incomplete;

    const qsizetype question = request.target.indexOf('?');
    const QByteArray rawPath = question < 0 ? request.target : request.target.left(question);
    request.path = QString::fromUtf8(percentDecode(rawPath, false));
    if (question >= 0)
        request.query = decodeQuery(request.target.mid(question + 1));

    buffer.remove(0, total);
    *out = std::move(request);
    return ParseResult::Complete;
}

QHash<QString, QString> HttpRequest::decodeQuery(const QByteArray &query)
{
    QHash<QString, QString> result;
    const qsizetype hash = query.indexOf('#');
    for (const QByteArray &pair : (hash < 0 ? query : query.left(hash)).split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        result.insert(QString::fromUtf8(formDecode(key)), QString::fromUtf8(formDecode(value)));
    }
    return result;
}

QByteArray HttpRequest::formDecode(const QByteArray &text)
{
    return percentDecode(text, true);
}
