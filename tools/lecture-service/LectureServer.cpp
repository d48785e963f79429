#include "LectureServer.h"

#include "ByteRange.h"
#include "Fault.h"
#include "HttpConnection.h"
#include "HttpRequest.h"
#include "RequestLog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {
const QByteArray kJson = "application/json";

// A fault replaces or paces the answer the service would otherwise give.
HttpResponse withFault(HttpResponse response, const Fault &fault)
{
    if (fault.status) {
        response = HttpResponse::text(*fault.status,
                                      "Fault: status " + QByteArray::number(*fault.status) + "\n");
    } else if (fault.garbage) {
        response = HttpResponse::text(200, *fault.garbage, "text/html; charset=utf-8");
    } else if (fault.empty) {
        response = HttpResponse::text(200, QByteArray(), "audio/mpeg");
    } else if (!fault.redirect.isEmpty()) {
        response = HttpResponse::text(302, "Moved\n");
        response.addHeader("Location", fault.redirect);
    }
    response.delayMs = fault.delayMs;
    response.hold = fault.hold;
    response.dropAfter = fault.dropAfter;
    response.closeAfter = fault.closeAfter;
    response.throttleBps = fault.throttleBps;
    return response;
}
} // namespace

LectureServer::LectureServer(const QString &rootFolder, RequestLog *log, QObject *parent)
    : QObject(parent), m_root(QFileInfo(rootFolder).canonicalFilePath()), m_log(log)
{
    m_server.setListenBacklogSize(256);
    connect(&m_server, &QTcpServer::newConnection, this, &LectureServer::onNewConnection);
}

bool LectureServer::listen(const QHostAddress &address, quint16 port)
{
    if (m_root.isEmpty() || !QFileInfo(m_root).isDir()) {
        m_server.close();
        return false;
    }
    return m_server.listen(address, port);
}

bool LectureServer::released(const QString &hold) const
{
    return FaultSet::load(m_root + "/faults.json").released(hold);
}

void LectureServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection())
        new HttpConnection(socket, this);
}

HttpResponse LectureServer::respond(const HttpRequest &request)
{
    if (request.method != "GET" && request.method != "HEAD") {
        HttpResponse response = HttpResponse::text(405, "Method not allowed\n");
        response.addHeader("Allow", "GET, HEAD");
        return response;
    }
    const FaultSet faults = FaultSet::load(m_root + "/faults.json");
    if (request.path == "/api.php") {
        const QString action = request.query.value("action");
        if (action == "getTracks")
            return withFault(library(), faults.library());
        if (action == "logBadAudio")
            return withFault(report(request), faults.report());
        return HttpResponse::text(400, R"({"status":"error","message":"unknown action"})", kJson);
    }
    if (request.path == "/stream.php") {
        const Fault fault = faults.file(request.query.value("file"));
        return withFault(stream(request, fault), fault);
    }
    return HttpResponse::text(404, "Not found\n");
}

HttpResponse LectureServer::library() const
{
    const QFileInfo info(m_root + "/library.json");
    if (!info.isFile())
        return HttpResponse::text(404, R"({"status":"error","message":"no library"})", kJson);
    HttpResponse response;
    response.addHeader("Content-Type", kJson);
    response.filePath = info.filePath();
    response.fileLength = info.size();
    return response;
}

HttpResponse LectureServer::stream(const HttpRequest &request, const Fault &fault) const
{
    if (!request.query.contains("file"))
        return HttpResponse::text(400, "Missing file\n");
    const QString name = request.query.value("file");
    int status = 404;
    const QString path = resolve(name, &status);
    if (path.isEmpty())
        return HttpResponse::text(status, status == 403 ? "Forbidden\n" : "Not found\n");

    const QFileInfo info(path);
    const qint64 size = info.size();
    // A validator for If-Range: a resumed download must not splice two versions of a file.
    const QByteArray etag = '"' + QByteArray::number(size, 16) + '-' +
                            QByteArray::number(info.lastModified().toMSecsSinceEpoch(), 16) + '"';
    const QByteArray ifRange = request.header("if-range");
    const bool rangeAllowed = fault.ranges && (ifRange.isEmpty() || ifRange == etag);
    const ByteRange range = rangeAllowed ? ByteRange::parse(request.header("range"), size)
                                         : ByteRange{ByteRange::Kind::Whole, 0, size - 1};
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        HttpResponse response = HttpResponse::text(416, "Range not satisfiable\n");
        response.addHeader("Content-Range", "bytes */" + QByteArray::number(size));
        return response;
    }

    HttpResponse response;
    response.addHeader("Content-Type", "audio/mpeg");
    if (fault.ranges) {
        response.addHeader("Accept-Ranges", "bytes");
        response.addHeader("ETag", etag);
    }
    response.filePath = path;
    if (range.kind == ByteRange::Kind::Partial) {
        response.status = 206;
        response.addHeader("Content-Range", "bytes " + QByteArray::number(range.first) + '-' +
                                                QByteArray::number(range.last) + '/' +
                                                QByteArray::number(size));
        response.fileOffset = range.first;
        response.fileLength = range.length();
    } else {
        response.fileLength = size;
    }
    return response;
}

HttpResponse LectureServer::report(const HttpRequest &request)
{
    m_log->write({{"event", "bad_audio"},
                  {"track_id", request.query.value("track_id")},
                  {"filename", request.query.value("filename")},
                  {"error", request.query.value("error")}});
    return HttpResponse::text(200, R"({"status":"success","message":"Logged"})", kJson);
}

QString LectureServer::resolve(const QString &name, int *status) const
{
    *status = 403;
    if (name.isEmpty() || name.contains(QChar(0)) || QDir::isAbsolutePath(name) ||
        name.contains('\\'))
        return {};
    // Symlinks are followed before the containment check, so a link that leads out of the
    // folder is refused like "..".
    const QFileInfo info(m_root + '/' + name);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty()) {
        // Missing: tell it apart from an escape only when the lexical path stays inside.
        const QString clean = QDir::cleanPath(m_root + '/' + name);
        *status = clean.startsWith(m_root + '/') ? 404 : 403;
        return {};
    }
    if (!canonical.startsWith(m_root + '/'))
        return {};
    if (!QFileInfo(canonical).isFile()) {
        *status = 404;
        return {};
    }
    return canonical;
}
