#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

// One GET to the lecture service with the client's time-out rules: an idle limit per attempt,
// a deadline for the whole request, and connectivity waiting (an attempt that cannot connect
// is repeated after a short back-off until the deadline instead of failing at once).
// Emits finished() exactly once, then may be deleted.
class ServiceRequest : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        std::chrono::milliseconds idleTimeout{30000};
        std::chrono::milliseconds deadline{60000};
        QNetworkRequest::CacheLoadControl cache = QNetworkRequest::PreferNetwork;
    };

    struct Outcome
    {
        enum class Kind {
            Response, // an HTTP answer arrived completely: httpStatus and body are set
            Timeout,  // idle limit or deadline reached
            Failed,   // any other transport failure
        };
        Kind kind = Kind::Failed;
        int httpStatus = 0;
        QByteArray body;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString errorString;
    };

    ServiceRequest(QNetworkAccessManager *network, const QUrl &url, const Options &options,
                   QObject *parent = nullptr);

    void start();

signals:
    void finished(const ServiceRequest::Outcome &outcome);

private:
    void send();
    void onReplyFinished(QNetworkReply *reply);
    void onDeadline();
    void finish(Outcome outcome);
    static bool isConnectFailure(QNetworkReply::NetworkError error);

    QPointer<QNetworkAccessManager> m_network;
    QUrl m_url;
    Options m_options;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QTimer m_retry;
    std::chrono::milliseconds m_backoff{250};
    bool m_done = false;
};
