#include "persistence/Store.h"

#include "models/JsonField.h"
#include "models/JsonWriter.h"
#include "persistence/DamagedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <limits>

namespace {

const QString cacheFileName = QStringLiteral("tracks_cache.json");
const QString historyFileName = QStringLiteral("playback_history.json");
const QString settingsFileName = QStringLiteral("settings.json");

double systemClock()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::optional<Store::PlaybackHistoryItem> decodeHistoryItem(const JsonReader::Value &value)
{
    if (value.type() != JsonReader::Type::Object)
        return std::nullopt;
    Store::PlaybackHistoryItem item;
    const bool ok =
        JsonField::requireIntegral(value, QLatin1String("id"), item.id, nullptr) &&
        JsonField::requireNumber(value, QLatin1String("last_position"), item.lastPosition,
                                 nullptr) &&
        JsonField::requireNumber(value, QLatin1String("duration"), item.duration, nullptr) &&
        JsonField::requireNumber(value, QLatin1String("last_played_at"), item.lastPlayedAt,
                                 nullptr) &&
        JsonField::requireIntegral(value, QLatin1String("play_count"), item.playCount, nullptr);
    if (!ok)
        return std::nullopt;
    return item;
}

// Reads and decodes the file at `path`. One that exists and reads but does not decode is
// set aside; `replaceable` turns false when that fails, so nothing may write over it.
template <typename Decode>
auto loadIntact(const QString &path, Decode decode, bool *replaceable = nullptr)
    -> decltype(decode(QByteArray()))
{
    if (replaceable)
        *replaceable = true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt; // unreadable is not damaged: the bytes may be fine
    file.close();
    auto decoded = decode(bytes);
    if (!decoded && DamagedFile::setAside(path, u"[Store]").isEmpty() && replaceable)
        *replaceable = false;
    return decoded;
}

template <auto Decode> bool decodesAs(const QByteArray &bytes)
{
    return Decode(bytes).has_value();
}

} // namespace

Store::Store(QObject *parent) : QObject(parent), m_clock(systemClock) {}

Store &Store::shared()
{
    // Never destroyed while the process runs; other process-wide objects may use it until exit.
    static Store *instance = new Store;
    return *instance;
}

QString Store::folderURL() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Quillora");
    QDir().mkpath(folder); // a failure shows up as failed reads and writes
    return folder;
}

void Store::setClock(std::function<double()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<double()>(systemClock);
}

QString Store::filePath(const QString &name) const
{
    return folderURL() + QLatin1Char('/') + name;
}

void Store::writeFile(const QString &name, const QByteArray &bytes, Check decodes,
                      void (Store::*written)())
{
    if (bytes.isEmpty()) // the encoder refused the record
        return;
    const auto guard = [decodes](const QString &path) {
        const auto check = [decodes](const QByteArray &b) -> std::optional<bool> {
            return decodes(b) ? std::optional<bool>(true) : std::nullopt;
        };
        bool replaceable = true;
        loadIntact(path, check, &replaceable);
        return replaceable;
    };
    FileWriter::Written announce;
    if (written)
        announce = [this, written] {
            QMetaObject::invokeMethod(this, written, Qt::QueuedConnection);
        };
    m_writer.write(filePath(name), bytes, guard, std::move(announce));
}

template <typename Decode>
auto Store::loadLatest(const QString &path, Decode decode, bool *replaceable) const
    -> decltype(decode(QByteArray()))
{
    if (const std::optional<QByteArray> bytes = m_writer.pending(path)) {
        if (replaceable)
            *replaceable = true;
        return decode(*bytes);
    }
    return loadIntact(path, decode, replaceable);
}

void Store::waitForWrites()
{
    m_writer.waitForWrites();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

std::optional<Store::CacheEntry> Store::loadCache() const
{
    return loadLatest(filePath(cacheFileName), decodeCache);
}

void Store::saveCache(const CacheEntry &entry)
{
    writeFile(cacheFileName, encodeCache(entry), decodesAs<decodeCache>);
}

namespace {

void sortMostRecentFirst(QList<Store::PlaybackHistoryItem> &items)
{
    std::stable_sort(items.begin(), items.end(),
                     [](const Store::PlaybackHistoryItem &a, const Store::PlaybackHistoryItem &b) {
                         return a.lastPlayedAt > b.lastPlayedAt;
                     });
}

} // namespace

QList<Store::PlaybackHistoryItem> Store::loadPlaybackHistory() const
{
    QList<PlaybackHistoryItem> items =
        loadLatest(filePath(historyFileName), decodeHistory).value_or(QList<PlaybackHistoryItem>());
    sortMostRecentFirst(items);
    return items;
}

void Store::savePlaybackHistory(const QList<PlaybackHistoryItem> &items)
{
    writeFile(historyFileName, encodeHistory(items), decodesAs<decodeHistory>,
              &Store::playbackHistoryChanged);
}

void Store::applyHistoryUpdate(QList<PlaybackHistoryItem> &items, qint64 trackId, double position,
                               double duration, double now)
{
    const auto existing =
        std::find_if(items.begin(), items.end(),
                     [trackId](const PlaybackHistoryItem &item) { return item.id == trackId; });
    if (existing == items.end()) {
        items.append(PlaybackHistoryItem{trackId, position, duration, now, 1});
        return;
    }
    existing->lastPosition = position;
    existing->duration = duration;
    existing->lastPlayedAt = now;
    if (existing->playCount < std::numeric_limits<qint64>::max())
        existing->playCount += 1;
}

void Store::addOrUpdatePlaybackHistory(qint64 trackId, double position, double duration)
{
    bool replaceable = true;
    QList<PlaybackHistoryItem> items =
        loadLatest(filePath(historyFileName), decodeHistory, &replaceable)
            .value_or(QList<PlaybackHistoryItem>());
    if (!replaceable)
        return;
    sortMostRecentFirst(items);
    applyHistoryUpdate(items, trackId, position, duration, m_clock());
    writeFile(historyFileName, encodeHistory(items), decodesAs<decodeHistory>,
              &Store::playbackHistoryChanged);
}

std::optional<Store::Settings> Store::loadSettings() const
{
    return loadLatest(filePath(settingsFileName), decodeSettings);
}

void Store::saveSettings(const Settings &settings)
{
    writeFile(settingsFileName, encodeSettings(settings), decodesAs<decodeSettings>,
              &Store::settingsChanged);
}

std::optional<Store::CacheEntry> Store::decodeCache(const QByteArray &bytes)
{
    JsonReader reader;
    if (!reader.parse(bytes) || reader.root().type() != JsonReader::Type::Object)
        return std::nullopt;
    const JsonReader::Value root = reader.root();
    CacheEntry entry;
    if (!JsonField::requireNumber(root, QLatin1String("cacheTimestamp"), entry.cacheTimestamp,
                                  nullptr) ||
        !JsonField::requireNumber(root, QLatin1String("lastCheckTimestamp"),
                                  entry.lastCheckTimestamp, nullptr) ||
        !JsonField::optionalIntegral(root, QLatin1String("serverTotal"), entry.serverTotal,
                                     nullptr))
        return std::nullopt;
    const JsonReader::Value tracks = root.member(QLatin1String("tracks"));
    if (tracks.type() != JsonReader::Type::Array)
        return std::nullopt;
    entry.tracks.reserve(tracks.size());
    for (const JsonReader::Value element : tracks) {
        std::optional<Track> track = Track::fromJson(element);
        if (!track)
            return std::nullopt;
        entry.tracks.append(std::move(*track));
    }
    return entry;
}

QByteArray Store::encodeCache(const CacheEntry &entry)
{
    JsonWriter writer;
    writer.beginObject();
    writer.key(QLatin1String("tracks"));
    writer.beginArray();
    for (const Track &track : entry.tracks)
        track.writeJson(writer);
    writer.endArray();
    writer.key(QLatin1String("cacheTimestamp"));
    writer.value(entry.cacheTimestamp);
    writer.key(QLatin1String("lastCheckTimestamp"));
    writer.value(entry.lastCheckTimestamp);
    if (entry.serverTotal) {
        writer.key(QLatin1String("serverTotal"));
        writer.value(*entry.serverTotal);
    }
    writer.endObject();
    return writer.result();
}

std::optional<QList<Store::PlaybackHistoryItem>> Store::decodeHistory(const QByteArray &bytes)
{
    JsonReader reader;
    if (!reader.parse(bytes) || reader.root().type() != JsonReader::Type::Array)
        return std::nullopt;
    const JsonReader::Value root = reader.root();
    QList<PlaybackHistoryItem> items;
    items.reserve(root.size());
    for (const JsonReader::Value element : root) {
        const std::optional<PlaybackHistoryItem> item = decodeHistoryItem(element);
        if (!item)
            return std::nullopt;
        items.append(*item);
    }
    return items;
}

QByteArray Store::encodeHistory(const QList<PlaybackHistoryItem> &items)
{
    JsonWriter writer;
    writer.beginArray();
    for (const PlaybackHistoryItem &item : items) {
        writer.beginObject();
        writer.key(QLatin1String("id"));
        writer.value(item.id);
        writer.key(QLatin1String("last_position"));
        writer.value(item.lastPosition);
        writer.key(QLatin1String("duration"));
        writer.value(item.duration);
        writer.key(QLatin1String("last_played_at"));
        writer.value(item.lastPlayedAt);
        writer.key(QLatin1String("play_count"));
        writer.value(item.playCount);
        writer.endObject();
    }
    writer.endArray();
    return writer.result();
}

namespace {

// One settings field from its key, with the JSON type its declared type asks for.
bool readSetting(const JsonReader::Value &root, QLatin1String key, bool &out)
{
    return JsonField::requireBool(root, key, out, nullptr);
}

bool readSetting(const JsonReader::Value &root, QLatin1String key, double &out)
{
    return JsonField::requireNumber(root, key, out, nullptr);
}

bool readSetting(const JsonReader::Value &root, QLatin1String key, std::optional<qint64> &out)
{
    return JsonField::optionalIntegral(root, key, out, nullptr);
}

bool readSetting(const JsonReader::Value &root, QLatin1String key, RepeatMode &out)
{
    qint64 value = 0;
    if (!JsonField::requireIntegral(root, key, value, nullptr))
        return false;
    const std::optional<RepeatMode> mode = repeatModeFromInt(value);
    if (mode)
        out = *mode;
    return mode.has_value();
}

template <typename T> void writeSetting(JsonWriter &writer, QLatin1String key, const T &value)
{
    writer.key(key);
    writer.value(value);
}

void writeSetting(JsonWriter &writer, QLatin1String key, RepeatMode mode)
{
    writeSetting(writer, key, static_cast<int>(mode));
}

void writeSetting(JsonWriter &writer, QLatin1String key, const std::optional<qint64> &value)
{
    if (value)
        writeSetting(writer, key, *value);
}

} // namespace

std::optional<Store::Settings> Store::decodeSettings(const QByteArray &bytes)
{
    JsonReader reader;
    if (!reader.parse(bytes) || reader.root().type() != JsonReader::Type::Object)
        return std::nullopt;
    const JsonReader::Value root = reader.root();
    Settings settings;
#define TALVORA_SETTINGS_READ(type, name, fallback)                                                \
    if (!readSetting(root, QLatin1String(#name), settings.name))                                   \
        return std::nullopt;
    TALVORA_STORED_SETTINGS(TALVORA_SETTINGS_READ)
#undef TALVORA_SETTINGS_READ
    return settings;
}

QByteArray Store::encodeSettings(const Settings &settings)
{
    JsonWriter writer;
    writer.beginObject();
#define TALVORA_SETTINGS_WRITE(type, name, fallback)                                               \
    writeSetting(writer, QLatin1String(#name), settings.name);
    TALVORA_STORED_SETTINGS(TALVORA_SETTINGS_WRITE)
#undef TALVORA_SETTINGS_WRITE
    writer.endObject();
    return writer.result();
}
