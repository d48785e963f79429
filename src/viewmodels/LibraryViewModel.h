#pragma once

#include "models/Track.h"
#include "network/APIClient.h"
#include "viewmodels/SearchMatcher.h"
#include "viewmodels/LibrarySeries.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Store;

// Owns the lecture library for the screens: shows the cached library at once, asks the
// lecture service when the cache is old and the last check lies more than an hour back,
// keeps the cache file current and offers the search, popularity and teacher lists.
class LibraryViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Track> tracks READ tracks NOTIFY tracksChanged)
    Q_PROPERTY(int trackCount READ trackCount NOTIFY tracksChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    // Empty means no teacher filter.
    Q_PROPERTY(QString selectedUstadz READ selectedUstadz WRITE setSelectedUstadz NOTIFY
                   selectedUstadzChanged)
    // Empty means no message.
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY errorMessageChanged)
    // Why the service could not be reached on the last try (empty once it answers again).
    // While set, the view model tries again by itself, gently, and at once when the network
    // comes back.
    Q_PROPERTY(QString offlineReason READ offlineReason NOTIFY offlineChanged)
    Q_PROPERTY(bool isOffline READ isOffline NOTIFY offlineChanged)
    // Seconds since 1970 when the last load began; undefined before the first load.
    Q_PROPERTY(QVariant lastCacheCheck READ lastCacheCheckValue NOTIFY lastCacheCheckChanged)
    Q_PROPERTY(QList<Track> filteredTracks READ filteredTracks NOTIFY filteredTracksChanged)
    // The search result holds close spellings (variant or typo matches) of the query.
    Q_PROPERTY(
        bool searchShowsCloseSpellings READ searchShowsCloseSpellings NOTIFY filteredTracksChanged)
    Q_PROPERTY(QList<Track> popularTracks READ popularTracks NOTIFY popularTracksChanged)
    Q_PROPERTY(QStringList ustadzList READ ustadzList NOTIFY ustadzListChanged)
    // The library's series, grouped anew off the GUI thread whenever the library changes.
    Q_PROPERTY(LibrarySeries *series READ series CONSTANT)

public:
    using Clock = std::function<double()>;

    static constexpr double cacheThreshold = 600;   // seconds: younger caches are fresh
    static constexpr double refreshInterval = 3600; // seconds between two service checks

    // `clock` gives seconds since 1970; `timerPeriod` is the period of the hourly check
    // (tests shorten it). The first load is queued and runs once control returns to the
    // event loop.
    explicit LibraryViewModel(Store &store, Clock clock = systemClock,
                              std::chrono::milliseconds timerPeriod = std::chrono::hours(1),
                              QObject *parent = nullptr);
    ~LibraryViewModel() override;

    static double systemClock();
    std::chrono::milliseconds checkPeriod() const { return m_timerPeriod; }

    const QList<Track> &tracks() const { return m_allTracks; }
    // The library as last accepted; the screens' `tracks` is always a copy of it.
    const QList<Track> &allTracks() const { return m_allTracks; }
    int trackCount() const { return int(m_allTracks.size()); }
    bool isLoading() const { return m_runningLoads > 0; }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    QString selectedUstadz() const { return m_selectedUstadz; }
    void setSelectedUstadz(const QString &name);
    QString errorMessage() const { return m_errorMessage; }
    bool hasError() const { return !m_errorMessage.isEmpty(); }
    QString offlineReason() const { return m_offlineReason; }
    bool isOffline() const { return !m_offlineReason.isEmpty(); }
    // Waits before the tries after a failed request: `first`, doubled up to `longest`.
    void setRetryDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest);
    std::optional<double> lastCacheCheck() const { return m_lastCacheCheck; }
    QVariant lastCacheCheckValue() const;

    // Every word of the query found in the title or teacher, exact matches first, then other
    // spellings, then typos (SearchMatcher). The result is kept: reading it again costs nothing.
    // The library's search forms are made on a worker; until they are in place the search
    // finds the exact matches only, and filteredTracksChanged() follows when that changes.
    QList<Track> filteredTracks() const;
    // The same result as rows of allTracks(), shared rather than copied.
    QList<qsizetype> filteredRows() const;
    bool searchShowsCloseSpellings() const;
    bool searchFormsReady() const { return m_matcher != nullptr; }
    // Recomputed on every read.
    QList<Track> popularTracks() const;
    QStringList ustadzList() const;

    // A teacher's lectures, most viewed first (stable), and how many there are.
    Q_INVOKABLE QList<Track> tracksOfUstadz(const QString &ustadz) const;
    Q_INVOKABLE int lectureCount(const QString &ustadz) const;

    Q_INVOKABLE void loadFromCacheOrServer(bool forceRefresh = false);
    // "Coba lagi": a request still waiting for the service tries again now; otherwise a load.
    Q_INVOKABLE void retry();

    LibrarySeries *series() { return &m_series; }
    const LibrarySeries &series() const { return m_series; }

signals:
    void tracksChanged();
    void isLoadingChanged();
    void searchTextChanged();
    void selectedUstadzChanged();
    void errorMessageChanged();
    void lastCacheCheckChanged();
    void offlineChanged();
    void filteredTracksChanged();
    void popularTracksChanged();
    void ustadzListChanged();

private:
    // Per-track forms used by the lists, rebuilt whenever the library changes, so that a
    // read of a derived list does not normalise every title again.
    struct Keys
    {
        int teacher = 0; // index into m_teachers
    };
    // One per distinct `ustadz` (canonically equivalent spellings are one teacher).
    struct Teacher
    {
        QString name; // as first written in the library
        QString key;  // NFC
    };

    // The last search: its query (lowercased, NFC), teacher filter and result rows; the
    // tracks of those rows once asked for.
    struct Search
    {
        bool valid = false;
        QString query;
        QString ustadz;
        QList<qsizetype> rows;
        bool closeSpellings = false;
        std::optional<QList<Track>> tracks;
    };

    QList<Track> sortedByViews(const std::vector<qsizetype> &rows) const;
    int teacherIndex(const QString &ustadz) const;

    void startCacheCheckTimer();
    void setAllTracks(const QList<Track> &tracks);
    void makeSearchForms();
    void takeSearchForms();
    void setErrorMessage(const QString &message);
    void beginLoad();
    void endLoad();
    // One load's request, ended for the screens at once when the service is out of reach.
    void fetch(bool quiet, std::function<void(const APIClient::FetchResult &)> onResult);
    void setOfflineReason(const QString &reason);
    void scheduleRetry();
    void watchNetwork();

    Store &m_store;
    Clock m_clock;
    QTimer m_cacheCheckTimer;
    std::chrono::milliseconds m_timerPeriod;

    QList<Track> m_allTracks;
    std::vector<Keys> m_keys;
    std::vector<Teacher> m_teachers;
    QHash<QString, int> m_teacherByKey;
    int m_runningLoads = 0;
    QString m_searchText;
    // The library's search forms; none while a worker makes them.
    std::shared_ptr<SearchMatcher> m_matcher;
    QFutureWatcher<std::shared_ptr<SearchMatcher>> m_matcherWatcher;
    mutable Search m_search; // dropped when the library changes
    QString m_selectedUstadz;
    QString m_errorMessage;
    std::optional<double> m_lastCacheCheck;

    QString m_offlineReason;
    QPointer<ServiceRequest> m_pending; // the latest load's request
    QTimer m_retryTimer;
    std::chrono::milliseconds m_firstRetry{5000};
    std::chrono::milliseconds m_longestRetry{60000};
    std::chrono::milliseconds m_nextRetry{5000};
    bool m_quietLoad = false; // the load being started does not show as loading
    bool m_watchingNetwork = false;
    LibrarySeries m_series;
};
