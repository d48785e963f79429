#include "prayer/PrayerPause.h"

#include "Logging.h"

#include "audio/AudioEngine.h"

#include <QDebug>

#include <cmath>

using PrayerTimes::Prayer;

namespace {

const QStringList AuthorityKeys{QStringLiteral("kemenag"), QStringLiteral("jakim"),
                                QStringLiteral("kheu"), QStringLiteral("muis")};
constexpr int FadeStepMs = 100;

} // namespace

PrayerPause::PrayerPause(AudioEngine &engine, Options options, QObject *parent)
    : QObject(parent), m_engine(engine), m_options(std::move(options)),
      m_file(m_options.preferencesFolder), m_settings(m_file.loadPrayerPause())
{
    if (!m_options.clock)
        m_options.clock = [] { return QDateTime::currentDateTime(); };
    m_check.setSingleShot(true);
    connect(&m_check, &QTimer::timeout, this, &PrayerPause::evaluate);
    m_fade.setInterval(FadeStepMs);
    connect(&m_fade, &QTimer::timeout, this, &PrayerPause::fadeStep);
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, &PrayerPause::resumeCheck);
    m_hintTimer.setSingleShot(true);
    m_hintTimer.setInterval(m_options.hintMs);
    connect(&m_hintTimer, &QTimer::timeout, this, [this] { setHint({}); });

    connect(&engine, &AudioEngine::isPlayingChanged, this, &PrayerPause::followPlaying);
    connect(&engine, &AudioEngine::currentTrackChanged, this, [this] {
        m_hintPending = true;
        setHint({});
        // Once the new lecture's length and state are in place.
        QMetaObject::invokeMethod(this, &PrayerPause::showHint, Qt::QueuedConnection);
    });
    connect(&engine, &AudioEngine::durationChanged, this, &PrayerPause::showHint);
    followPlaying();
}

QDateTime PrayerPause::now() const
{
    return m_options.clock().toTimeZone(m_options.zone);
}

PrayerTimes::Method PrayerPause::method() const
{
    return PrayerTimes::method(PrayerTimes::Authority(authority()));
}

QString PrayerPause::placeName() const
{
    if (!m_settings.hasPlace || !m_settings.placeName.isEmpty())
        return m_settings.placeName;
    return QStringLiteral("%1, %2")
        .arg(m_settings.latitude, 0, 'f', 4)
        .arg(m_settings.longitude, 0, 'f', 4);
}

int PrayerPause::authority() const
{
    return int(std::max<qsizetype>(0, AuthorityKeys.indexOf(m_settings.authority)));
}

QStringList PrayerPause::authorityNames() const
{
    QStringList names;
    for (int i = 0; i < AuthorityKeys.size(); ++i)
        names << PrayerTimes::authorityName(PrayerTimes::Authority(i));
    return names;
}

void PrayerPause::changeSettings(const Preferences::PrayerPause &settings)
{
    if (settings == m_settings)
        return;
    const bool timesChange =
        settings.hasPlace != m_settings.hasPlace || settings.latitude != m_settings.latitude ||
        settings.longitude != m_settings.longitude || settings.authority != m_settings.authority;
    m_settings = settings;
    m_file.savePrayerPause(m_settings);
    emit settingsChanged();
    if (timesChange)
        emit todayTimesChanged();
    if (!m_settings.enabled) {
        cancelFade();
        m_resume.stop();
        m_resumeAt.reset();
        setNotice({});
        setHint({});
    }
    followPlaying();
}

void PrayerPause::setEnabled(bool enabled)
{
    Preferences::PrayerPause settings = m_settings;
    settings.enabled = enabled;
    changeSettings(settings);
}

void PrayerPause::setAuthority(int authority)
{
    if (authority < 0 || authority >= AuthorityKeys.size())
        return;
    Preferences::PrayerPause settings = m_settings;
    settings.authority = AuthorityKeys[authority];
    changeSettings(settings);
}

void PrayerPause::setResumeAfterMinutes(int minutes)
{
    if (minutes != 0 && minutes != 10 && minutes != 15 && minutes != 20)
        return;
    Preferences::PrayerPause settings = m_settings;
    settings.resumeAfterMinutes = minutes;
    changeSettings(settings);
}

void PrayerPause::chooseCity(const QString &name, double latitude, double longitude,
                             const QString &country)
{
    if (!PrayerTimes::validCoordinates(latitude, longitude))
        return;
    Preferences::PrayerPause settings = m_settings;
    settings.hasPlace = true;
    settings.placeName = name;
    settings.latitude = latitude;
    settings.longitude = longitude;
    const int index = country == QLatin1String("MY")   ? 1
                      : country == QLatin1String("BN") ? 2
                      : country == QLatin1String("SG") ? 3
                                                       : 0;
    settings.authority = AuthorityKeys[index];
    changeSettings(settings);
}

bool PrayerPause::chooseCoordinates(double latitude, double longitude)
{
    if (!PrayerTimes::validCoordinates(latitude, longitude))
        return false;
    Preferences::PrayerPause settings = m_settings;
    settings.hasPlace = true;
    settings.placeName.clear();
    settings.latitude = latitude;
    settings.longitude = longitude;
    changeSettings(settings);
    return true;
}

QList<std::pair<QDateTime, Prayer>> PrayerPause::timesAround(QDate date) const
{
    QList<std::pair<QDateTime, Prayer>> times;
    if (!m_settings.hasPlace)
        return times;
    for (const QDate day : {date.addDays(-1), date, date.addDays(1)}) {
        const std::optional<PrayerTimes::Day> computed = PrayerTimes::compute(
            m_settings.latitude, m_settings.longitude, day, method(), m_options.zone);
        if (!computed)
            continue;
        for (int i = 0; i < PrayerTimes::PrayerCount; ++i) {
            if (computed->times[i].isValid())
                times.append({computed->times[i], Prayer(i)});
        }
    }
    return times;
}

QStringList PrayerPause::todayTimes() const
{
    QStringList lines;
    if (!m_settings.hasPlace)
        return lines;
    const QDate today = now().date();
    const std::optional<PrayerTimes::Day> day = PrayerTimes::compute(
        m_settings.latitude, m_settings.longitude, today, method(), m_options.zone);
    if (!day)
        return lines;
    for (int i = 0; i < PrayerTimes::PrayerCount; ++i) {
        const QDateTime time = day->times[i];
        lines << PrayerTimes::prayerName(Prayer(i)) + QLatin1Char(' ') +
                     (time.isValid() ? time.toString(QStringLiteral("HH:mm"))
                                     : QStringLiteral("—"));
    }
    return lines;
}

std::optional<std::pair<QDateTime, Prayer>> PrayerPause::nextPrayer(const QDateTime &at) const
{
    for (const auto &entry : timesAround(at.date())) {
        if (entry.first > at)
            return entry;
    }
    return std::nullopt;
}

bool PrayerPause::handled(const QDateTime &time) const
{
    return m_handled.contains(time.toMSecsSinceEpoch());
}

void PrayerPause::followPlaying()
{
    const bool active = m_settings.enabled && m_settings.hasPlace && m_engine.isPlaying();
    if (m_engine.isPlaying() && !m_pausing) {
        // The listener (or anything else) plays again: the pause is over.
        m_resume.stop();
        m_resumeAt.reset();
        setNotice({});
    }
    if (!active) {
        m_check.stop();
        // A listener's pause during the fade keeps the lecture paused, at full volume.
        cancelFade();
        return;
    }
    // Times that passed while nothing played are not acted on later, nor one just past
    // when the listener starts a lecture on purpose.
    const QDateTime at = now();
    for (const auto &entry : timesAround(at.date())) {
        if (entry.first <= at && !handled(entry.first))
            m_handled.append(entry.first.toMSecsSinceEpoch());
    }
    evaluate();
    showHint();
}

void PrayerPause::evaluate()
{
    m_check.stop();
    if (!m_settings.enabled || !m_settings.hasPlace || !m_engine.isPlaying() || m_fading)
        return;
    const QDateTime at = now();
    std::optional<Prayer> due;
    std::optional<QDateTime> next;
    for (const auto &[time, prayer] : timesAround(at.date())) {
        if (time > at) {
            if (!next)
                next = time;
            continue;
        }
        if (handled(time))
            continue;
        m_handled.append(time.toMSecsSinceEpoch());
        // Long past (a suspend, a clock set forward): let it go.
        if (time.msecsTo(at) <= m_options.windowMs)
            due = prayer;
    }
    const qint64 oldest = at.addDays(-2).toMSecsSinceEpoch();
    m_handled.removeIf([oldest](qint64 ms) { return ms < oldest; });
    if (due) {
        startFade(*due);
        return;
    }
    qint64 wait = m_options.checkIntervalMs;
    if (next)
        wait = std::min(wait, at.msecsTo(*next) + 20);
    m_check.start(int(std::max<qint64>(wait, 20)));
}

void PrayerPause::startFade(Prayer prayer)
{
    qCInfo(lcPrayer).noquote() << "[PrayerPause] time of" << PrayerTimes::prayerName(prayer)
                               << "- fading out";
    m_fading = prayer;
    m_fadeElapsed.start();
    m_fade.start();
    fadeStep();
}

void PrayerPause::fadeStep()
{
    if (!m_fading)
        return;
    const double done = double(m_fadeElapsed.elapsed()) / std::max(1, m_options.fadeMs);
    if (done >= 1.0) {
        finishFade();
        return;
    }
    m_engine.setOutputVolume(1.0 - done);
}

void PrayerPause::finishFade()
{
    const Prayer prayer = *m_fading;
    m_fade.stop();
    m_fading.reset();
    m_pausing = true;
    m_engine.pauseAndKeepPlace();
    m_engine.setOutputVolume(1.0);
    m_pausing = false;
    setNotice(
        QStringLiteral("Waktu shalat %1 — kajian dijeda").arg(PrayerTimes::prayerName(prayer)));
    if (m_settings.resumeAfterMinutes > 0 && m_engine.currentTrack()) {
        m_pausedTrackId = m_engine.currentTrack()->id;
        m_resumeAt = now().addSecs(m_settings.resumeAfterMinutes * 60);
        resumeCheck();
    }
}

void PrayerPause::cancelFade()
{
    if (!m_fading)
        return;
    m_fade.stop();
    m_fading.reset();
    m_engine.setOutputVolume(1.0);
}

void PrayerPause::resumeCheck()
{
    if (!m_resumeAt)
        return;
    const QDateTime at = now();
    if (at < *m_resumeAt) {
        m_resume.start(
            int(std::min<qint64>(at.msecsTo(*m_resumeAt) + 20, m_options.checkIntervalMs)));
        return;
    }
    const bool same = m_engine.currentTrack() && m_engine.currentTrack()->id == m_pausedTrackId;
    const bool late = m_resumeAt->msecsTo(at) > m_options.windowMs;
    m_resumeAt.reset();
    // Not another lecture, and not hours later after a suspend.
    if (same && !late && !m_engine.isPlaying()) {
        setNotice({});
        m_engine.togglePlay();
    }
}

void PrayerPause::showHint()
{
    if (!m_hintPending || !m_settings.enabled || !m_settings.hasPlace || !m_engine.isPlaying())
        return;
    const double duration = m_engine.duration();
    if (duration <= 0)
        return;
    m_hintPending = false;
    const QDateTime at = now();
    const auto next = nextPrayer(at);
    if (!next)
        return;
    const double listening =
        std::max(0.0, duration - m_engine.currentTime()) / std::max(0.5, m_engine.playbackRate());
    const qint64 untilNext = at.secsTo(next->first);
    if (listening <= untilNext)
        return;
    const qint64 minutes = std::max<qint64>(1, (untilNext + 59) / 60);
    setHint(QStringLiteral("%1 dalam %2 menit")
                .arg(PrayerTimes::prayerName(next->second))
                .arg(minutes));
    m_hintTimer.start();
}

void PrayerPause::setNotice(const QString &notice)
{
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged();
}

void PrayerPause::setHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    emit hintChanged();
}
