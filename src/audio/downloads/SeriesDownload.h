#pragma once

#include "audio/downloads/Downloads.h"
#include "models/Track.h"
#include "viewmodels/LibraryViewModel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVariantList>

// "Unduh semua bagian": downloads the parts of one series that are not stored yet, two at a
// time, through the download manager (so each part keeps its rules: resume, no partial file
// recorded). A part that fails does not stop the others; it is listed as failed.
class SeriesDownload : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Downloads *downloads READ downloads WRITE setDownloads NOTIFY downloadsChanged)
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    // Index into the library's series; changing it cancels a run in progress.
    Q_PROPERTY(int series READ series WRITE setSeries NOTIFY seriesChanged)
    Q_PROPERTY(bool running READ isRunning NOTIFY stateChanged)
    // Parts this run had to fetch, and of those the ones stored and failed so far.
    Q_PROPERTY(int total READ total NOTIFY stateChanged)
    Q_PROPERTY(int stored READ stored NOTIFY stateChanged)
    Q_PROPERTY(int failed READ failedCount NOTIFY stateChanged)
    // Overall 0..1 of the run, counting the parts in flight by their bytes.
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    // Track ids (as numbers) of the parts that failed in the last run.
    Q_PROPERTY(QVariantList failedIds READ failedIdList NOTIFY stateChanged)
    // What the series' header says: "3 dari 10 bagian diunduh", "2 bagian gagal diunduh".
    Q_PROPERTY(QString statusText READ statusText NOTIFY stateChanged)

public:
    static constexpr int Parallel = 2;

    explicit SeriesDownload(QObject *parent = nullptr);
    ~SeriesDownload() override;

    Downloads *downloads() const { return m_downloads; }
    void setDownloads(Downloads *downloads);
    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    int series() const { return m_series; }
    void setSeries(int series);

    bool isRunning() const { return !m_waiting.isEmpty() || !m_inFlight.isEmpty(); }
    int total() const { return m_total; }
    int stored() const { return m_stored; }
    int failedCount() const { return int(m_failed.size()); }
    double progress() const;
    QVariantList failedIdList() const;
    QString statusText() const;
    bool hasFailed(qint64 id) const { return m_failed.contains(id); }

    Q_INVOKABLE void start();
    // Stops the parts in flight (their partial files go) and those not started.
    Q_INVOKABLE void cancel();

signals:
    void downloadsChanged();
    void libraryChanged();
    void seriesChanged();
    void stateChanged();
    void progressChanged();

private:
    void startMore();
    void onTrackState(qint64 id);

    QPointer<Downloads> m_downloads;
    QPointer<LibraryViewModel> m_library;
    int m_series = -1;
    QList<Track> m_waiting;
    QList<Track> m_inFlight;
    QSet<qint64> m_failed;
    int m_total = 0;
    int m_stored = 0;
    QList<QMetaObject::Connection> m_connections;
};
