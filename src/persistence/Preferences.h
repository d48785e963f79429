#pragma once

#include <QByteArray>
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

    struct Values
    {
        double playbackRate = 1.0;
        bool smartRewind = true;
        // "Perjelas suara": loudness evening for quiet hall recordings.
        bool clearerVoice = false;
        // "Setelah kajian selesai" by its stored name (NextLecture::name).
        QString afterLecture = QStringLiteral("nextPart");
        bool operator==(const Values &) const = default;
    };

    // `folder` is the data folder; an empty one keeps nothing (every load gives defaults).
    explicit Preferences(QString folder);

    Values load() const;
    // Atomic replacement; false (old file kept) when the write fails.
    bool save(const Values &values);

    // A rate within 0.5-3.0 at 0.01 steps; NaN gives 1.0.
    static double clampedRate(double rate);
    static std::optional<Values> decode(const QByteArray &bytes);
    static QByteArray encode(const Values &values);

private:
    QString filePath() const;

    QString m_folder;
};
