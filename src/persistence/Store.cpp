#include "persistence/Store.h"

#include "models/JsonReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

const QString cacheFileName = QStringLiteral("tracks_cache.json");
const QString historyFileName = QStringLiteral("playback_history.json");
const QString settingsFileName = QStringLiteral("settings.json");

double systemClock()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

QByteArray compact(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

std::optional<Store::PlaybackHistoryItem> decodeHistoryItem(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Store::PlaybackHistoryItem item;
    const bool ok =
        JsonReader::requireIntegral(object, QLatin1String("id"), item.id, nullptr) &&
        JsonReader::requireNumber(object, QLatin1String("last_position"), item.lastPosition,
                                  nullptr) &&
        JsonReader::requireNumber(object, QLatin1String("duration"), item.duration, nullptr) &&
        JsonReader::requireNumber(object, QLatin1String("last_played_at"), item.lastPlayedAt,
                                  nullptr) &&
        JsonReader::requireIntegral(object, QLatin1String("play_count"), item.playCount, nullptr);
    if (!ok)
        return std::nullopt;
    return item;
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

QByteArray Store::readFile(const QString &name) const
{
    QFile file(folderURL() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool Store::writeFile(const QString &name, const QByteArray &bytes)
{
    if (bytes.isEmpty()) // the encoder refused the record
        return false;
    QSaveFile file(folderURL() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Flushed by hand: Qt 6.4's commit() ignores a failure of its own final flush (a full
    // disk, a file size limit) and would put a truncated file in place of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<Store::CacheEntry> Store::loadCache() const
{
    return decodeCache(readFile(cacheFileName));
}

void Store::saveCache(const CacheEntry &entry)
{
    writeFile(cacheFileName, encodeCache(entry));
}

QList<Store::PlaybackHistoryItem> Store::loadPlaybackHistory() const
{
    QList<PlaybackHistoryItem> items =
        decodeHistory(readFile(historyFileName)).value_or(QList<PlaybackHistoryItem>());
    std::stable_sort(items.begin(), items.end(),
                     [](const PlaybackHistoryItem &a, const PlaybackHistoryItem &b) {
                         return a.lastPlayedAt > b.lastPlayedAt;
                     });
    return items;
}

void Store::savePlaybackHistory(const QList<PlaybackHistoryItem> &items)
{
    if (writeFile(historyFileName, encodeHistory(items)))
        emit playbackHistoryChanged();
}

void Store::addOrUpdatePlaybackHistory(qint64 trackId, double position, double duration)
{
    QList<PlaybackHistoryItem> items = loadPlaybackHistory();
    const double now = m_clock();
    const auto existing =
        std::find_if(items.begin(), items.end(),
                     [trackId](const PlaybackHistoryItem &item) { return item.id == trackId; });
    if (existing != items.end()) {
        existing->lastPosition = position;
        existing->duration = duration;
        existing->lastPlayedAt = now;
        existing->playCount += 1;
    } else {
        items.append(PlaybackHistoryItem{trackId, position, duration, now, 1});
    }
    savePlaybackHistory(items);
}

std::optional<Store::Settings> Store::loadSettings() const
{
    return decodeSettings(readFile(settingsFileName));
}

void Store::saveSettings(const Settings &settings)
{
    if (writeFile(settingsFileName, encodeSettings(settings)))
        emit settingsChanged();
}

std::optional<Store::CacheEntry> Store::decodeCache(const QByteArray &bytes)
{
    const std::optional<QJsonValue> root = JsonReader::parse(bytes);
    if (!root || !root->isObject())
        return std::nullopt;
    const QJsonObject object = root->toObject();
    CacheEntry entry;
    if (!JsonReader::requireNumber(object, QLatin1String("cacheTimestamp"), entry.cacheTimestamp,
                                   nullptr) ||
        !JsonReader::requireNumber(object, QLatin1String("lastCheckTimestamp"),
                                   entry.lastCheckTimestamp, nullptr) ||
        !JsonReader::optionalIntegral(object, QLatin1String("serverTotal"), entry.serverTotal,
                                      nullptr))
        return std::nullopt;
    const QJsonValue tracks = object.value(QLatin1String("tracks"));
    if (!tracks.isArray())
        return std::nullopt;
    const QJsonArray elements = tracks.toArray();
    entry.tracks.reserve(elements.size());
    for (const QJsonValue &element : elements) {
        std::optional<Track> track = Track::fromJson(element);
        if (!track)
            return std::nullopt;
        entry.tracks.append(std::move(*track));
    }
    return entry;
}

QByteArray Store::encodeCache(const CacheEntry &entry)
{
    if (!std::isfinite(entry.cacheTimestamp) || !std::isfinite(entry.lastCheckTimestamp))
        return {};
    QJsonArray tracks;
    for (const Track &track : entry.tracks) {
        if (!track.isEncodable())
            return {};
        tracks.append(track.toJson());
    }
    QJsonObject object{
        {QStringLiteral("tracks"), tracks},
        {QStringLiteral("cacheTimestamp"), entry.cacheTimestamp},
        {QStringLiteral("lastCheckTimestamp"), entry.lastCheckTimestamp},
    };
    if (entry.serverTotal)
        object.insert(QStringLiteral("serverTotal"), *entry.serverTotal);
    return compact(object);
}

std::optional<QList<Store::PlaybackHistoryItem>> Store::decodeHistory(const QByteArray &bytes)
{
    const std::optional<QJsonValue> root = JsonReader::parse(bytes);
    if (!root || !root->isArray())
        return std::nullopt;
    const QJsonArray elements = root->toArray();
    QList<PlaybackHistoryItem> items;
    items.reserve(elements.size());
    for (const QJsonValue &element : elements) {
        const std::optional<PlaybackHistoryItem> item = decodeHistoryItem(element);
        if (!item)
            return std::nullopt;
        items.append(*item);
    }
    return items;
}

QByteArray Store::encodeHistory(const QList<PlaybackHistoryItem> &items)
{
    QJsonArray array;
    for (const PlaybackHistoryItem &item : items) {
        if (!std::isfinite(item.lastPosition) || !std::isfinite(item.duration) ||
            !std::isfinite(item.lastPlayedAt))
            return {};
        array.append(QJsonObject{
            {QStringLiteral("id"), item.id},
            {QStringLiteral("last_position"), item.lastPosition},
            {QStringLiteral("duration"), item.duration},
            {QStringLiteral("last_played_at"), item.lastPlayedAt},
            {QStringLiteral("play_count"), item.playCount},
        });
    }
    return compact(array);
}

std::optional<Store::Settings> Store::decodeSettings(const QByteArray &bytes)
{
    const std::optional<QJsonValue> root = JsonReader::parse(bytes);
    if (!root || !root->isObject())
        return std::nullopt;
    const QJsonObject object = root->toObject();
    Settings settings;
    qint64 repeatMode = 0;
    if (!JsonReader::requireBool(object, QLatin1String("shuffle"), settings.shuffle, nullptr) ||
        !JsonReader::requireIntegral(object, QLatin1String("repeatMode"), repeatMode, nullptr) ||
        !JsonReader::optionalIntegral(object, QLatin1String("lastTrackId"), settings.lastTrackId,
                                      nullptr) ||
        !JsonReader::requireNumber(object, QLatin1String("lastPosition"), settings.lastPosition,
                                   nullptr) ||
        !JsonReader::requireNumber(object, QLatin1String("lastDuration"), settings.lastDuration,
                                   nullptr))
        return std::nullopt;
    const std::optional<RepeatMode> mode = repeatModeFromInt(repeatMode);
    if (!mode)
        return std::nullopt;
    settings.repeatMode = *mode;
    return settings;
}

QByteArray Store::encodeSettings(const Settings &settings)
{
    if (!std::isfinite(settings.lastPosition) || !std::isfinite(settings.lastDuration))
        return {};
    QJsonObject object{
        {QStringLiteral("shuffle"), settings.shuffle},
        {QStringLiteral("repeatMode"), static_cast<int>(settings.repeatMode)},
        {QStringLiteral("lastPosition"), settings.lastPosition},
        {QStringLiteral("lastDuration"), settings.lastDuration},
    };
    if (settings.lastTrackId)
        object.insert(QStringLiteral("lastTrackId"), *settings.lastTrackId);
    return compact(object);
}
