#pragma once

#include "models/Track.h"
#include "persistence/Store.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <optional>

class Downloads;
class FinishedLectures;
class LibrarySeries;

// The rows of one track list as QML sees them: display texts, listening progress from the
// playback history, the download state and which row the player holds. QML never gets
// the tracks themselves; it acts on rows by index through the screen's controller.
//
// Progress comes from the history file, read when the list is filled and again when the
// store rewrites it, at most once per `historyInterval` (the player rewrites it every
// second while a lecture plays; only rows whose progress changed are announced). The
// current row's progress follows the player's place in whole seconds instead, so that its
// strip moves in the same frame as the bar's time.
class TrackListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        TitleRole = Qt::UserRole + 1,
        TeacherRole,
        DurationTextRole,
        HasProgressRole, // progress present and above 0: the percentage and bar show
        ProgressRole,    // listened fraction, not clamped (0 when absent)
        ProgressTextRole,
        IsDownloadedRole,
        IsDownloadingRole,
        DownloadProgressRole, // 0..1 while in flight, -1 when the size is unknown
        IsCurrentRole,
        IsPlayingRole,
        TrackIdRole, // as a number, exact up to 2^53; for tests and accessibility only
        IsFinishedRole,
        SeriesTextRole, // "Kitab Tauhid · bagian 12 dari 24", empty outside a series
    };
    Q_ENUM(Role)

    explicit TrackListModel(Store *store = nullptr, Downloads *downloads = nullptr,
                            QObject *parent = nullptr);

    void setStore(Store *store);
    void setDownloads(Downloads *downloads);
    void setHistoryInterval(std::chrono::milliseconds interval);
    void setFinished(FinishedLectures *finished);
    void setSeries(LibrarySeries *series);

    void setTracks(const QList<Track> &tracks);
    // As setTracks, but told as rows removed and rows inserted rather than a reset: a view
    // then recycles its rows at its next layout instead of rebuilding them at once, which
    // keeps a keystroke of the search short. Nothing is told when the list is the same one.
    void updateTracks(const QList<Track> &tracks);
    // As updateTracks, the rows being `rows` of `library`: both are shared, nothing is copied,
    // so a search result of any size costs its row numbers only.
    void updateRows(const QList<Track> &library, const QList<qsizetype> &rows);
    QList<Track> tracks() const;
    int count() const { return int(m_byRow ? m_rows.size() : m_tracks.size()); }
    std::optional<Track> trackAt(int row) const;
    // First row holding the id, -1 when none.
    int rowOfTrackId(qint64 id) const;

    void setCurrentTrack(std::optional<qint64> id, bool isPlaying);
    std::optional<qint64> currentTrackId() const { return m_currentId; }
    // The current lecture's listened fraction from the player, absent while unknown.
    void setCurrentProgress(std::optional<double> fraction);

    // Listened fraction of a track: the current one's from the player while known, else
    // the first history entry with its id; absent without an entry or when that entry's
    // duration is not above 0.
    std::optional<double> progressOf(qint64 id) const;
    // Reads the history file now.
    void reloadHistory();
    // Takes the listened shares from history entries already read, most recent first.
    void setHistory(const QList<Store::PlaybackHistoryItem> &items);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // "20%": the integer part of fraction × 100.
    static QString percentText(double fraction);

signals:
    void countChanged();

private:
    void replaceRows(const QList<Track> &tracks, const QList<qsizetype> &rows, bool byRow);
    void onHistoryChanged();
    void onTrackStateChanged(qint64 id);
    void onDownloadProgress(qint64 id);
    void announceRows(const QList<qint64> &ids, const QList<int> &roles);
    void announceAll(const QList<int> &roles);
    bool isDownloaded(const Track &track) const;
    const QHash<qint64, QList<int>> &rowsOfId() const;

    QPointer<Store> m_store;
    QPointer<Downloads> m_downloads;
    const Track &trackOf(int row) const { return m_tracks[m_byRow ? m_rows[row] : row]; }
    // The rows: m_tracks, or with m_byRow the rows m_rows of the library m_tracks.
    QList<Track> m_tracks;
    QList<qsizetype> m_rows;
    bool m_byRow = false;
    // Built when first needed after the rows change (a search changes them per keystroke).
    mutable QHash<qint64, QList<int>> m_rowsOfId;
    mutable bool m_rowsOfIdStale = false;
    QHash<qint64, std::optional<double>> m_progress;
    mutable QHash<qint64, bool> m_downloaded; // file checks, made when a row is first shown
    std::optional<qint64> m_currentId;
    bool m_isPlaying = false;
    std::optional<double> m_currentProgress;
    QTimer m_historyThrottle;
    bool m_historyPending = false;
    QMetaObject::Connection m_storeConnection;
    QList<QMetaObject::Connection> m_downloadConnections;
    QPointer<FinishedLectures> m_finished;
    QPointer<LibrarySeries> m_series;
    QMetaObject::Connection m_finishedConnection;
    QMetaObject::Connection m_seriesConnection;
};
