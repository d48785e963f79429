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
#include <optional>

class QNetworkAccessManager;

// One GET to the lecture service with the client's time-out rules: an idle limit per attempt,
// a deadline for the whole request, and connectivity waiting (an attempt that cannot connect
// is repeated after a short back-off until the deadline instead of failing at once; the first
// such failure is announced at once through waiting()). A request that never connected ends
// at its deadline with the connection failure, not as a time-out.
// Emits finished() exactly once (unless abandoned), then may be deleted.
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
    // While waiting for connectivity: tries again now instead of after the back-off.
    void retryNow();
    // Ends the request without a finished() signal and deletes it later.
    void abandon();
    bool isWaiting() const { return m_retry.isActive(); }
    // Refused, host not found, network down: the service was not reached at all.
    static bool isConnectFailure(QNetworkReply::NetworkError error);

signals:
    // The first attempt that could not connect; the request goes on trying until its deadline.
    void waiting(const ServiceRequest::Outcome &failure);
    void finished(const ServiceRequest::Outcome &outcome);

private:
    void send();
    void onReplyFinished(QNetworkReply *reply);
    void onDeadline();
    void finish(Outcome outcome);

    QPointer<QNetworkAccessManager> m_network;
    QUrl m_url;
    Options m_options;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QTimer m_retry;
    std::chrono::milliseconds m_backoff{250};
    // The last attempt's connection failure, while no attempt has connected since.
    std::optional<Outcome> m_connectFailure;
    bool m_done = false;
};
