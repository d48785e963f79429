#include "HttpConnection.h"

#include "LectureServer.h"
#include "RequestLog.h"

#include <QJsonObject>
#include <QTcpSocket>

namespace {
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kHighWater = 256 * 1024;
constexpr int kThrottleTickMs = 20;
// Requests a client sends ahead while an answer is still going out.
constexpr qsizetype kMaxPipelined = 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 416:
        return "Range Not Satisfiable";
    case 413:
        return "Content Too Large";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default: // clients go by the number; the phrase is for people reading traces
        return status < 400 ? "OK" : "Error";
    }
}
} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, LectureServer *server)
    : QObject(server), m_socket(socket), m_server(server)
{
    socket->setParent(this);
    m_throttleTimer.setSingleShot(true);
    connect(&m_throttleTimer, &QTimer::timeout, this, &HttpConnection::pump);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::pump);
    connect(socket, &QTcpSocket::disconnected, this, &HttpConnection::onDisconnected);
    // A failed write can leave the socket closed without a disconnected() of its own.
    connect(socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
    onReadyRead();
}

void HttpConnection::onReadyRead()
{
    m_buffer.append(m_socket->readAll());
    if (m_buffer.size() > kMaxPipelined) {
        m_socket->abort();
        return;
    }
    processBuffer();
}

void HttpConnection::processBuffer()
{
    if (m_state != State::ReadingRequest)
        return;
    switch (HttpRequest::parse(m_buffer, &m_request)) {
    case HttpRequest::ParseResult::Incomplete:
        return;
    case HttpRequest::ParseResult::Bad:
        return fail(400, "Bad request\n");
    case HttpRequest::ParseResult::TooLarge:
        return fail(413, "Request too large\n");
    case HttpRequest::ParseResult::Complete:
        break;
    }
    m_keepAlive = m_request.keepAlive();
    m_server->log()->write({{"event", "arrived"},
                            {"method", QString::fromLatin1(m_request.method)},
                            {"target", QString::fromUtf8(m_request.target)}});
    m_response = m_server->respond(m_request);
    m_logged = false;
    if (m_response.delayMs > 0 || !m_response.hold.isEmpty()) {
        m_state = State::Delaying;
        QTimer::singleShot(m_response.delayMs, this, &HttpConnection::beginOnceReleased);
    } else {
        begin();
    }
}

void HttpConnection::fail(int status, const QByteArray &body)
{
    m_request = HttpRequest();
    m_keepAlive = false;
    m_response = HttpResponse::text(status, body);
    m_logged = false;
    begin();
}

// A held answer looks at the faults file a few times a second until a test releases it.
void HttpConnection::beginOnceReleased()
{
    if (m_response.hold.isEmpty() || m_server->released(m_response.hold))
        begin();
    else
        QTimer::singleShot(20, this, &HttpConnection::beginOnceReleased);
}

void HttpConnection::begin()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return; // onDisconnected logs it
    m_state = State::SendingBody;
    const bool dropping = m_response.dropAfter.has_value() || m_response.closeAfter.has_value();
    if (dropping)
        m_keepAlive = false;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(m_response.status) + ' ' +
                      reasonPhrase(m_response.status) + "\r\n";
    for (const auto &[name, value] : std::as_const(m_response.headers))
        head += name + ": " + value + "\r\n";
    if (!m_response.closeAfter)
        head += "Content-Length: " + QByteArray::number(m_response.bodyLength()) + "\r\n";
    head += m_keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += "\r\n";

    m_bodySent = 0;
    m_bodyToSend = m_request.method == "HEAD" ? 0 : m_response.bodyLength();
    if (m_response.dropAfter)
        m_bodyToSend = qMin(m_bodyToSend, *m_response.dropAfter);
    if (m_response.closeAfter)
        m_bodyToSend = qMin(m_bodyToSend, *m_response.closeAfter);
    if (!m_response.filePath.isEmpty() && m_bodyToSend > 0) {
        m_file.setFileName(m_response.filePath);
        if (!m_file.open(QIODevice::ReadOnly) || !m_file.seek(m_response.fileOffset)) {
            m_keepAlive = false;
            m_bodyToSend = 0; // the head already promised a length; hanging up tells the client
        }
    }
    m_bodyClock.start();
    if (m_bodyToSend == 0)
        logRequest(false); // before the bytes leave, so a client that has them sees the log
    m_socket->write(head);
    if (m_bodyToSend == 0)
        return finishResponse();
    pump();
}

void HttpConnection::pump()
{
    if (m_state != State::SendingBody)
        return;
    while (m_bodySent < m_bodyToSend && m_socket->bytesToWrite() < kHighWater) {
        qint64 chunk = qMin(kChunk, m_bodyToSend - m_bodySent);
        if (m_response.throttleBps > 0) {
            const qint64 allowed =
                m_response.throttleBps * m_bodyClock.elapsed() / 1000 - m_bodySent;
            chunk = qMin(chunk, allowed);
            if (chunk <= 0) {
                m_throttleTimer.start(kThrottleTickMs);
                return;
            }
        }
        QByteArray data;
        if (m_response.filePath.isEmpty()) {
            data = m_response.body.mid(m_bodySent, chunk);
        } else {
            data = m_file.read(chunk);
            if (data.isEmpty()) { // the file shrank under us: the promised length cannot be kept
                m_keepAlive = false;
                m_bodyToSend = m_bodySent;
                break;
            }
        }
        m_bodySent += data.size();
        if (m_bodySent == m_bodyToSend)
            logRequest(false);
        m_socket->write(data);
    }
    if (m_bodySent >= m_bodyToSend)
        finishResponse();
}

void HttpConnection::finishResponse()
{
    if (!m_logged)
        logRequest(false);
    m_file.close();
    const bool cut = m_request.method != "HEAD" && m_bodyToSend < m_response.bodyLength();
    if (!m_keepAlive || cut) {
        m_state = State::Closing;
        m_socket->disconnectFromHost();
        return;
    }
    m_state = State::ReadingRequest;
    m_response = HttpResponse();
    processBuffer();
}

void HttpConnection::logRequest(bool aborted)
{
    if (m_logged)
        return;
    m_logged = true;
    QJsonObject entry{{"event", "request"},
                      {"method", QString::fromLatin1(m_request.method)},
                      {"target", QString::fromUtf8(m_request.target)},
                      {"status", m_response.status},
                      {"bytes", m_bodySent}};
    if (m_request.headers.contains("range"))
        entry.insert("range", QString::fromLatin1(m_request.header("range")));
    if (m_bodySent < m_response.bodyLength() && m_request.method != "HEAD")
        entry.insert("cut", true);
    if (aborted)
        entry.insert("client_closed", true);
    m_server->log()->write(entry);
}

void HttpConnection::onDisconnected()
{
    if (m_state == State::Closed)
        return;
    if (!m_logged) {
        // The client went away mid-answer: count only what actually left.
        m_bodySent = qMax<qint64>(0, m_bodySent - m_socket->bytesToWrite());
        logRequest(true);
    }
    m_throttleTimer.stop();
    m_state = State::Closed;
    deleteLater();
}
