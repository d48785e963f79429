#include "network/APIClient.h"

#include "Logging.h"

#include "network/ServiceRequest.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QThreadPool>

namespace {

struct Timeouts
{
    std::chrono::milliseconds idle = APIClient::defaultIdleTimeout;
    std::chrono::milliseconds resource = APIClient::defaultDeadline;
};

Timeouts &timeouts()
{
    static Timeouts values;
    return values;
}

using Kind = APIClient::Error::Kind;

// Why an attempt could not connect, as the listener reads it.
APIClient::Error connectError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return {Kind::CannotConnect, 0, QStringLiteral("Layanan kajian menolak sambungan.")};
    case QNetworkReply::HostNotFoundError:
        return {Kind::CannotConnect, 0, QStringLiteral("Alamat layanan kajian tidak ditemukan.")};
    default:
        return {Kind::CannotConnect, 0, QStringLiteral("Tidak ada sambungan jaringan.")};
    }
}

// The error for an outcome that has one; a default result (Network kind, empty description)
// for a 2xx answer, whose body is decoded next.
APIClient::FetchResult toFetchResult(const ServiceRequest::Outcome &outcome)
{
    APIClient::FetchResult result;
    switch (outcome.kind) {
    case ServiceRequest::Outcome::Kind::Timeout:
        result.error = {Kind::Timeout, 0, QStringLiteral("Waktu permintaan habis.")};
        return result;
    case ServiceRequest::Outcome::Kind::Failed:
        if (outcome.httpStatus == 0 && (outcome.error == QNetworkReply::NoError ||
                                        outcome.error == QNetworkReply::RemoteHostClosedError ||
                                        outcome.error == QNetworkReply::ProtocolFailure)) {
            // The service took the connection but no HTTP answer came back: Qt reports bytes
            // that are not HTTP as a closed connection, without a status.
            result.error = {Kind::BadServerResponse, 0,
                            QStringLiteral("Layanan kajian memberi jawaban yang tidak valid.")};
        } else if (outcome.httpStatus == 0 && ServiceRequest::isConnectFailure(outcome.error)) {
            result.error = connectError(outcome.error);
        } else {
            qCWarning(lcNetwork).noquote()
                << "[APIClient] library request failed:" << outcome.errorString;
            result.error = {Kind::Network, 0,
                            QStringLiteral("Sambungan ke layanan kajian terputus.")};
        }
        return result;
    case ServiceRequest::Outcome::Kind::Response:
        break;
    }
    if (outcome.httpStatus < 200 || outcome.httpStatus > 299) {
        result.error = {Kind::HttpStatus, outcome.httpStatus,
                        QStringLiteral("Kesalahan server: %1").arg(outcome.httpStatus)};
        return result;
    }
    return result; // a body to decode
}

APIClient::FetchResult decodeLibrary(const QByteArray &body)
{
    APIClient::FetchResult result;
    QString reason;
    result.library = LibraryResponse::fromJson(body, &reason);
    if (!result.library) {
        // The parser's reason is for the log; the listener reads what it means.
        qCWarning(lcNetwork).noquote() << "[APIClient] library document rejected:" << reason;
        result.error = {Kind::Decoding, 0,
                        QStringLiteral("Data tidak dapat dibaca karena formatnya tidak benar.")};
    }
    return result;
}

} // namespace

QNetworkAccessManager *APIClient::network()
{
    // Owned by the application object so that it goes before the application does; all
    // callers are on the main thread, so creating it on first use needs no lock.
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return manager;
}

void APIClient::setTimeouts(std::chrono::milliseconds idle, std::chrono::milliseconds resource)
{
    timeouts() = {idle, resource};
}

QUrl APIClient::libraryURL()
{
    return QUrl(ServiceAddress::baseUrl() + QStringLiteral("/api.php?action=getTracks"));
}

QUrl APIClient::badAudioURL(qint64 trackId, const QString &filename)
{
    return QUrl(ServiceAddress::baseUrl() +
                QStringLiteral("/api.php?action=logBadAudio&track_id=") + QString::number(trackId) +
                QStringLiteral("&filename=") + ServiceAddress::encodeFileName(filename) +
                QStringLiteral("&error=load_error"));
}

ServiceRequest::Options APIClient::libraryRequestOptions()
{
    return {timeouts().idle, timeouts().resource, QNetworkRequest::AlwaysNetwork};
}

ServiceRequest::Options APIClient::reportRequestOptions()
{
    return {std::min(reportIdleTimeout, timeouts().idle), timeouts().resource,
            QNetworkRequest::PreferNetwork};
}

QPointer<ServiceRequest> APIClient::fetchTracks(QObject *context,
                                                std::function<void(const FetchResult &)> done,
                                                std::function<void(const Error &)> waiting)
{
    QNetworkAccessManager *manager = network();
    auto *request = new ServiceRequest(manager, libraryURL(), libraryRequestOptions(), manager);
    const bool hasContext = context != nullptr;
    QPointer<QObject> guard(context);
    if (waiting) {
        QObject::connect(request, &ServiceRequest::waiting, request,
                         [hasContext, guard, waiting](const ServiceRequest::Outcome &failure) {
                             if (!hasContext || guard)
                                 waiting(connectError(failure.error));
                         });
    }
    auto deliver = [hasContext, guard, done = std::move(done)](const FetchResult &result) {
        if ((hasContext && !guard) || !done)
            return;
        done(result);
    };
    QObject::connect(
        request, &ServiceRequest::finished, request,
        [request, deliver = std::move(deliver)](const ServiceRequest::Outcome &outcome) mutable {
            request->deleteLater();
            const bool hasBody = outcome.kind == ServiceRequest::Outcome::Kind::Response &&
                                 outcome.httpStatus >= 200 && outcome.httpStatus <= 299;
            if (!hasBody) {
                deliver(toFetchResult(outcome));
                return;
            }
            // A large library takes a noticeable time to decode: off the main thread, with
            // the result handed back to it. The application waits for the pool's workers
            // before it goes, so it outlives the hand-back.
            QCoreApplication *app = QCoreApplication::instance();
            QThreadPool::globalInstance()->start([app, body = outcome.body,
                                                  deliver = std::move(deliver)]() mutable {
                FetchResult result = decodeLibrary(body);
                QMetaObject::invokeMethod(
                    app,
                    [result = std::move(result), deliver = std::move(deliver)] { deliver(result); },
                    Qt::QueuedConnection);
            });
        });
    request->start();
    return request;
}

void APIClient::logBadAudio(qint64 trackId, const QString &filename)
{
    const QUrl url = badAudioURL(trackId, filename);
    if (!url.isValid())
        return;
    QNetworkAccessManager *manager = network();
    auto *request = new ServiceRequest(manager, url, reportRequestOptions(), manager);
    QObject::connect(request, &ServiceRequest::finished, request, &QObject::deleteLater);
    request->start();
}
