#pragma once

#include "models/Library.h"
#include "network/ServiceRequest.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// The only code that talks to the lecture service, apart from streaming and downloading.
// A set of static operations over one shared HTTP client.
class APIClient
{
public:
    struct Error
    {
        enum class Kind {
            Network,       // the connection broke off
            CannotConnect, // refused, host not found, no network: the service is out of reach
            Timeout,
            BadServerResponse,
            HttpStatus,
            Decoding,
        };
        Kind kind = Kind::Network;
        int code = 0;        // the HTTP status for HttpStatus
        QString description; // user-visible text in Indonesian, e.g. "Kesalahan server: 503"
    };

    struct FetchResult
    {
        std::optional<LibraryResponse> library; // set on success
        Error error;                            // meaningful when library is empty
    };

    // GET <base>/api.php?action=getTracks; call from the main thread. `done` runs there once
    // (the body is decoded on a worker thread in between), unless
    // `context` has been destroyed meanwhile.
    // `waiting` runs (also on the main thread) at once when the service cannot be reached; the
    // request then goes on trying until its deadline. The returned request can be told to try
    // again now; it is gone once `done` has run.
    static QPointer<ServiceRequest> fetchTracks(QObject *context,
                                                std::function<void(const FetchResult &)> done,
                                                std::function<void(const Error &)> waiting = {});

    // Fire-and-forget report of a lecture whose audio failed to load.
    static void logBadAudio(qint64 trackId, const QString &filename);

    static QUrl libraryURL();
    static QUrl badAudioURL(qint64 trackId, const QString &filename);

    static constexpr std::chrono::milliseconds defaultIdleTimeout{30000};
    static constexpr std::chrono::milliseconds defaultDeadline{60000};
    // A bad-audio report gives up sooner than the library request when the service is silent.
    static constexpr std::chrono::milliseconds reportIdleTimeout{15000};

    // Idle and whole-request limits; tests shorten them, no arguments restores the defaults.
    static void setTimeouts(std::chrono::milliseconds idle = defaultIdleTimeout,
                            std::chrono::milliseconds resource = defaultDeadline);
    // What the library request and a report are sent with.
    static ServiceRequest::Options libraryRequestOptions();
    static ServiceRequest::Options reportRequestOptions();

    // The program's one HTTP client, created on first use and owned by the application object;
    // the service requests, the stream probes and the downloads all go through it.
    static QNetworkAccessManager *network();
};
