#include "viewmodels/LibraryViewModel.h"

#include "network/APIClient.h"
#include "persistence/Store.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>

namespace {

const QString loadFailedPrefix = QStringLiteral("Gagal memuat daftar kajian: ");

QString nfc(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

// Orders UTF-16 texts by Unicode scalar values. Plain UTF-16 order puts U+E000..U+FFFF
// after the surrogates of U+10000 and above, so the first differing units are remapped.
bool scalarLess(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x == y)
            continue;
        auto fix = [](char16_t c) -> char16_t {
            if (c >= 0xE000)
                return char16_t(c - 0x800);
            if (c >= 0xD800)
                return char16_t(c + 0x2000);
            return c;
        };
        if (x >= 0xD800 && y >= 0xD800) {
            x = fix(x);
            y = fix(y);
        }
        return x < y;
    }
    return a.size() < b.size();
}

qint64 viewsOf(const Track &track)
{
    return track.views.value_or(0);
}

} // namespace

LibraryViewModel::LibraryViewModel(Store &store, Clock clock, std::chrono::milliseconds timerPeriod,
                                   QObject *parent)
    : QObject(parent), m_store(store), m_clock(std::move(clock)), m_timerPeriod(timerPeriod)
{
    connect(&m_cacheCheckTimer, &QTimer::timeout, this, [this] { loadFromCacheOrServer(false); });
    QMetaObject::invokeMethod(
        this, [this] { loadFromCacheOrServer(false); }, Qt::QueuedConnection);
    startCacheCheckTimer();
}

LibraryViewModel::~LibraryViewModel() = default;

double LibraryViewModel::systemClock()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

void LibraryViewModel::startCacheCheckTimer()
{
    m_cacheCheckTimer.stop();
    m_cacheCheckTimer.setTimerType(Qt::CoarseTimer);
    m_cacheCheckTimer.setInterval(m_timerPeriod);
    m_cacheCheckTimer.start();
}

QVariant LibraryViewModel::lastCacheCheckValue() const
{
    return m_lastCacheCheck ? QVariant(*m_lastCacheCheck) : QVariant();
}

void LibraryViewModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    emit searchTextChanged();
    emit filteredTracksChanged();
}

void LibraryViewModel::setSelectedUstadz(const QString &name)
{
    if (name == m_selectedUstadz)
        return;
    m_selectedUstadz = name;
    emit selectedUstadzChanged();
    emit filteredTracksChanged();
}

void LibraryViewModel::setAllTracks(const QList<Track> &tracks)
{
    if (tracks == m_allTracks)
        return;
    m_allTracks = tracks;
    m_keys.clear();
    m_keys.reserve(size_t(tracks.size()));
    for (const Track &track : tracks) {
        const QString ustadz = nfc(track.ustadz);
        m_keys.push_back({nfc(track.judul.toLower()), nfc(track.ustadz.toLower()), ustadz});
    }
    emit tracksChanged();
    emit filteredTracksChanged();
    emit popularTracksChanged();
    emit ustadzListChanged();
}

void LibraryViewModel::setErrorMessage(const QString &message)
{
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

void LibraryViewModel::beginLoad()
{
    if (m_runningLoads++ == 0)
        emit isLoadingChanged();
}

// Overlapping loads (a timer firing during a slow request) keep the flag up until the
// last one has ended, so the screens never show "not loading" while a request runs.
void LibraryViewModel::endLoad()
{
    if (--m_runningLoads == 0)
        emit isLoadingChanged();
}

void LibraryViewModel::loadFromCacheOrServer(bool forceRefresh)
{
    beginLoad();
    const double now = m_clock();
    m_lastCacheCheck = now;
    emit lastCacheCheckChanged();

    const std::optional<Store::CacheEntry> cache = m_store.loadCache();
    if (!cache) {
        APIClient::fetchTracks(this, [this, now](const APIClient::FetchResult &result) {
            if (result.library) {
                const LibraryResponse &answer = *result.library;
                m_store.saveCache({answer.data, now, now, answer.totalFiles});
                setAllTracks(answer.data);
                setErrorMessage({});
            } else if (m_allTracks.isEmpty()) {
                // A library already on screen (the cache file vanished since) stays without
                // a message, as it does when an old cache is shown.
                setErrorMessage(loadFailedPrefix + result.error.description);
            }
            endLoad();
        });
        return;
    }

    const double age = now - cache->cacheTimestamp;
    const double sinceCheck = now - cache->lastCheckTimestamp;
    setAllTracks(cache->tracks);
    if (age < cacheThreshold && !forceRefresh) {
        setErrorMessage({});
        endLoad();
        return;
    }
    const bool ask = forceRefresh || (age > cacheThreshold && sinceCheck > refreshInterval);
    if (!ask) {
        endLoad();
        return;
    }

    APIClient::fetchTracks(
        this, [this, now, forceRefresh, cached = *cache](const APIClient::FetchResult &result) {
            if (result.library) {
                const LibraryResponse &answer = *result.library;
                if (forceRefresh || answer.totalFiles != cached.serverTotal.value_or(0)) {
                    m_store.saveCache({answer.data, now, now, answer.totalFiles});
                    setAllTracks(answer.data);
                } else {
                    // Same count: the list is taken as unchanged; only the check time moves.
                    Store::CacheEntry renewed = cached;
                    renewed.lastCheckTimestamp = now;
                    m_store.saveCache(renewed);
                }
                setErrorMessage({});
            } else if (m_allTracks.isEmpty()) {
                setErrorMessage(loadFailedPrefix + result.error.description);
            }
            endLoad();
        });
}

QList<Track> LibraryViewModel::filteredTracks() const
{
    const QString query = nfc(m_searchText.trimmed().toLower());
    const bool byUstadz = !m_selectedUstadz.isEmpty();
    const QString ustadz = byUstadz ? nfc(m_selectedUstadz.toLower()) : QString();
    if (query.isEmpty() && !byUstadz)
        return m_allTracks;

    QList<Track> result;
    for (qsizetype i = 0; i < m_allTracks.size(); ++i) {
        const Keys &keys = m_keys[size_t(i)];
        if (byUstadz && keys.ustadzLower != ustadz)
            continue;
        if (!query.isEmpty() && !keys.judulLower.contains(query) &&
            !keys.ustadzLower.contains(query))
            continue;
        result.append(m_allTracks.at(i));
    }
    return result;
}

QList<Track> LibraryViewModel::popularTracks() const
{
    QList<Track> result = m_allTracks;
    std::stable_sort(result.begin(), result.end(),
                     [](const Track &a, const Track &b) { return viewsOf(a) > viewsOf(b); });
    return result;
}

QStringList LibraryViewModel::ustadzList() const
{
    // Canonically equivalent spellings form one group, shown as first written.
    QHash<QString, QString> groups;
    for (qsizetype i = 0; i < m_allTracks.size(); ++i) {
        const QString &key = m_keys[size_t(i)].ustadz;
        if (!groups.contains(key))
            groups.insert(key, m_allTracks.at(i).ustadz);
    }

    std::vector<std::pair<QString, QString>> names(groups.keyValueBegin(), groups.keyValueEnd());
    std::sort(names.begin(), names.end(),
              [](const auto &a, const auto &b) { return scalarLess(a.first, b.first); });
    QStringList result;
    result.reserve(qsizetype(names.size()));
    for (const auto &[key, name] : names)
        result.append(name);
    return result;
}

QList<Track> LibraryViewModel::tracksOfUstadz(const QString &ustadz) const
{
    const QString key = nfc(ustadz);
    QList<Track> result;
    for (qsizetype i = 0; i < m_allTracks.size(); ++i) {
        if (m_keys[size_t(i)].ustadz == key)
            result.append(m_allTracks.at(i));
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Track &a, const Track &b) { return viewsOf(a) > viewsOf(b); });
    return result;
}

int LibraryViewModel::lectureCount(const QString &ustadz) const
{
    const QString key = nfc(ustadz);
    return int(std::count_if(m_keys.begin(), m_keys.end(),
                             [&key](const Keys &keys) { return keys.ustadz == key; }));
}
