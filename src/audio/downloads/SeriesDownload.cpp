#include "audio/downloads/SeriesDownload.h"

#include "audio/downloads/Downloads.h"
#include "viewmodels/LibraryViewModel.h"

SeriesDownload::SeriesDownload(QObject *parent) : QObject(parent) {}

SeriesDownload::~SeriesDownload()
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
}

void SeriesDownload::setDownloads(Downloads *downloads)
{
    if (m_downloads == downloads)
        return;
    cancel();
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_downloads = downloads;
    if (m_downloads) {
        m_connections << connect(m_downloads, &Downloads::trackStateChanged, this,
                                 &SeriesDownload::onTrackState)
                      << connect(m_downloads, &Downloads::downloadProgress, this, [this] {
                             if (!m_inFlight.isEmpty())
                                 emit progressChanged();
                         });
    }
    emit downloadsChanged();
}

void SeriesDownload::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    m_library = library;
    emit libraryChanged();
}

void SeriesDownload::setSeries(int series)
{
    if (m_series == series)
        return;
    cancel();
    m_series = series;
    m_failed.clear();
    m_total = m_stored = 0;
    emit seriesChanged();
    emit stateChanged();
    emit progressChanged();
}

void SeriesDownload::start()
{
    if (!m_downloads || !m_library || isRunning())
        return;
    m_failed.clear();
    m_stored = 0;
    m_waiting.clear();
    for (const Track &part : m_library->series()->parts(m_series)) {
        if (!m_downloads->isDownloaded(part))
            m_waiting.append(part);
    }
    m_total = int(m_waiting.size());
    startMore();
    emit stateChanged();
    emit progressChanged();
}

void SeriesDownload::startMore()
{
    while (m_inFlight.size() < Parallel && !m_waiting.isEmpty()) {
        const Track part = m_waiting.takeFirst();
        m_inFlight.append(part);
        // One already in flight (started from its row) is followed, not started again.
        if (!m_downloads->isDownloading(part.id))
            m_downloads->startDownload(part);
        // A start that ended at once (no file name, a failure before any request) is told
        // through the state change, which may already have come.
        if (!m_downloads->isDownloading(part.id))
            onTrackState(part.id);
    }
}

void SeriesDownload::onTrackState(qint64 id)
{
    if (!m_downloads || m_downloads->isDownloading(id))
        return;
    const auto found = std::find_if(m_inFlight.cbegin(), m_inFlight.cend(),
                                    [id](const Track &t) { return t.id == id; });
    if (found == m_inFlight.cend())
        return;
    const Track part = *found;
    m_inFlight.removeAt(found - m_inFlight.cbegin());
    if (m_downloads->isDownloaded(part))
        ++m_stored;
    else
        m_failed.insert(part.id);
    startMore();
    emit stateChanged();
    emit progressChanged();
}

void SeriesDownload::cancel()
{
    if (!isRunning())
        return;
    m_waiting.clear();
    const QList<Track> inFlight = std::exchange(m_inFlight, {});
    if (m_downloads) {
        for (const Track &part : inFlight)
            m_downloads->cancelDownload(part);
    }
    emit stateChanged();
    emit progressChanged();
}

double SeriesDownload::progress() const
{
    if (m_total == 0)
        return 0;
    double done = m_stored + double(m_failed.size());
    for (const Track &part : m_inFlight) {
        const double fraction = m_downloads ? m_downloads->progress(part.id) : -1;
        if (fraction > 0)
            done += fraction;
    }
    return std::min(1.0, done / m_total);
}

QVariantList SeriesDownload::failedIdList() const
{
    QVariantList ids;
    for (qint64 id : m_failed)
        ids << double(id);
    return ids;
}

QString SeriesDownload::statusText() const
{
    if (isRunning())
        return QStringLiteral("%1 dari %2 bagian diunduh").arg(m_stored).arg(m_total);
    if (!m_failed.isEmpty())
        return QStringLiteral("%1 bagian gagal diunduh").arg(m_failed.size());
    if (m_total > 0)
        return QStringLiteral("Semua bagian tersimpan");
    return {};
}
