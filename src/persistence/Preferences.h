#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The listener's playback preferences in a file of their own ("preferences.json" in the data
// folder), so the described files keep exactly their format and older copies of the program
// still read them. A missing or damaged file reads as the defaults and stays as it is until
// the next change is saved.
class Preferences
{
public:
    static constexpr double MinimumRate = 0.5;
    static constexpr double MaximumRate = 3.0;
    static constexpr const char *FileName = "preferences.json";

    // A stored value as it is: the preferences with nothing to bring into range.
    template <typename T> static T asStored(T value) { return value; }

// The playback preferences, each declared once: type, name, setter, default, and what brings
// a stored value into range. preferences.json keeps each under its name; its load, save,
// change signal and QML property (PlaybackPreferences) all follow from this list.
#define TALVORA_PLAYBACK_PREFERENCES(X)                                                            \
    X(double, playbackRate, setPlaybackRate, 1.0, Preferences::clampedRate)                        \
    X(bool, smartRewind, setSmartRewind, true, Preferences::asStored<bool>)                        \
    /* "Perjelas suara": loudness evening for quiet hall recordings. */                            \
    X(bool, clearerVoice, setClearerVoice, false, Preferences::asStored<bool>)                     \
    /* "Setelah kajian selesai" by its stored name (NextLecture::name). */                         \
    X(QString, afterLecture, setAfterLecture, QStringLiteral("nextPart"),                          \
      Preferences::asStored<QString>)

    struct Values
    {
#define TALVORA_PREFERENCE_FIELD(type, name, setter, fallback, normalize) type name = fallback;
        TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_FIELD)
#undef TALVORA_PREFERENCE_FIELD
        bool operator==(const Values &) const = default;
    };

    // "Jeda saat waktu shalat": pausing a playing lecture at the five prayer times. Kept under
    // a key of its own, read and written apart from the playback values.
    struct PrayerPause
    {
        bool enabled = false;
        // The place: a city of the shipped list (its name) or typed coordinates (no name).
        bool hasPlace = false;
        QString placeName;
        double latitude = 0;
        double longitude = 0;
        // "kemenag", "jakim", "kheu" or "muis".
        QString authority = QStringLiteral("kemenag");
        // Play on by itself after this many minutes (10, 15 or 20); 0 stays paused.
        int resumeAfterMinutes = 0;
        bool operator==(const PrayerPause &) const = default;
    };

    // `folder` is the data folder; an empty one keeps nothing (every load gives defaults).
    explicit Preferences(QString folder);

    Values load() const;
    // Atomic replacement; false (old file kept) when the write fails. Keys written by
    // other parts of the program stay as they are.
    bool save(const Values &values);
    PrayerPause loadPrayerPause() const;
    bool savePrayerPause(const PrayerPause &prayer);

    // A rate within 0.5-3.0 at 0.01 steps; NaN gives 1.0.
    static double clampedRate(double rate);
    static std::optional<Values> decode(const QByteArray &bytes);
    static QByteArray encode(const Values &values);
    static PrayerPause decodePrayerPause(const QByteArray &bytes);

private:
    QString filePath() const;
    QByteArray read() const;
    // Writes `keys` over the stored object, keeping every other key.
    bool merge(const QJsonObject &keys);

    QString m_folder;
};
