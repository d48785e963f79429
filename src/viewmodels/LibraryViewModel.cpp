#include "viewmodels/LibraryViewModel.h"

#include "network/APIClient.h"
#include "persistence/Store.h"

#include <QDateTime>
#include <QHash>
#include <QNetworkInformation>
#include <QPromise>
#include <QThreadPool>

#include <algorithm>
#include <limits>
#include <numeric>

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

// A service that failed but still answered with a document ("status" other than "success")
// and no lectures: it must never empty a library the user has.
bool emptyFailure(const LibraryResponse &answer)
{
    return answer.status != QLatin1String("success") && answer.data.isEmpty();
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
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        // What is on screen (the library, or why there is none) stays while the service is
        // tried again.
        m_quietLoad = !m_allTracks.isEmpty() || hasError();
        loadFromCacheOrServer(false);
        m_quietLoad = false;
    });
    connect(this, &LibraryViewModel::tracksChanged, this, [this] { m_search = {}; });
    connect(&m_matcherWatcher, &QFutureWatcherBase::finished, this,
            &LibraryViewModel::takeSearchForms);
    QMetaObject::invokeMethod(
        this, [this] { loadFromCacheOrServer(false); }, Qt::QueuedConnection);
    startCacheCheckTimer();
}

LibraryViewModel::~LibraryViewModel()
{
    // A worker still making search forms keeps its own copy of the library; its result is
    // dropped.
    m_matcherWatcher.disconnect(this);
    if (m_pending && m_pending->isWaiting())
        m_pending->abandon();
}

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
    m_teachers.clear();
    m_teacherByKey.clear();
    for (const Track &track : tracks) {
        const QString key = nfc(track.ustadz);
        auto found = m_teacherByKey.constFind(key);
        if (found == m_teacherByKey.cend()) {
            found = m_teacherByKey.insert(key, int(m_teachers.size()));
            m_teachers.push_back({track.ustadz, key});
        }
        m_keys.push_back({*found});
    }
    makeSearchForms();
    m_series.setTracks(m_allTracks);
    emit tracksChanged();
    emit filteredTracksChanged();
    emit popularTracksChanged();
    emit ustadzListChanged();
}

void LibraryViewModel::makeSearchForms()
{
    m_matcher.reset();
    auto promise = std::make_shared<QPromise<std::shared_ptr<SearchMatcher>>>();
    m_matcherWatcher.setFuture(promise->future()); // a result for an older library is dropped
    promise->start();
    QThreadPool::globalInstance()->start([promise, tracks = m_allTracks] {
        auto matcher = std::make_shared<SearchMatcher>();
        matcher->setLibrary(tracks);
        promise->addResult(std::move(matcher));
        promise->finish();
    });
}

// The forms replace the search as typed in one step on this thread. The screens hear of it
// only when the result on screen changes.
void LibraryViewModel::takeSearchForms()
{
    if (m_matcherWatcher.future().resultCount() == 0)
        return;
    m_matcher = m_matcherWatcher.result();
    const Search shown = std::exchange(m_search, Search());
    if (m_searchText.trimmed().isEmpty() && m_selectedUstadz.isEmpty())
        return;
    filteredRows();
    if (shown.valid && shown.rows == m_search.rows &&
        shown.closeSpellings == m_search.closeSpellings)
        m_search = shown;
    else
        emit filteredTracksChanged();
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

void LibraryViewModel::setOfflineReason(const QString &reason)
{
    if (reason == m_offlineReason)
        return;
    m_offlineReason = reason;
    if (!reason.isEmpty())
        watchNetwork();
    emit offlineChanged();
}

void LibraryViewModel::setRetryDelays(std::chrono::milliseconds first,
                                      std::chrono::milliseconds longest)
{
    m_firstRetry = m_nextRetry = first;
    m_longestRetry = longest;
}

void LibraryViewModel::scheduleRetry()
{
    m_retryTimer.start(m_nextRetry);
    m_nextRetry = std::min(m_nextRetry * 2, m_longestRetry);
}

// The desktop's network state, where it has one: coming back online tries at once.
void LibraryViewModel::watchNetwork()
{
    if (m_watchingNetwork)
        return;
    m_watchingNetwork = true;
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                if (isOffline() && reachability == QNetworkInformation::Reachability::Online)
                    retry();
            });
}

void LibraryViewModel::retry()
{
    if (m_pending && m_pending->isWaiting()) {
        m_pending->retryNow();
        return;
    }
    loadFromCacheOrServer(false);
}

void LibraryViewModel::fetch(bool quiet,
                             std::function<void(const APIClient::FetchResult &)> onResult)
{
    // A request still waiting for the service gives way to the new one.
    if (m_pending && m_pending->isWaiting())
        m_pending->abandon();
    m_retryTimer.stop();
    auto ended = std::make_shared<bool>(quiet);
    m_pending = APIClient::fetchTracks(
        this,
        [this, ended, onResult = std::move(onResult)](const APIClient::FetchResult &result) {
            onResult(result);
            if (result.library) {
                setOfflineReason({});
                m_nextRetry = m_firstRetry;
            } else {
                setOfflineReason(result.error.description);
                scheduleRetry();
            }
            if (!*ended)
                endLoad();
        },
        [this, ended](const APIClient::Error &error) {
            // Out of reach: the screens say so now, while the request keeps trying.
            setOfflineReason(error.description);
            if (m_allTracks.isEmpty())
                setErrorMessage(loadFailedPrefix + error.description);
            if (!*ended) {
                *ended = true;
                endLoad();
            }
        });
}

void LibraryViewModel::loadFromCacheOrServer(bool forceRefresh)
{
    const bool quiet = m_quietLoad;
    if (!quiet)
        beginLoad();
    const double now = m_clock();
    m_lastCacheCheck = now;
    emit lastCacheCheckChanged();

    const std::optional<Store::CacheEntry> cache = m_store.loadCache();
    if (!cache) {
        fetch(quiet, [this, now](const APIClient::FetchResult &result) {
            if (result.library && emptyFailure(*result.library) && !m_allTracks.isEmpty()) {
                // A library already on screen (the cache file vanished since) outlives a
                // failure document, as it outlives a failed request.
            } else if (result.library) {
                const LibraryResponse &answer = *result.library;
                m_store.saveCache({answer.data, now, now, answer.totalFiles});
                setAllTracks(answer.data);
                setErrorMessage({});
            } else if (m_allTracks.isEmpty()) {
                // A library already on screen (the cache file vanished since) stays without
                // a message, as it does when an old cache is shown.
                setErrorMessage(loadFailedPrefix + result.error.description);
            }
        });
        return;
    }

    // A time in the future (a clock set back, a cache from another machine) says nothing
    // about freshness: it counts as long ago.
    const auto since = [now](double then) {
        return then > now ? std::numeric_limits<double>::infinity() : now - then;
    };
    const double age = since(cache->cacheTimestamp);
    const double sinceCheck = since(cache->lastCheckTimestamp);
    setAllTracks(cache->tracks);
    if (age < cacheThreshold && !forceRefresh) {
        setErrorMessage({});
        setOfflineReason({});
        if (!quiet)
            endLoad();
        return;
    }
    const bool ask = forceRefresh || (age > cacheThreshold && sinceCheck > refreshInterval);
    if (!ask) {
        if (!quiet)
            endLoad();
        return;
    }

    fetch(quiet, [this, now, forceRefresh, cached = *cache](const APIClient::FetchResult &result) {
        const bool keepNonEmpty = !cached.tracks.isEmpty() || !m_allTracks.isEmpty();
        if (result.library && emptyFailure(*result.library) && keepNonEmpty) {
            // Treated as a failed request: the library and the cache stay as they are.
        } else if (result.library) {
            const LibraryResponse &answer = *result.library;
            // The count alone misses lectures replaced one for one, which would then stay
            // listed and fail to stream.
            if (forceRefresh || answer.totalFiles != cached.serverTotal.value_or(0) ||
                answer.data != cached.tracks) {
                m_store.saveCache({answer.data, now, now, answer.totalFiles});
                setAllTracks(answer.data);
            } else {
                // Same count and the same lectures: only the check time moves.
                Store::CacheEntry renewed = cached;
                renewed.lastCheckTimestamp = now;
                m_store.saveCache(renewed);
            }
            setErrorMessage({});
        } else if (m_allTracks.isEmpty()) {
            setErrorMessage(loadFailedPrefix + result.error.description);
        }
    });
}

QList<Track> LibraryViewModel::filteredTracks() const
{
    if (m_searchText.trimmed().isEmpty() && m_selectedUstadz.isEmpty())
        return m_allTracks;
    const QList<qsizetype> rows = filteredRows();
    if (m_search.tracks)
        return *m_search.tracks;
    // A result that is the whole library in its order is shared, not copied.
    qsizetype next = 0;
    if (rows.size() == m_allTracks.size() &&
        std::all_of(rows.cbegin(), rows.cend(), [&next](qsizetype row) { return row == next++; })) {
        m_search.tracks = m_allTracks;
    } else {
        QList<Track> &tracks = m_search.tracks.emplace();
        tracks.reserve(rows.size());
        for (qsizetype row : rows)
            tracks.append(m_allTracks.at(row));
    }
    return *m_search.tracks;
}

QList<qsizetype> LibraryViewModel::filteredRows() const
{
    const QString query = nfc(m_searchText.trimmed().toLower());
    if (m_search.valid && m_search.ustadz == m_selectedUstadz && m_search.query == query)
        return m_search.rows;
    SearchMatcher::Result found =
        m_matcher ? m_matcher->find(query, m_selectedUstadz)
                  : SearchMatcher::findAsTyped(m_allTracks, query, m_selectedUstadz);
    // The previous rows, when they are found again, stay the same list: the screens then keep
    // their rows.
    if (m_search.valid && found.rows == m_search.rows) {
        m_search.query = query;
        m_search.ustadz = m_selectedUstadz;
        m_search.closeSpellings = found.closeSpellings;
    } else {
        m_search = {true, query, m_selectedUstadz, std::move(found.rows), found.closeSpellings, {}};
    }
    return m_search.rows;
}

bool LibraryViewModel::searchShowsCloseSpellings() const
{
    if (m_searchText.trimmed().isEmpty() && m_selectedUstadz.isEmpty())
        return false;
    filteredRows();
    return m_search.closeSpellings;
}

// Sorting compact (views, row) pairs and copying each track once is several times faster
// than sorting the tracks themselves.
QList<Track> LibraryViewModel::sortedByViews(const std::vector<qsizetype> &rows) const
{
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(rows.size());
    for (qsizetype row : rows)
        order.emplace_back(viewsOf(m_allTracks.at(row)), row);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<Track> result;
    result.reserve(qsizetype(order.size()));
    for (const auto &[views, row] : order)
        result.append(m_allTracks.at(row));
    return result;
}

QList<Track> LibraryViewModel::popularTracks() const
{
    std::vector<qsizetype> rows(size_t(m_allTracks.size()));
    std::iota(rows.begin(), rows.end(), 0);
    return sortedByViews(rows);
}

QStringList LibraryViewModel::ustadzList() const
{
    // The grouping is made when the library changes; only the order is computed here.
    std::vector<const Teacher *> teachers;
    teachers.reserve(m_teachers.size());
    for (const Teacher &teacher : m_teachers)
        teachers.push_back(&teacher);
    std::sort(teachers.begin(), teachers.end(),
              [](const Teacher *a, const Teacher *b) { return scalarLess(a->key, b->key); });
    QStringList result;
    result.reserve(qsizetype(teachers.size()));
    for (const Teacher *teacher : teachers)
        result.append(teacher->name);
    return result;
}

int LibraryViewModel::teacherIndex(const QString &ustadz) const
{
    return m_teacherByKey.value(nfc(ustadz), -1);
}

QList<Track> LibraryViewModel::tracksOfUstadz(const QString &ustadz) const
{
    const int teacher = teacherIndex(ustadz);
    std::vector<qsizetype> rows;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].teacher == teacher)
            rows.push_back(qsizetype(i));
    }
    return sortedByViews(rows);
}

int LibraryViewModel::lectureCount(const QString &ustadz) const
{
    const int teacher = teacherIndex(ustadz);
    return int(std::count_if(m_keys.begin(), m_keys.end(),
                             [teacher](const Keys &keys) { return keys.teacher == teacher; }));
}
