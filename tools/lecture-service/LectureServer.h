#pragma once

#include "HttpResponse.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

struct Fault;
struct HttpRequest;
class RequestLog;

// Serves one folder: the library document (library.json), the MP3 files beside it, and the
// bad-audio reports. Each accepted socket gets an HttpConnection that asks respond().
class LectureServer : public QObject
{
    Q_OBJECT

public:
    LectureServer(const QString &rootFolder, RequestLog *log, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    QHostAddress address() const { return m_server.serverAddress(); }
    quint16 port() const { return m_server.serverPort(); }

    HttpResponse respond(const HttpRequest &request);
    RequestLog *log() const { return m_log; }
    bool released(const QString &hold) const;

private:
    HttpResponse library() const;
    HttpResponse stream(const HttpRequest &request, const Fault &fault) const;
    HttpResponse report(const HttpRequest &request);
    // The file's canonical path when `name` names a regular file inside the root; otherwise
    // empty, with the status to answer instead.
    QString resolve(const QString &name, int *status) const;
    void onNewConnection();

    QTcpServer m_server;
    QString m_root;
    RequestLog *m_log;
};
