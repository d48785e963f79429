#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// What the audio engine needs from a media player, and no more. One backend object is the
// player for the life of the engine; each load() gives it a new current item. Times are
// integers at 600 units per second.
//
// Callbacks: the status handler may run on any thread; every other callback runs on the
// thread that owns the backend (the GUI thread). Setting a handler replaces the previous
// one; an empty function removes it. A handler never runs after it was replaced or removed
// on the owning thread.
class PlayerBackend
{
public:
    static constexpr qint64 Timescale = 600;

    enum class ItemStatus { Unknown = 0, ReadyToPlay = 1, Failed = 2 };
    enum class TimeControlStatus { Paused = 0, WaitingToPlay = 1, Playing = 2 };

    using StatusHandler = std::function<void(ItemStatus newStatus, ItemStatus oldStatus)>;
    using TimeHandler = std::function<void(qint64 time)>;
    using RateHandler = std::function<void(double rate)>;
    using EndHandler = std::function<void()>;
    using SeekCompletion = std::function<void(bool finished)>;
    using BreakHandler = std::function<void(qint64 bufferedUntil)>;

    virtual ~PlayerBackend() = default;

    // Replaces the current item (if any) with a new, paused one for `url`. Its status starts
    // at Unknown and changes once, to ReadyToPlay or Failed.
    virtual void load(const QUrl &url) = 0;
    // Replaces the current item with none.
    virtual void clear() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;

    virtual ItemStatus itemStatus() const = 0;
    // Readable reason of a failed item; empty when the item carries none.
    virtual QString itemError() const = 0;
    // The current item failed because its site could not be trusted (a refused certificate,
    // a redirect from HTTPS to plain HTTP): trying it again cannot help.
    virtual bool itemRefused() const { return false; }
    virtual TimeControlStatus timeControlStatus() const = 0;

    // A later seek interrupts an earlier one, whose completion then runs with false; so does
    // a seek that cannot be made (no item ready) and a new load or clear().
    virtual void seek(qint64 time, SeekCompletion completion = {}) = 0;
    // Playback speed (1 normal) with the pitch kept; it stays for later items.
    virtual void setRate(double rate) = 0;
    // Output volume 0..1; it stays for later items.
    virtual void setVolume(double volume) = 0;

    // Evens out the loudness of quiet and uneven recordings ("Perjelas suara"), for this and
    // every later item; applied to the playing item without reloading it.
    virtual void setVoiceLeveling(bool on) = 0;

    // Status changes of the current item: no call for the initial value.
    virtual void setStatusHandler(StatusHandler handler) = 0;
    // Every `interval` while the current item plays.
    virtual void setPeriodicTimeHandler(qint64 interval, TimeHandler handler) = 0;
    // Every change of the requested rate: 0 paused, 1 playing.
    virtual void setRateHandler(RateHandler handler) = 0;
    // The current item played to its end (the player then pauses there by itself).
    virtual void setEndHandler(EndHandler handler) = 0;
    // The current item's connection broke and the player could not reopen it by itself; what
    // is buffered (up to `bufferedUntil`) still plays, and the item fails once it ran out.
    // At most once per item.
    virtual void setBreakHandler(BreakHandler handler) { Q_UNUSED(handler); }

    static const char *timeControlStatusName(TimeControlStatus status)
    {
        switch (status) {
        case TimeControlStatus::Paused:
            return "paused";
        case TimeControlStatus::WaitingToPlay:
            return "waitingToPlay";
        case TimeControlStatus::Playing:
            return "playing";
        }
        return "unknown";
    }
};
