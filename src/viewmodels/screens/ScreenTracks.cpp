#include "ScreenTracks.h"

#include "audio/downloads/Downloads.h"
#include "persistence/FinishedLectures.h"
#include "persistence/Store.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"
#include "viewmodels/ResumeRule.h"

#include <cmath>

ScreenTracks::ScreenTracks(const Sources &sources, QObject *parent)
    : QObject(parent), m_sources(sources), m_model(&sources.store, &sources.downloads)
{
    LibraryViewModel &library = m_sources.library;
    PlayerViewModel &player = m_sources.player;
    FinishedLectures *finished = player.finished();
    m_model.setSeries(library.series());
    m_model.setFinished(finished);
    connect(&library, &LibraryViewModel::tracksChanged, this, &ScreenTracks::refresh);
    connect(&player, &PlayerViewModel::currentTrackChanged, this, &ScreenTracks::refreshCurrent);
    connect(&player, &PlayerViewModel::isPlayingChanged, this, &ScreenTracks::refreshCurrent);
    connect(&player, &PlayerViewModel::currentTimeChanged, this,
            &ScreenTracks::refreshCurrentProgress);
    connect(&player, &PlayerViewModel::durationChanged, this,
            &ScreenTracks::refreshCurrentProgress);
    connect(finished, &FinishedLectures::hideFinishedChanged, this, &ScreenTracks::refresh);
    connect(finished, &FinishedLectures::finishedChanged, this, [this, finished] {
        if (finished->hideFinished())
            refresh();
    });
    refreshCurrent();
}

void ScreenTracks::refresh()
{
    m_model.setTracks(withoutHidden(rows()));
}

QList<Track> ScreenTracks::withoutHidden(QList<Track> rows) const
{
    const FinishedLectures *finished = m_sources.player.finished();
    if (!finished->hideFinished() || finished->count() == 0)
        return rows;
    const std::optional<Track> &current = m_sources.player.currentTrack();
    const qint64 currentId = current ? current->id : -1;
    rows.removeIf([&](const Track &t) { return t.id != currentId && finished->isFinished(t.id); });
    return rows;
}

QList<qsizetype> ScreenTracks::withoutHidden(const QList<Track> &library,
                                             QList<qsizetype> rows) const
{
    const FinishedLectures *finished = m_sources.player.finished();
    if (!finished->hideFinished() || finished->count() == 0)
        return rows;
    const std::optional<Track> &current = m_sources.player.currentTrack();
    const qint64 currentId = current ? current->id : -1;
    rows.removeIf([&](qsizetype row) {
        const qint64 id = library.at(row).id;
        return id != currentId && finished->isFinished(id);
    });
    return rows;
}

void ScreenTracks::refreshCurrent()
{
    const PlayerViewModel &player = m_sources.player;
    std::optional<qint64> id;
    if (const auto track = player.currentTrack())
        id = track->id;
    m_model.setCurrentTrack(id, player.isPlaying());
    refreshCurrentProgress();
}

void ScreenTracks::refreshCurrentProgress()
{
    const PlayerViewModel &player = m_sources.player;
    std::optional<double> fraction;
    if (player.hasCurrentTrack() && player.duration() > 0)
        fraction = std::floor(player.currentTime()) / player.duration();
    m_model.setCurrentProgress(fraction);
}

std::optional<double> ScreenTracks::savedPlace(const Track &track) const
{
    return ResumeRule::fromSettingsOrHistory(track, m_sources.store);
}

void ScreenTracks::playRow(int row)
{
    if (const auto track = m_model.trackAt(row))
        m_sources.player.play(*track, queue(), startOf(*track));
}

void ScreenTracks::downloadRow(int row)
{
    if (const auto track = m_model.trackAt(row))
        m_sources.downloads.toggleDownload(*track);
}

void ScreenTracks::toggleFinishedRow(int row)
{
    const auto track = m_model.trackAt(row);
    if (!track)
        return;
    FinishedLectures *finished = m_sources.player.finished();
    finished->setFinished(track->id, !finished->isFinished(track->id));
}

int ScreenTracks::rowOfTrackId(const QVariant &id) const
{
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    return ok ? m_model.rowOfTrackId(value) : -1;
}
