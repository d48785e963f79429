#include "network/ServiceRequest.h"

#include <QNetworkAccessManager>

namespace {
constexpr std::chrono::milliseconds MaxBackoff{2000};
}

ServiceRequest::ServiceRequest(QNetworkAccessManager *network, const QUrl &url,
                               const Options &options, QObject *parent)
    : QObject(parent), m_network(network), m_url(url), m_options(options)
{
    m_deadline.setSingleShot(true);
    m_retry.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &ServiceRequest::onDeadline);
    connect(&m_retry, &QTimer::timeout, this, &ServiceRequest::send);
}

void ServiceRequest::start()
{
    m_deadline.start(m_options.deadline);
    send();
}

void ServiceRequest::send()
{
    if (m_done)
        return;
    if (!m_network) {
        finish({Outcome::Kind::Failed,
                0,
                {},
                QNetworkReply::UnknownNetworkError,
                QStringLiteral("The network client is gone")});
        return;
    }
    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(m_options.idleTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, m_options.cache);
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onReplyFinished(reply); });
}

bool ServiceRequest::isConnectFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError: // Qt's mapping of "network unreachable"
        return true;
    default:
        return false;
    }
}

void ServiceRequest::onReplyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (m_done || reply != m_reply)
        return;
    m_reply = nullptr;

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Errors 1-199 are transport failures (closed, timed out, cancelled, refused ...) and
    // 300-399 protocol failures: even after a status line, the body is then incomplete.
    // Errors 200-299 and 400-499 only restate the HTTP status, which the caller judges itself.
    const bool transportFailure =
        (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
        (error >= QNetworkReply::ProtocolUnknownError &&
         error < QNetworkReply::InternalServerError);
    if (status.isValid() && !transportFailure) {
        finish({Outcome::Kind::Response, status.toInt(), reply->readAll(), error, {}});
        return;
    }
    if (!status.isValid() && isConnectFailure(error)) {
        const bool first = !m_connectFailure;
        m_connectFailure = Outcome{Outcome::Kind::Failed, 0, {}, error, reply->errorString()};
        m_retry.start(m_backoff);
        m_backoff = std::min(m_backoff * 2, MaxBackoff);
        if (first)
            emit waiting(*m_connectFailure);
        return;
    }
    m_connectFailure.reset();
    // Qt ends an attempt that stayed idle past the transfer time-out as cancelled (6.4) or
    // timed out (later versions); this object never cancels a reply except at its deadline.
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
        finish({Outcome::Kind::Timeout, 0, {}, error, reply->errorString()});
        return;
    }
    finish({Outcome::Kind::Failed, status.toInt(), {}, error, reply->errorString()});
}

void ServiceRequest::retryNow()
{
    if (m_done || !m_retry.isActive())
        return;
    m_retry.stop();
    send();
}

void ServiceRequest::abandon()
{
    if (m_done)
        return;
    m_done = true;
    m_deadline.stop();
    m_retry.stop();
    if (m_reply)
        m_reply->abort();
    deleteLater();
}

void ServiceRequest::onDeadline()
{
    if (m_done)
        return;
    m_retry.stop();
    // Waiting for a service that refused every attempt is not a slow answer.
    if (m_connectFailure) {
        finish(*m_connectFailure);
        return;
    }
    finish({Outcome::Kind::Timeout,
            0,
            {},
            QNetworkReply::TimeoutError,
            QStringLiteral("The request timed out.")});
}

void ServiceRequest::finish(Outcome outcome)
{
    m_done = true;
    m_deadline.stop();
    m_retry.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->abort();
    }
    emit finished(outcome);
}
