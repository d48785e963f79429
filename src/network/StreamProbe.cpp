#include "network/StreamProbe.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslError>

namespace {

bool isTrustFailure(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::SslHandshakeFailedError ||
           error == QNetworkReply::InsecureRedirectError;
}

} // namespace

StreamProbe::StreamProbe(QObject *context, Done done)
    : QObject(nullptr), m_context(context), m_done(std::move(done))
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        deliver({Result::Kind::Unreachable, {}, 0, m_url.host() + QStringLiteral(": no answer")});
    });
}

StreamProbe *StreamProbe::start(QNetworkAccessManager *network, const QUrl &url, QObject *context,
                                Done done, int timeoutMs)
{
    auto *probe = new StreamProbe(context, std::move(done));
    probe->m_url = url;
    if (context)
        connect(context, &QObject::destroyed, probe, &StreamProbe::cancel);
    QNetworkRequest request(url);
    // One byte is enough to learn that the file is there; a site that ignores ranges is cut
    // off at the head anyway.
    request.setRawHeader("Range", "bytes=0-0");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network->get(request);
    probe->m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, probe, &StreamProbe::onHead);
    connect(reply, &QNetworkReply::finished, probe, &StreamProbe::onFinished);
    probe->m_timeout.start(timeoutMs);
    return probe;
}

void StreamProbe::onHead()
{
    if (!m_reply)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A redirect's head comes first; the client follows it by itself.
    if (!status.isValid() || (status.toInt() >= 300 && status.toInt() < 400))
        return;
    deliver({Result::Kind::Answered, m_reply->url(), status.toInt(), {}});
}

void StreamProbe::onFinished()
{
    if (!m_reply)
        return;
    const QNetworkReply::NetworkError error = m_reply->error();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString host = m_reply->url().host();
    if (isTrustFailure(error)) {
        deliver({Result::Kind::Untrusted, m_reply->url(), 0,
                 host + QStringLiteral(": ") + m_reply->errorString()});
    } else if (status.isValid() && !(status.toInt() >= 300 && status.toInt() < 400)) {
        deliver({Result::Kind::Answered, m_reply->url(), status.toInt(), {}});
    } else {
        deliver({Result::Kind::Unreachable, m_reply->url(), 0,
                 host + QStringLiteral(": ") + m_reply->errorString()});
    }
}

void StreamProbe::cancel()
{
    m_done = nullptr;
    deliver({});
}

void StreamProbe::deliver(Result result)
{
    if (m_delivered)
        return;
    m_delivered = true;
    m_timeout.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    Done done = std::move(m_done);
    const bool wanted = done && m_context;
    deleteLater();
    if (wanted)
        done(result);
}
