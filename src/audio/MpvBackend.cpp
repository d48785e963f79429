#include "audio/MpvBackend.h"

#include "Logging.h"

#include "network/APIClient.h"
#include "network/StreamProbe.h"
#include "network/TrustStore.h"

#include <QDebug>
#include <QPointer>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cmath>

namespace {

enum PropertyId : quint64 { PauseProperty = 1, EofProperty, DurationProperty };

// mpv's log lines that trail an item's end arrive after the end event; the failure waits
// this long for them so the reason names the cause, not just "loading failed".
constexpr int FailureGraceMs = 50;
// An end this far before the stream's known length, after a stream error, is a broken
// connection, not the end of the lecture.
constexpr double EarlyEndSeconds = 2.0;
constexpr int MaxMessages = 3;
constexpr int EndCheckMs = 100;
constexpr int EndChecks = 5;
constexpr int BreakCheckMs = 100;
constexpr int BreakChecks = 30;
constexpr int FirstMoveCheckMs = 5;
constexpr int FirstMoveChecks = 400;

void setOption(mpv_handle *mpv, const char *name, const char *value)
{
    const int rc = mpv_set_option_string(mpv, name, value);
    if (rc < 0)
        qCWarning(lcAudio).noquote()
            << "[MpvBackend] option" << name << "rejected:" << mpv_error_string(rc);
}

} // namespace

MpvBackend::MpvBackend(QObject *parent) : QObject(parent)
{
    // libmpv refuses to start unless numbers are formatted the C way; the Qt application
    // object set the locale from the environment when it was created.
    std::setlocale(LC_NUMERIC, "C");

    m_failureGrace.setSingleShot(true);
    m_failureGrace.setInterval(FailureGraceMs);
    connect(&m_failureGrace, &QTimer::timeout, this,
            [this] { failItem(QString::fromUtf8(mpv_error_string(m_endFileError))); });
    connect(&m_timeTimer, &QTimer::timeout, this, &MpvBackend::pollTime);
    m_endCheck.setInterval(EndCheckMs);
    connect(&m_endCheck, &QTimer::timeout, this, &MpvBackend::checkPausedAtEnd);
    m_breakCheck.setInterval(BreakCheckMs);
    connect(&m_breakCheck, &QTimer::timeout, this, &MpvBackend::checkBreak);
    m_firstMove.setInterval(FirstMoveCheckMs);
    connect(&m_firstMove, &QTimer::timeout, this, &MpvBackend::checkFirstMove);

    m_mpv = mpv_create();
    if (!m_mpv) {
        qCWarning(lcAudio).noquote() << "[MpvBackend] mpv could not be created";
        return;
    }
    setOption(m_mpv, "vid", "no");
    setOption(m_mpv, "ytdl", "no");
    setOption(m_mpv, "load-scripts", "no");
    setOption(m_mpv, "force-seekable", "yes");
    // Seeks in an MP3 stream become byte seeks through a Range request instead of reading
    // the whole file up to the target.
    setOption(m_mpv, "demuxer-lavf-o", "fflags=+fastseek");
    // FFmpeg reopens a dropped connection at its byte offset by itself, once and at once
    // (mpv would let it sleep and retry for up to seven seconds while nobody knows); when
    // that fails the engine's own tries take over while the buffer still plays, and one
    // policy decides how long a break may last.
    setOption(m_mpv, "stream-lavf-o", "reconnect_delay_max=0");
    // Every HTTPS site is verified; the authorities are set again at each load.
    setOption(m_mpv, "tls-verify", "yes");
    // No sound device (CI, a headless box): play silently with a running clock.
    setOption(m_mpv, "audio-fallback-to-null", "yes");
    // The default cache keeps a whole lecture in memory (190 MB for an hour).
    setOption(m_mpv, "demuxer-max-bytes", "4MiB");
    setOption(m_mpv, "demuxer-max-back-bytes", "1MiB");
    // At the end the item stays loaded and paused, as the engine expects of a player.
    setOption(m_mpv, "keep-open", "yes");
    setOption(m_mpv, "pause", "yes");
    setOption(m_mpv, "audio-client-name", "Talvora");

    if (mpv_initialize(m_mpv) < 0) {
        qCWarning(lcAudio).noquote() << "[MpvBackend] mpv could not be initialised";
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        return;
    }
    mpv_request_log_messages(m_mpv, "warn");
    mpv_observe_property(m_mpv, PauseProperty, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, EofProperty, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, DurationProperty, "duration", MPV_FORMAT_DOUBLE);
    mpv_set_wakeup_callback(m_mpv, &MpvBackend::wakeup, this);
}

MpvBackend::~MpvBackend()
{
    if (!m_mpv)
        return;
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
}

void MpvBackend::wakeup(void *context)
{
    // Runs on one of mpv's threads. One queued drain at a time is enough: it empties the
    // whole event queue.
    auto *self = static_cast<MpvBackend *>(context);
    if (!self->m_wakeupQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MpvBackend::drainEvents, Qt::QueuedConnection);
}

void MpvBackend::drainEvents()
{
    m_wakeupQueued = false;
    if (!m_mpv)
        return;
    QPointer<MpvBackend> guard(this);
    while (guard) {
        mpv_event *event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvBackend::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE:
        onLogMessage(event);
        break;
    case MPV_EVENT_START_FILE:
        m_coreEntry = static_cast<mpv_event_start_file *>(event.data)->playlist_entry_id;
        if (m_coreEntry == m_itemEntry) {
            // Messages before this belong to the previous item.
            m_messages.clear();
            m_sawStreamError = false;
        }
        break;
    case MPV_EVENT_FILE_LOADED:
        onFileLoaded();
        break;
    case MPV_EVENT_END_FILE:
        onEndFile(event);
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        onPropertyChange(event);
        break;
    case MPV_EVENT_COMMAND_REPLY:
        if (m_seek && event.reply_userdata == m_seek->requestId) {
            if (event.error < 0)
                endSeek(false);
            else
                m_seek->accepted = true;
        }
        break;
    case MPV_EVENT_SET_PROPERTY_REPLY:
        if (event.error < 0)
            qCWarning(lcAudio).noquote()
                << "[MpvBackend] audio filter rejected:" << mpv_error_string(event.error);
        break;
    case MPV_EVENT_SEEK:
        if (m_seek && m_seek->accepted)
            m_seek->started = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_seek && m_seek->started) {
            endSeek(true);
            checkEndOfMedia();
        }
        watchFirstMove();
        break;
    default:
        break;
    }
}

void MpvBackend::onLogMessage(const mpv_event &event)
{
    const auto *message = static_cast<mpv_event_log_message *>(event.data);
    const QString prefix = QString::fromUtf8(message->prefix);
    // Only the network, file and player-core parts speak of the lecture's stream; the others
    // warn of things that are no fault (missing sound devices tried before the silent output,
    // duration estimates, seeking enabled on a stream).
    static const QStringList streamParts = {QStringLiteral("ffmpeg"), QStringLiteral("stream"),
                                            QStringLiteral("file"), QStringLiteral("cplayer")};
    if (!streamParts.contains(prefix))
        return;
    if (m_coreEntry != m_itemEntry || m_itemEntry < 0)
        return;
    const QString text = QString::fromUtf8(message->text).trimmed();
    if (text.isEmpty())
        return;
    // FFmpeg reports a connection that broke off as a warning ("Stream ends prematurely").
    const bool prematurely = text.contains(QLatin1String("prematurely"));
    if (message->log_level <= MPV_LOG_LEVEL_ERROR || prematurely)
        m_sawStreamError = true;
    if (message->log_level <= MPV_LOG_LEVEL_ERROR && text.contains(QLatin1String("certificate")))
        m_refused = true;
    if (prematurely && m_itemLoaded && !m_breakSignalled && !m_breakCheck.isActive()) {
        m_breakChecksLeft = BreakChecks;
        m_breakCheck.start();
    }
    // "ffmpeg" and "cplayer" say nothing to a reader; the text itself names the part.
    const bool bare = prefix == QLatin1String("ffmpeg") || prefix == QLatin1String("cplayer");
    if (m_messages.size() < MaxMessages)
        m_messages.append(bare ? text : prefix + QStringLiteral(": ") + text);
}

void MpvBackend::onPropertyChange(const mpv_event &event)
{
    const auto *property = static_cast<mpv_event_property *>(event.data);
    switch (event.reply_userdata) {
    case PauseProperty: {
        if (property->format != MPV_FORMAT_FLAG)
            return;
        const bool paused = *static_cast<int *>(property->data) != 0;
        if (paused == m_paused)
            return;
        m_paused = paused;
        if (!paused)
            m_endSignalled = false;
        watchFirstMove();
        if (m_rateHandler) {
            const RateHandler handler = m_rateHandler;
            handler(paused ? 0.0 : 1.0);
        }
        checkEndOfMedia();
        return;
    }
    case EofProperty: {
        m_eofReached =
            property->format == MPV_FORMAT_FLAG && *static_cast<int *>(property->data) != 0;
        if (!m_eofReached)
            m_endSignalled = false;
        checkEndOfMedia();
        return;
    }
    case DurationProperty:
        if (property->format == MPV_FORMAT_DOUBLE && isCurrentItemActive())
            m_mediaDuration = *static_cast<double *>(property->data);
        return;
    default:
        return;
    }
}

void MpvBackend::onFileLoaded()
{
    if (m_itemEntry < 0 || m_coreEntry != m_itemEntry || m_status != ItemStatus::Unknown)
        return;
    m_itemLoaded = true;
    m_eofReached = false;
    m_endSignalled = false;
    m_mediaDuration = doubleProperty("duration", 0);
    setItemStatus(ItemStatus::ReadyToPlay);
}

void MpvBackend::onEndFile(const mpv_event &event)
{
    const auto *end = static_cast<mpv_event_end_file *>(event.data);
    if (end->playlist_entry_id != m_itemEntry || m_itemEntry < 0)
        return;
    const bool wasLoaded = m_itemLoaded;
    m_itemLoaded = false;
    endSeek(false);
    if (end->reason == MPV_END_FILE_REASON_ERROR) {
        m_endFileError = end->error;
        m_failureGrace.start();
    } else if (end->reason == MPV_END_FILE_REASON_EOF) {
        // With keep-open mpv only ends an item this way when it could not hold the end.
        if (!wasLoaded)
            failItem(QStringLiteral("the stream ended before it could be played"));
        else if (m_endHandler)
            m_endHandler();
    }
}

void MpvBackend::checkEndOfMedia()
{
    // The end counts once mpv has paused at it (the sound has played out), not when the
    // decoder reached it; a seek in flight is settled first.
    if (!m_itemLoaded || !m_paused || !m_eofReached || m_endSignalled || m_seek)
        return;
    if (m_status != ItemStatus::ReadyToPlay)
        return;
    m_endSignalled = true;
    const double position = doubleProperty("time-pos", 0);
    if (m_sawStreamError && m_mediaDuration > 0 && position < m_mediaDuration - EarlyEndSeconds) {
        failItem(QStringLiteral("the stream broke off at %1 s of %2 s")
                     .arg(position, 0, 'f', 1)
                     .arg(m_mediaDuration, 0, 'f', 1));
        return;
    }
    if (m_endHandler) {
        const EndHandler handler = m_endHandler;
        handler();
    }
}

void MpvBackend::failItem(const QString &reason)
{
    m_failureGrace.stop();
    if (m_status == ItemStatus::Failed)
        return;
    const QString details = messagesText();
    m_error = details.isEmpty() ? reason : reason + QStringLiteral(": ") + details;
    setItemStatus(ItemStatus::Failed);
}

void MpvBackend::setItemStatus(ItemStatus status)
{
    const ItemStatus old = m_status;
    m_status = status;
    if (m_statusHandler) {
        const StatusHandler handler = m_statusHandler;
        handler(status, old);
    }
}

QString MpvBackend::messagesText() const
{
    return m_messages.join(QStringLiteral("; "));
}

void MpvBackend::resetItem()
{
    endSeek(false);
    m_endCheck.stop();
    m_failureGrace.stop();
    m_breakCheck.stop();
    m_firstMove.stop();
    if (m_probe)
        m_probe->cancel();
    m_probe = nullptr;
    m_refused = false;
    m_breakSignalled = false;
    m_itemEntry = -1;
    m_itemLoaded = false;
    m_status = ItemStatus::Unknown;
    m_error.clear();
    m_messages.clear();
    m_sawStreamError = false;
    m_eofReached = false;
    m_endSignalled = false;
    m_mediaDuration = 0;
}

void MpvBackend::load(const QUrl &url)
{
    resetItem();
    if (!m_mpv) {
        QTimer::singleShot(
            0, this, [this] { failItem(QStringLiteral("the audio player is not available")); });
        return;
    }
    setPauseProperty(true);
    const QString authorities = TrustStore::authorityFile();
    mpv_set_property_string(m_mpv, "tls-ca-file", authorities.toUtf8().constData());
    if (url.scheme() != QLatin1String("https")) {
        loadResolved(url);
        return;
    }
    if (authorities.isEmpty()) {
        QTimer::singleShot(0, this, [this, host = url.host()] {
            m_refused = true;
            failItem(host + QStringLiteral(": no trusted certificate authorities on this system"));
        });
        return;
    }
    // The previous item stops now, as it would with a direct load.
    const char *stop[] = {"stop", nullptr};
    mpv_command(m_mpv, stop);
    m_probe = StreamProbe::start(APIClient::network(), url, this,
                                 [this](const StreamProbe::Result &result) {
                                     m_probe = nullptr;
                                     switch (result.kind) {
                                     case StreamProbe::Result::Kind::Answered:
                                         loadResolved(result.finalUrl);
                                         return;
                                     case StreamProbe::Result::Kind::Untrusted:
                                         m_refused = true;
                                         failItem(result.reason);
                                         return;
                                     case StreamProbe::Result::Kind::Unreachable:
                                         failItem(result.reason);
                                         return;
                                     }
                                 });
}

void MpvBackend::loadResolved(const QUrl &url)
{
    const QByteArray target = url.isLocalFile() ? url.toLocalFile().toUtf8() : url.toEncoded();
    const char *args[] = {"loadfile", target.constData(), "replace", nullptr};
    mpv_node result;
    const int rc = mpv_command_ret(m_mpv, args, &result);
    if (rc < 0) {
        const QString reason = QString::fromUtf8(mpv_error_string(rc));
        QTimer::singleShot(0, this, [this, reason] { failItem(reason); });
        return;
    }
    if (result.format == MPV_FORMAT_NODE_MAP) {
        const mpv_node_list *map = result.u.list;
        for (int i = 0; i < map->num; ++i) {
            if (qstrcmp(map->keys[i], "playlist_entry_id") == 0 &&
                map->values[i].format == MPV_FORMAT_INT64)
                m_itemEntry = map->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
}

void MpvBackend::clear()
{
    resetItem();
    if (!m_mpv)
        return;
    setPauseProperty(true);
    const char *args[] = {"stop", nullptr};
    mpv_command(m_mpv, args);
}

void MpvBackend::play()
{
    setPauseProperty(false);
    // At its end mpv unpauses for a moment and pauses again without announcing either; like
    // any player it has then reached the end once more, which the next few checks notice.
    if (m_itemLoaded && flagProperty("eof-reached", false)) {
        m_endChecksLeft = EndChecks;
        m_endCheck.start();
    }
}

void MpvBackend::checkPausedAtEnd()
{
    if (!m_itemLoaded || m_seek || !flagProperty("eof-reached", false)) {
        m_endCheck.stop();
        return;
    }
    if (flagProperty("pause", false)) {
        m_endCheck.stop();
        m_paused = true;
        m_eofReached = true;
        m_endSignalled = false;
        checkEndOfMedia();
        return;
    }
    if (--m_endChecksLeft <= 0)
        m_endCheck.stop();
}

void MpvBackend::pause()
{
    setPauseProperty(true);
}

void MpvBackend::setVoiceLeveling(bool on)
{
    if (!m_mpv)
        return;
    // Short frames and a narrow window follow speech and a far microphone closely; mpv swaps
    // its filter chain in place, so the file keeps playing from where it is.
    const char *chain = on ? "lavfi=[dynaudnorm=f=250:g=15]" : "";
    mpv_set_property_async(m_mpv, 0, "af", MPV_FORMAT_STRING, &chain);
}

QString MpvBackend::audioFilters() const
{
    if (!m_mpv)
        return {};
    char *chain = mpv_get_property_string(m_mpv, "af");
    const QString text = QString::fromUtf8(chain);
    mpv_free(chain);
    return text;
}

void MpvBackend::setPauseProperty(bool paused)
{
    if (!m_mpv)
        return;
    int flag = paused ? 1 : 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
}

PlayerBackend::TimeControlStatus MpvBackend::timeControlStatus() const
{
    if (flagProperty("pause", true))
        return TimeControlStatus::Paused;
    if (!m_itemLoaded || m_seek || flagProperty("paused-for-cache", false))
        return TimeControlStatus::WaitingToPlay;
    return TimeControlStatus::Playing;
}

void MpvBackend::seek(qint64 time, SeekCompletion completion)
{
    endSeek(false);
    if (!m_mpv || !m_itemLoaded || m_status != ItemStatus::ReadyToPlay) {
        if (completion)
            QTimer::singleShot(0, this, [completion] { completion(false); });
        return;
    }
    const QByteArray seconds = QByteArray::number(double(time) / Timescale, 'f', 6);
    const char *args[] = {"seek", seconds.constData(), "absolute", nullptr};
    const quint64 requestId = m_nextRequestId++;
    if (mpv_command_async(m_mpv, requestId, args) < 0) {
        if (completion)
            QTimer::singleShot(0, this, [completion] { completion(false); });
        return;
    }
    m_seek = PendingSeek{requestId, std::move(completion)};
}

void MpvBackend::setRate(double rate)
{
    if (!m_mpv)
        return;
    // mpv keeps the pitch by time-stretching (audio-pitch-correction is on by default).
    mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &rate);
}

void MpvBackend::setVolume(double volume)
{
    if (!m_mpv)
        return;
    double percent = std::clamp(volume, 0.0, 1.0) * 100;
    mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &percent);
}

void MpvBackend::endSeek(bool finished)
{
    if (!m_seek)
        return;
    SeekCompletion completion = std::move(m_seek->completion);
    m_seek.reset();
    if (!completion)
        return;
    if (finished)
        completion(true);
    else
        QTimer::singleShot(0, this, [completion] { completion(false); });
}

void MpvBackend::setPeriodicTimeHandler(qint64 interval, TimeHandler handler)
{
    m_timeHandler = std::move(handler);
    if (!m_timeHandler) {
        m_timeTimer.stop();
        return;
    }
    m_timeTimer.start(int(qMax<qint64>(1, interval * 1000 / Timescale)));
}

void MpvBackend::watchFirstMove()
{
    m_firstMove.stop();
    if (!m_timeHandler || !m_itemLoaded || m_paused || m_seek)
        return;
    m_firstMoveFrom = doubleProperty("time-pos", -1);
    m_firstMoveChecksLeft = FirstMoveChecks;
    m_firstMove.start();
}

void MpvBackend::checkFirstMove()
{
    if (!m_timeHandler || !m_itemLoaded || m_paused || m_seek || --m_firstMoveChecksLeft <= 0) {
        m_firstMove.stop();
        return;
    }
    const double position = doubleProperty("time-pos", -1);
    if (position < 0)
        return;
    if (m_firstMoveFrom < 0) {
        // No place yet when the watch began: the first one read is where it starts.
        m_firstMoveFrom = position;
        return;
    }
    // Moved by at least one tick of the time scale: mpv's place may creep by a fraction of a
    // millisecond before the sound really starts, and publishing that would show the start
    // again and leave the real move to the next periodic tick, a quarter of a second later.
    const qint64 tick = std::llround(position * Timescale);
    if (tick <= std::llround(m_firstMoveFrom * Timescale))
        return;
    m_firstMove.stop();
    // The periodic ticks go on from this moment.
    m_timeTimer.start();
    const TimeHandler handler = m_timeHandler;
    handler(tick);
}

void MpvBackend::checkBreak()
{
    if (!m_itemLoaded || m_breakSignalled || --m_breakChecksLeft <= 0) {
        m_breakCheck.stop();
        return;
    }
    mpv_node state;
    if (mpv_get_property(m_mpv, "demuxer-cache-state", MPV_FORMAT_NODE, &state) < 0)
        return;
    bool ended = false;
    double bufferedUntil = -1;
    if (state.format == MPV_FORMAT_NODE_MAP) {
        const mpv_node_list *map = state.u.list;
        for (int i = 0; i < map->num; ++i) {
            const mpv_node &value = map->values[i];
            if (qstrcmp(map->keys[i], "eof") == 0 && value.format == MPV_FORMAT_FLAG)
                ended = value.u.flag != 0;
            else if (qstrcmp(map->keys[i], "cache-end") == 0 && value.format == MPV_FORMAT_DOUBLE)
                bufferedUntil = value.u.double_;
        }
    }
    mpv_free_node_contents(&state);
    if (!ended)
        return; // FFmpeg is still reopening, or did
    m_breakCheck.stop();
    if (m_mediaDuration <= 0 || bufferedUntil < 0 ||
        bufferedUntil >= m_mediaDuration - EarlyEndSeconds)
        return;
    m_breakSignalled = true;
    if (m_breakHandler) {
        const BreakHandler handler = m_breakHandler;
        handler(std::llround(bufferedUntil * Timescale));
    }
}

void MpvBackend::pollTime()
{
    if (!m_timeHandler || !m_itemLoaded || m_paused)
        return;
    const double position = doubleProperty("time-pos", -1);
    if (position < 0)
        return;
    const TimeHandler handler = m_timeHandler;
    handler(std::llround(position * Timescale));
}

bool MpvBackend::isCurrentItemActive() const
{
    return m_itemEntry >= 0 && m_coreEntry == m_itemEntry;
}

double MpvBackend::doubleProperty(const char *name, double fallback) const
{
    double value = fallback;
    if (!m_mpv || mpv_get_property(m_mpv, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return fallback;
    return value;
}

bool MpvBackend::flagProperty(const char *name, bool fallback) const
{
    int value = fallback ? 1 : 0;
    if (!m_mpv || mpv_get_property(m_mpv, name, MPV_FORMAT_FLAG, &value) < 0)
        return fallback;
    return value != 0;
}
