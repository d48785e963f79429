#pragma once

#include "persistence/FileWriter.h"

#include "models/RepeatMode.h"
#include "models/Track.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The program's small persistent state as JSON files in $XDG_DATA_HOME/Quillora.
// No in-memory copy: every read goes to the file, every write atomically replaces it.
// Failures are silent; an unreadable file reads as nothing stored, and one that does not
// decode is kept aside (DamagedFile) before anything replaces it.
class Store : public QObject
{
    Q_OBJECT
public:
    struct CacheEntry
    {
        QList<Track> tracks;
        double cacheTimestamp = 0;
        double lastCheckTimestamp = 0;
        std::optional<qint64> serverTotal;
        bool operator==(const CacheEntry &) const = default;
    };

    struct PlaybackHistoryItem
    {
        qint64 id = 0;
        double lastPosition = 0;
        double duration = 0;
        double lastPlayedAt = 0;
        qint64 playCount = 0;
        bool operator==(const PlaybackHistoryItem &) const = default;
    };

// settings.json's record, each field declared once: type, name (its key) and default. Every
// field is required but an optional one, which is left out when empty; the record's field,
// decoding and encoding follow from this list.
#define TALVORA_STORED_SETTINGS(X)                                                                 \
    X(bool, shuffle, false)                                                                        \
    X(RepeatMode, repeatMode, RepeatMode::Off)                                                     \
    X(std::optional<qint64>, lastTrackId, std::nullopt)                                            \
    X(double, lastPosition, 0)                                                                     \
    X(double, lastDuration, 0)

    struct Settings
    {
#define TALVORA_SETTINGS_FIELD(type, name, fallback) type name = fallback;
        TALVORA_STORED_SETTINGS(TALVORA_SETTINGS_FIELD)
#undef TALVORA_SETTINGS_FIELD
        bool operator==(const Settings &) const = default;
    };

    explicit Store(QObject *parent = nullptr);

    // The process-wide store; tests make their own instances.
    static Store &shared();

    // The data folder, created (with parents) on every call.
    QString folderURL() const;

    std::optional<CacheEntry> loadCache() const;
    void saveCache(const CacheEntry &entry);

    // Most recent first (stable by last_played_at); empty when missing or undecodable.
    QList<PlaybackHistoryItem> loadPlaybackHistory() const;
    void savePlaybackHistory(const QList<PlaybackHistoryItem> &items);
    void addOrUpdatePlaybackHistory(qint64 trackId, double position, double duration);

    std::optional<Settings> loadSettings() const;
    void saveSettings(const Settings &settings);

    // Seconds since 1970 used for last_played_at; replaceable by tests.
    void setClock(std::function<double()> clock);

    // Record codecs, shared with the fuzz targets and benchmarks. The encoders return an empty
    // array when a record holds a number JSON cannot express (NaN, infinity): nothing is then
    // written, as for any failed write.
    static std::optional<CacheEntry> decodeCache(const QByteArray &bytes);
    static QByteArray encodeCache(const CacheEntry &entry);
    static std::optional<QList<PlaybackHistoryItem>> decodeHistory(const QByteArray &bytes);
    static QByteArray encodeHistory(const QList<PlaybackHistoryItem> &items);
    static std::optional<Settings> decodeSettings(const QByteArray &bytes);
    static QByteArray encodeSettings(const Settings &settings);

    // The in-memory step of addOrUpdatePlaybackHistory: updates the first entry of `trackId`
    // or appends a new one. A play count at the 64-bit maximum stays there.
    static void applyHistoryUpdate(QList<PlaybackHistoryItem> &items, qint64 trackId,
                                   double position, double duration, double now);

    // Blocks until every file saved so far is on disk and its signal emitted (at quit, and
    // in tests that read the files themselves).
    void waitForWrites();

signals:
    // Emitted after the history file was rewritten successfully. The files are written on
    // the store's writer thread; the load functions return what was saved last at once.
    void playbackHistoryChanged();
    // Emitted after the settings file was rewritten successfully.
    void settingsChanged();

private:
    using Check = bool (*)(const QByteArray &);
    QString filePath(const QString &name) const;
    // Queues the atomic replacement; nothing is written when the bytes are empty. On the
    // writer thread, a file in the way that does not pass `decodes` is set aside first, and
    // kept when that fails; `written`, a signal, is emitted on this object's thread once the
    // new file is in place.
    void writeFile(const QString &name, const QByteArray &bytes, Check decodes,
                   void (Store::*written)() = nullptr);
    // The file's latest bytes, the ones waiting to be written first, decoded.
    template <typename Decode>
    auto loadLatest(const QString &path, Decode decode, bool *replaceable = nullptr) const
        -> decltype(decode(QByteArray()));

    std::function<double()> m_clock;
    FileWriter m_writer{QStringLiteral("[Store]")};
};
