#pragma once

#include "models/Track.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// Runs the real talvora-lecture-service on 127.0.0.1 for one test: a folder with library.json
// and MP3 files, switchable faults (faults.json, read again on every request) and the service's
// request log, parsed. Typical use:
//
//     LectureService service;
//     service.addMp3("kajian.mp3", 30);
//     service.setTracks({track});
//     QVERIFY(service.start());
//     ServiceAddress::setBaseUrl(service.baseUrl());
//
// The service stops when the object is destroyed.
class LectureService
{
public:
    // A fresh root folder inside a temporary directory (removed afterwards). The folder's parent
    // is private to this object too, so tests may put files "outside" the root next to it.
    LectureService();
    // Serves an existing folder as it is; the log still goes to a temporary directory.
    explicit LectureService(const QString &rootFolder);
    ~LectureService();

    LectureService(const LectureService &) = delete;
    LectureService &operator=(const LectureService &) = delete;

    QString rootPath() const { return m_root; }
    QString logPath() const;

    // Files in the root folder; `name` may contain sub-folders. Existing files are replaced.
    bool addTrackFile(const QString &name, const QByteArray &bytes);
    bool copyFile(const QString &sourcePath, const QString &name);
    // A real CBR MP3 of `seconds` (Fixtures::mp3) under `name`.
    bool addMp3(const QString &name, int seconds);

    // library.json as given, byte for byte.
    bool setLibrary(const QByteArray &json);
    // library.json from tracks: {"status":"success","total_files":...,"data":[...]}.
    // A negative totalFiles writes the number of tracks.
    bool setTracks(const QList<Track> &tracks, qint64 totalFiles = -1);

    // faults.json, e.g. {"library":{"status":503}, "files":{"a.mp3":{"drop_after":1000}},
    // "ranges":false}; see tools/lecture-service/README.md. Takes effect on the next request.
    bool setFaults(const QJsonObject &faults);
    void clearFaults();

    // Starts the service and waits until it listens. Port 0 picks a free port; passing port()
    // after stop() restarts on the same address.
    bool start(quint16 port = 0);
    void stop();
    bool isRunning() const;

    quint16 port() const { return m_port; }
    QString baseUrl() const; // "http://127.0.0.1:<port>", no trailing slash
    // baseUrl() + an already percent-encoded target such as "/stream.php?file=a%20b.mp3",
    // taken exactly as written.
    QUrl url(const QByteArray &encodedTarget) const;

    // Every line of the service's log, oldest first.
    QList<QJsonObject> logEntries() const;
    // Entries with "event":"request" whose raw target starts with `targetPrefix`.
    QList<QJsonObject> requests(const QString &targetPrefix = QString()) const;
    int requestCount(const QString &targetPrefix = QString()) const;
    // Entries with "event":"bad_audio" (track_id, filename, error, decoded).
    QList<QJsonObject> badAudioReports() const;
    // Bad-audio reports (other than markers) that arrived before a marker report sent now
    // through the program's own client, queued like the engine's reports: a check for "no
    // second report" waits for that later event instead of a fixed time. -1 when the marker
    // does not arrive within `timeoutMs`.
    int reportsBeforeMarker(int timeoutMs = 30000) const;
    // Spins the event loop until at least `count` matching requests are logged. A request is
    // logged when its answer ends or is cut, which for a client that hangs up can be a moment
    // after the client saw the failure.
    bool waitForRequestCount(const QString &targetPrefix, int count, int timeoutMs = 5000) const;
    // Spins the event loop until at least `count` matching requests have arrived (logged as
    // soon as their head is read, before any delay or answer).
    bool waitForArrivalCount(const QString &targetPrefix, int count, int timeoutMs = 5000) const;
    void clearLog();

    // Path of the built service program.
    static QString binaryPath();

private:
    QList<QJsonObject> events(const QString &event, const QString &targetPrefix) const;
    bool writeFile(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_temp;
    QString m_root;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};
