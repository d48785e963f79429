#include "viewmodels/ResumeRule.h"

#include <algorithm>

bool ResumeRule::isFinished(double position, double duration)
{
    return duration > 0 &&
           position >= duration - std::min(FinishedWithin, duration * FinishedShare);
}

bool ResumeRule::hasEnded(double position, double duration)
{
    return duration > 0 && position >= duration - EndedWithin;
}

double ResumeRule::fromHistory(const Track &track,
                               const QList<Store::PlaybackHistoryItem> &history)
{
    for (const Store::PlaybackHistoryItem &item : history) {
        if (item.id != track.id)
            continue;
        const double duration = track.durationSeconds && *track.durationSeconds > 0
                                    ? double(*track.durationSeconds)
                                    : item.duration;
        if (!(item.lastPosition > 0) || isFinished(item.lastPosition, duration))
            return 0;
        return item.lastPosition;
    }
    return 0;
}

double ResumeRule::fromSettingsOrHistory(const Track &track, const Store &store)
{
    const std::optional<Store::Settings> settings = store.loadSettings();
    if (settings && settings->lastTrackId && *settings->lastTrackId == track.id) {
        const double duration = track.durationSeconds && *track.durationSeconds > 0
                                    ? double(*track.durationSeconds)
                                    : settings->lastDuration;
        const double position = settings->lastPosition;
        return position > 0 && !isFinished(position, duration) ? position : 0;
    }
    return fromHistory(track, store.loadPlaybackHistory());
}
