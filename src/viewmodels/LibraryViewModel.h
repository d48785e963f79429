#pragma once

#include "models/Track.h"
#include "viewmodels/LibrarySeries.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <functional>
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
    // Seconds since 1970 when the last load began; undefined before the first load.
    Q_PROPERTY(QVariant lastCacheCheck READ lastCacheCheckValue NOTIFY lastCacheCheckChanged)
    Q_PROPERTY(QList<Track> filteredTracks READ filteredTracks NOTIFY filteredTracksChanged)
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
    std::optional<double> lastCacheCheck() const { return m_lastCacheCheck; }
    QVariant lastCacheCheckValue() const;

    // The search result is kept: reading it again costs nothing, and a query that only
    // grows (every match of "sabar" also matches "sab") searches the previous result only.
    QList<Track> filteredTracks() const;
    // Recomputed on every read.
    QList<Track> popularTracks() const;
    QStringList ustadzList() const;

    // A teacher's lectures, most viewed first (stable), and how many there are.
    Q_INVOKABLE QList<Track> tracksOfUstadz(const QString &ustadz) const;
    Q_INVOKABLE int lectureCount(const QString &ustadz) const;

    Q_INVOKABLE void loadFromCacheOrServer(bool forceRefresh = false);

    LibrarySeries *series() { return &m_series; }
    const LibrarySeries &series() const { return m_series; }

signals:
    void tracksChanged();
    void isLoadingChanged();
    void searchTextChanged();
    void selectedUstadzChanged();
    void errorMessageChanged();
    void lastCacheCheckChanged();
    void filteredTracksChanged();
    void popularTracksChanged();
    void ustadzListChanged();

private:
    // Per-track forms used by the lists, rebuilt whenever the library changes, so that a
    // read of a derived list does not normalise every title again.
    struct Keys
    {
        QString judulLower; // lowercased, NFC
        int teacher = 0;    // index into m_teachers
    };
    // One per distinct `ustadz` (canonically equivalent spellings are one teacher).
    struct Teacher
    {
        QString name;  // as first written in the library
        QString key;   // NFC
        QString lower; // lowercased, NFC
    };

    // The last search: its query (lowercased, NFC), teacher filter and result rows.
    struct Search
    {
        bool valid = false;
        QString query;
        QString ustadz;
        std::vector<qsizetype> rows;
        QList<Track> result;
    };

    QList<Track> sortedByViews(const std::vector<qsizetype> &rows) const;
    int teacherIndex(const QString &ustadz) const;

    void startCacheCheckTimer();
    void setAllTracks(const QList<Track> &tracks);
    void setErrorMessage(const QString &message);
    void beginLoad();
    void endLoad();

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
    mutable Search m_search; // dropped when the library changes
    QString m_selectedUstadz;
    QString m_errorMessage;
    std::optional<double> m_lastCacheCheck;
    LibrarySeries m_series;
};
