#pragma once

#include "persistence/Preferences.h"
#include "prayer/PrayerTimes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimeZone>
#include <QTimer>

#include <functional>
#include <optional>

class AudioEngine;

// "Jeda saat waktu shalat": at each of the five prayer times of the chosen place a playing
// lecture fades out, pauses with its place saved, and the bar says so; it may play on by
// itself some minutes later. Off until the listener turns it on.
//
// The times are checked against the wall clock, not counted down: a timer wakes at the next
// time (or every little while) and looks at the clock. A time is acted on only within a short
// window after it and only once, so a suspend or a clock change across a prayer time gives at
// most one pause and never one hours late. Nothing runs while nothing plays.
class PrayerPause : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY settingsChanged)
    Q_PROPERTY(bool hasPlace READ hasPlace NOTIFY settingsChanged)
    // The city's name, or the coordinates as text when typed in.
    Q_PROPERTY(QString placeName READ placeName NOTIFY settingsChanged)
    Q_PROPERTY(double latitude READ latitude NOTIFY settingsChanged)
    Q_PROPERTY(double longitude READ longitude NOTIFY settingsChanged)
    // 0 Kemenag RI, 1 JAKIM, 2 KHEU, 3 MUIS.
    Q_PROPERTY(int authority READ authority WRITE setAuthority NOTIFY settingsChanged)
    Q_PROPERTY(QStringList authorityNames READ authorityNames CONSTANT)
    // 0 (stays paused), 10, 15 or 20 minutes.
    Q_PROPERTY(int resumeAfterMinutes READ resumeAfterMinutes WRITE setResumeAfterMinutes NOTIFY
                   settingsChanged)
    // Today's times for the settings, "Subuh 04:06", ... (empty without a place).
    Q_PROPERTY(QStringList todayTimes READ todayTimes NOTIFY todayTimesChanged)
    // The same on one line: "Subuh 04:06  ·  Dzuhur 11:46  ·  ...".
    Q_PROPERTY(QString todayText READ todayText NOTIFY todayTimesChanged)
    // "Waktu shalat Maghrib — kajian dijeda" while the pause it made lasts.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    // "Maghrib dalam 25 menit" for a while after a lecture longer than that starts.
    Q_PROPERTY(QString hint READ hint NOTIFY hintChanged)

public:
    struct Options
    {
        // The data folder with the preferences file; empty keeps the settings in memory.
        QString preferencesFolder{};
        // The wall clock and the zone the times are given in; tests replace them.
        std::function<QDateTime()> clock{};
        QTimeZone zone = QTimeZone::systemTimeZone();
        int checkIntervalMs = 30000;
        int fadeMs = 5000;
        // How long after a prayer time a pause may still happen.
        int windowMs = 120000;
        int hintMs = 20000;
    };

    PrayerPause(AudioEngine &engine, Options options, QObject *parent = nullptr);

    bool enabled() const { return m_settings.enabled; }
    void setEnabled(bool enabled);
    bool hasPlace() const { return m_settings.hasPlace; }
    QString placeName() const;
    double latitude() const { return m_settings.latitude; }
    double longitude() const { return m_settings.longitude; }
    int authority() const;
    void setAuthority(int authority);
    QStringList authorityNames() const;
    int resumeAfterMinutes() const { return m_settings.resumeAfterMinutes; }
    void setResumeAfterMinutes(int minutes);
    QStringList todayTimes() const;
    QString todayText() const { return todayTimes().join(QStringLiteral("  ·  ")); }
    QString notice() const { return m_notice; }
    QString hint() const { return m_hint; }

    // A city of the shipped list; its country proposes the authority.
    Q_INVOKABLE void chooseCity(const QString &name, double latitude, double longitude,
                                const QString &country);
    // Typed coordinates; false (nothing changed) outside -90..90 / -180..180.
    Q_INVOKABLE bool chooseCoordinates(double latitude, double longitude);

    // The next prayer time after `now` (today's or tomorrow's) and which prayer it is.
    std::optional<std::pair<QDateTime, PrayerTimes::Prayer>> nextPrayer(const QDateTime &now) const;

signals:
    void settingsChanged();
    void todayTimesChanged();
    void noticeChanged();
    void hintChanged();

private:
    void changeSettings(const Preferences::PrayerPause &settings);
    void followPlaying();
    void evaluate();
    void startFade(PrayerTimes::Prayer prayer);
    void fadeStep();
    void finishFade();
    void cancelFade();
    void resumeCheck();
    void showHint();
    void setNotice(const QString &notice);
    void setHint(const QString &hint);
    QList<std::pair<QDateTime, PrayerTimes::Prayer>> timesAround(QDate date) const;
    bool handled(const QDateTime &time) const;
    QDateTime now() const;
    PrayerTimes::Method method() const;

    AudioEngine &m_engine;
    Options m_options;
    Preferences m_file;
    Preferences::PrayerPause m_settings;

    QTimer m_check;
    QTimer m_fade;
    QElapsedTimer m_fadeElapsed;
    std::optional<PrayerTimes::Prayer> m_fading;
    // Prayer times already passed while something played (ms since 1970); pruned daily.
    QList<qint64> m_handled;
    // The pause this object made, for playing on by itself.
    bool m_pausing = false;
    std::optional<QDateTime> m_resumeAt;
    qint64 m_pausedTrackId = -1;
    QTimer m_resume;
    QTimer m_hintTimer;
    bool m_hintPending = false;
    QString m_notice;
    QString m_hint;
};
