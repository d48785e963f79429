#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// Asks the site for the head of a stream through the verified client: follows redirects
// (never from HTTPS to plain HTTP), stops at the first answer's head and reads no body. Tells
// where the stream really is, whether the site is there at all, and whether it can be trusted.
// The result is delivered once, on the caller's thread; the probe then deletes itself.
class StreamProbe : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        enum class Kind {
            Answered,    // an HTTP answer (any status) came: finalUrl is where it came from
            Unreachable, // no answer (refused, timed out, no network): worth trying again
            Untrusted,   // the certificate was refused or a redirect left HTTPS: never retried
        };
        Kind kind = Kind::Unreachable;
        QUrl finalUrl;
        int httpStatus = 0;
        QString reason; // readable, names the host
    };
    using Done = std::function<void(const Result &)>;

    // `context` going away cancels the probe without a result.
    static StreamProbe *start(QNetworkAccessManager *network, const QUrl &url, QObject *context,
                              Done done, int timeoutMs = 10000);
    void cancel();

private:
    StreamProbe(QObject *context, Done done);
    void onHead();
    void onFinished();
    void deliver(Result result);

    QPointer<QObject> m_context;
    Done m_done;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    QTimer m_timeout;
    bool m_delivered = false;
};
