#pragma once

#include "models/Track.h"
#include "persistence/Store.h"

#include <QList>

// Where a lecture started without a position of its own begins: at its history entry's
// place, unless it was finished (heard to its last half minute, or its last 5 % when that is
// shorter, or marked by the listener): then from the start. Without this a
// row click or next/previous started a half-heard lecture at 0:00 and the next save wrote
// that 0 over the place the listener had reached.
class ResumeRule
{
public:
    // A lecture whose place is this close to its end counts as heard to the end; a short one
    // only within its last FinishedShare (a two-minute clip heard halfway is not finished).
    static constexpr double FinishedWithin = 30.0;
    static constexpr double FinishedShare = 0.05;

    static bool isFinished(double position, double duration);
    // Played to its very end (the player stops within a fraction of a second of the length
    // the library gives): a restart brings it back at 0:00.
    static constexpr double EndedWithin = 1.0;
    static bool hasEnded(double position, double duration);
    // The most recent history entry of `track` decides; no entry starts at 0.
    static double fromHistory(const Track &track,
                              const QList<Store::PlaybackHistoryItem> &history);
    // History and Downloads screens: the settings' place for the last lecture, the history
    // entry for the others.
    static double fromSettingsOrHistory(const Track &track, const Store &store);
};
