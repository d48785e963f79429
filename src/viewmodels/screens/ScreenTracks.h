#pragma once

#include "viewmodels/TrackListModel.h"

#include <QList>
#include <QObject>
#include <QVariant>

#include <optional>

class Downloads;
class LibraryViewModel;
class PlayerViewModel;
class Store;

// The track list of one screen: which tracks it shows, what a click on a row plays (the
// queue and the place to start) and what the row's download button does. Each screen kind
// is a subclass; ScreenTracksFactory makes them with the objects they read.
//
// | screen    | rows                                   | queue            | resume             |
// |-----------|----------------------------------------|------------------|--------------------|
// | Home      | the library, most viewed first         | the popular list | its history entry  |
// | Search    | the search results                     | the results      | its history entry  |
// | Teacher   | one teacher's lectures, most viewed    | those lectures   | its history entry  |
// | History   | heard lectures, most recent first      | whole library    | settings or history|
// | Stored    | library lectures whose file is present | the rows         | settings or history|
// | Series    | one series' parts in order             | the series       | its history entry  |
//
// Every list leaves out finished lectures while "Sembunyikan yang selesai" is on, except
// the one the player holds. "Its history entry" is ResumeRule (from 0:00 when finished or
// never heard), applied by the player view model to every play without a place of its own.
class ScreenTracks : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TrackListModel *model READ model CONSTANT)
    // The row's download button removes the stored copy instead of starting a download.
    Q_PROPERTY(bool removesDownload READ removesDownload CONSTANT)

public:
    // What every screen reads; all outlive the screens.
    struct Sources
    {
        LibraryViewModel &library;
        PlayerViewModel &player;
        Downloads &downloads;
        Store &store;
    };

    TrackListModel *model() { return &m_model; }
    virtual bool removesDownload() const { return false; }

    Q_INVOKABLE void playRow(int row);
    // Starts a download of the row's lecture, or cancels the one in flight.
    Q_INVOKABLE virtual void downloadRow(int row);
    // "Tandai selesai" / "Tandai belum selesai".
    Q_INVOKABLE void toggleFinishedRow(int row);
    // Row of a track id given by QML (a number, exact up to 2^53), -1 when none.
    Q_INVOKABLE int rowOfTrackId(const QVariant &id) const;

    // Fills the list again from the screen's rows.
    virtual void refresh();

protected:
    ScreenTracks(const Sources &sources, QObject *parent);

    // The rows before finished lectures are hidden.
    virtual QList<Track> rows() const = 0;
    // What a click on a row plays, around the clicked lecture.
    virtual QList<Track> queue() const = 0;
    // Where the clicked lecture starts; none: the player's rule.
    virtual std::optional<double> startOf(const Track &) const { return std::nullopt; }
    // Settings or history: the saved place of the last lecture wins over its history entry.
    std::optional<double> savedPlace(const Track &track) const;
    QList<Track> withoutHidden(QList<Track> rows) const;
    QList<qsizetype> withoutHidden(const QList<Track> &library, QList<qsizetype> rows) const;

    Sources m_sources;
    TrackListModel m_model;

private:
    void refreshCurrent();
    void refreshCurrentProgress();
};
