#pragma once

#include "audio/PlayerBackend.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <optional>

struct mpv_handle;
struct mpv_event;
class StreamProbe;

// The player over libmpv: one mpv handle for the life of the backend, each item loaded into
// it with "loadfile ... replace" (re-creating the handle costs up to half a second). mpv's
// events are drained on this object's thread, woken by mpv's wakeup callback, so every
// handler runs there.
//
// Item status: ready when mpv has loaded the file, failed when mpv ends it with an error or
// when a stream whose connection broke ends well before its length (mpv reports such an end
// as a normal end of file). The readable error comes from mpv's warnings and errors of the
// item; audio-output noise is left out.
//
// Trust: mpv verifies every HTTPS site against TrustStore's authorities. FFmpeg follows
// redirects by itself, also from HTTPS to plain HTTP, so an HTTPS address is first asked for
// its head through the verified Qt client (StreamProbe), which refuses such a redirect and an
// untrusted certificate before any audio is fetched; mpv then loads where the site led.
//
// Breaks: FFmpeg reopens a dropped connection at its byte offset once, at once. When that
// fails, the stream has ended early while the buffer still plays: the break handler hears of
// it then, from mpv's cache state, not when the buffer has run dry.
class MpvBackend : public QObject, public PlayerBackend
{
    Q_OBJECT

public:
    explicit MpvBackend(QObject *parent = nullptr);
    ~MpvBackend() override;

    // False when mpv could not be created; every operation then does nothing and each load
    // fails.
    bool isValid() const { return m_mpv != nullptr; }

    void load(const QUrl &url) override;
    void clear() override;
    void play() override;
    void pause() override;

    ItemStatus itemStatus() const override { return m_status; }
    QString itemError() const override { return m_error; }
    bool itemRefused() const override { return m_refused; }
    TimeControlStatus timeControlStatus() const override;

    void seek(qint64 time, SeekCompletion completion = {}) override;
    void setRate(double rate) override;
    void setVolume(double volume) override;
    void setVoiceLeveling(bool on) override;

    void setStatusHandler(StatusHandler handler) override { m_statusHandler = std::move(handler); }
    void setPeriodicTimeHandler(qint64 interval, TimeHandler handler) override;
    void setRateHandler(RateHandler handler) override { m_rateHandler = std::move(handler); }
    void setEndHandler(EndHandler handler) override { m_endHandler = std::move(handler); }
    void setBreakHandler(BreakHandler handler) override { m_breakHandler = std::move(handler); }

    // mpv's position in seconds at this moment, -1 without a loaded item. The engine takes its
    // positions from the periodic callback; this finer reading is for measurements.
    double position() const { return m_itemLoaded ? doubleProperty("time-pos", -1) : -1; }
    // Seconds of sound buffered ahead of the playing place, for checks and measurements.
    double bufferedSeconds() const { return doubleProperty("demuxer-cache-duration", 0); }
    // mpv's audio filter chain as it stands, for checks and measurements.
    QString audioFilters() const;

private:
    struct PendingSeek
    {
        quint64 requestId = 0;
        SeekCompletion completion;
        bool accepted = false; // mpv replied to the seek command without error
        bool started = false;  // mpv announced the seek after accepting it
    };

    static void wakeup(void *context);
    void drainEvents();
    void handleEvent(const mpv_event &event);
    void onLogMessage(const mpv_event &event);
    void onPropertyChange(const mpv_event &event);
    void onFileLoaded();
    void onEndFile(const mpv_event &event);
    void checkEndOfMedia();
    void checkPausedAtEnd();
    void resetItem();
    void failItem(const QString &reason);
    void setItemStatus(ItemStatus status);
    // Ends the pending seek, if any; its completion runs later on this thread.
    void endSeek(bool finished);
    void pollTime();
    void loadResolved(const QUrl &url);
    void watchFirstMove();
    void checkFirstMove();
    void checkBreak();
    bool isCurrentItemActive() const;
    QString messagesText() const;
    double doubleProperty(const char *name, double fallback) const;
    bool flagProperty(const char *name, bool fallback) const;
    void setPauseProperty(bool paused);

    mpv_handle *m_mpv = nullptr;
    std::atomic_bool m_wakeupQueued{false};

    // mpv playlist entry of the current item (-1: none) and the entry mpv is working on.
    qint64 m_itemEntry = -1;
    qint64 m_coreEntry = -1;
    bool m_itemLoaded = false;
    ItemStatus m_status = ItemStatus::Unknown;
    QString m_error;
    QStringList m_messages;
    bool m_sawStreamError = false;
    bool m_refused = false;
    QPointer<StreamProbe> m_probe;
    // After FFmpeg said the stream ended early: whether its own reopening failed.
    QTimer m_breakCheck;
    int m_breakChecksLeft = 0;
    bool m_breakSignalled = false;
    int m_endFileError = 0;
    QTimer m_failureGrace;

    bool m_paused = true;
    bool m_eofReached = false;
    bool m_endSignalled = false;
    double m_mediaDuration = 0;
    QTimer m_endCheck;
    int m_endChecksLeft = 0;

    quint64 m_nextRequestId = 1;
    std::optional<PendingSeek> m_seek;

    QTimer m_timeTimer;
    // From a start or a landed seek until the place first moves, read often, so the first
    // moving place is published with the first sound instead of at the next periodic tick.
    QTimer m_firstMove;
    int m_firstMoveChecksLeft = 0;
    double m_firstMoveFrom = -1;
    StatusHandler m_statusHandler;
    TimeHandler m_timeHandler;
    RateHandler m_rateHandler;
    EndHandler m_endHandler;
    BreakHandler m_breakHandler;
};
