#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

class LectureServer;
class QTcpSocket;

// One client connection: reads requests one after another (keep-alive), and writes each
// answer's body in chunks as the socket drains, so big files never sit in memory.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    HttpConnection(QTcpSocket *socket, LectureServer *server);

private:
    enum class State { ReadingRequest, Delaying, SendingBody, Closing, Closed };

    void onReadyRead();
    void processBuffer();
    void begin();
    void beginOnceReleased();
    void pump();
    void finishResponse();
    void fail(int status, const QByteArray &body);
    void logRequest(bool aborted);
    void onDisconnected();

    QTcpSocket *m_socket;
    LectureServer *m_server;
    QByteArray m_buffer;
    State m_state = State::ReadingRequest;

    HttpRequest m_request;
    HttpResponse m_response;
    bool m_keepAlive = true;
    bool m_logged = true;
    QFile m_file;
    qint64 m_bodyToSend = 0; // after drop_after is applied
    qint64 m_bodySent = 0;   // handed to the socket
    QElapsedTimer m_bodyClock;
    QTimer m_throttleTimer;
};
