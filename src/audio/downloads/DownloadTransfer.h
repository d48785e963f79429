#pragma once

#include "models/Track.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// One lecture's download: the request and its resumes (Range with If-Range, so a changed
// file comes whole), the body written into a hidden partial file beside the destination, and
// the move into place once the body is whole. Ends once, with finished(), unless cancelled.
class DownloadTransfer : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        std::chrono::milliseconds transferTimeout; // longest wait for data
        std::chrono::milliseconds resumeDelay;     // longest wait before a resume
    };

    // The partial file is ".<id>.<task id>.part" in `folder`; `destination` is never replaced.
    DownloadTransfer(QNetworkAccessManager *network, const Track &track, const QString &folder,
                     const QString &destination, Limits limits, QObject *parent = nullptr);
    ~DownloadTransfer() override;

    // False when the partial file cannot be created: nothing was sent.
    bool start();
    // Stops the transfer and deletes its partial body, or, when the whole body is already on
    // its way to its name, removes it once it is there. No signal follows; the transfer
    // deletes itself.
    void cancel();

    const Track &track() const { return m_track; }
    qint64 received() const { return m_received; }
    qint64 total() const { return m_total; }
    // The whole body is being flushed and moved into place off the GUI thread.
    bool isFinishing() const { return m_finishing; }

    static constexpr int maxResumes = 3;

signals:
    // At most about ten times a second, and once when the body is complete.
    void progress(qint64 received, qint64 total);
    // `whole`: the complete body was moved to the destination, or the destination was taken
    // meanwhile; false: the download failed and left nothing behind.
    void finished(bool whole);

private:
    void send();
    bool onHead();
    void onReadyRead();
    void onFinished();
    void resumeOrFail();
    void complete();
    void fail();
    // Stops the reply and deletes the partial body.
    void discard();
    bool acceptableStatus() const;

    QNetworkAccessManager *m_network;
    Track m_track;
    QString m_folder;
    QString m_destination;
    Limits m_limits;
    QByteArray m_taskText;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QFile> m_part; // the body so far, moved into place when complete
    qint64 m_received = 0;         // bytes in the part file
    qint64 m_total = -1;           // the whole lecture's size, -1 while unknown
    QByteArray m_validator;        // ETag or Last-Modified of the answer, for If-Range
    int m_resumes = 0;
    bool m_headSeen = false;      // of the current answer
    bool m_lengthUnknown = false; // the body so far came without a length
    bool m_alreadyWhole = false;  // a range request past the end said there is no more
    bool m_finishing = false;
    bool m_cancelled = false;
    QElapsedTimer m_sinceProgress;
};
