#pragma once

// The C++ objects the screens use, made known to QML. They live in the core library,
// which has no QML dependency, so they are registered here as foreign types.

#include "audio/PassageRepeat.h"
#include "audio/downloads/DownloadListModel.h"
#include "audio/downloads/Downloads.h"
#include "audio/downloads/SeriesDownload.h"
#include "persistence/NotesStore.h"
#include "persistence/Store.h"
#include "prayer/CityListModel.h"
#include "prayer/PrayerPause.h"
#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/NotesListModel.h"
#include "viewmodels/PlayerViewModel.h"
#include "viewmodels/SeriesListModel.h"
#include "viewmodels/TrackListModel.h"
#include "viewmodels/UstadzListModel.h"
#include "viewmodels/WindowSession.h"
#include "viewmodels/screens/ScreenTracksFactory.h"

#include <QtQml/qqml.h>

struct LibraryViewModelForeign
{
    Q_GADGET
    QML_FOREIGN(LibraryViewModel)
    QML_NAMED_ELEMENT(LibraryViewModel)
    QML_UNCREATABLE("One library view model is created by the application")
};

struct PlayerViewModelForeign
{
    Q_GADGET
    QML_FOREIGN(PlayerViewModel)
    QML_NAMED_ELEMENT(PlayerViewModel)
    QML_UNCREATABLE("One player view model is created by the application")
};

struct DownloadsForeign
{
    Q_GADGET
    QML_FOREIGN(Downloads)
    QML_NAMED_ELEMENT(Downloads)
    QML_UNCREATABLE("The download manager is created by the application")
};

struct DownloadListModelForeign
{
    Q_GADGET
    QML_FOREIGN(DownloadListModel)
    QML_NAMED_ELEMENT(DownloadListModel)
    QML_UNCREATABLE("Kept by the download manager")
};

struct StoreForeign
{
    Q_GADGET
    QML_FOREIGN(Store)
    QML_NAMED_ELEMENT(Store)
    QML_UNCREATABLE("The store is created by the application")
};

struct TrackListModelForeign
{
    Q_GADGET
    QML_FOREIGN(TrackListModel)
    QML_NAMED_ELEMENT(TrackListModel)
    QML_UNCREATABLE("Owned by a screen's ScreenTracks")
};

struct ScreenTracksForeign
{
    Q_GADGET
    QML_FOREIGN(ScreenTracks)
    QML_NAMED_ELEMENT(ScreenTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct HomeTracksForeign
{
    Q_GADGET
    QML_FOREIGN(HomeTracks)
    QML_NAMED_ELEMENT(HomeTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct SearchTracksForeign
{
    Q_GADGET
    QML_FOREIGN(SearchTracks)
    QML_NAMED_ELEMENT(SearchTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct TeacherTracksForeign
{
    Q_GADGET
    QML_FOREIGN(TeacherTracks)
    QML_NAMED_ELEMENT(TeacherTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct SeriesTracksForeign
{
    Q_GADGET
    QML_FOREIGN(SeriesTracks)
    QML_NAMED_ELEMENT(SeriesTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct HistoryTracksForeign
{
    Q_GADGET
    QML_FOREIGN(HistoryTracks)
    QML_NAMED_ELEMENT(HistoryTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct StoredTracksForeign
{
    Q_GADGET
    QML_FOREIGN(StoredTracks)
    QML_NAMED_ELEMENT(StoredTracks)
    QML_UNCREATABLE("Made by ScreenTracksFactory")
};

struct ScreenTracksFactoryForeign
{
    Q_GADGET
    QML_FOREIGN(ScreenTracksFactory)
    QML_NAMED_ELEMENT(ScreenTracksFactory)
    QML_UNCREATABLE("One per set of windows, made by the application")
};

struct UstadzListModelForeign
{
    Q_GADGET
    QML_FOREIGN(UstadzListModel)
    QML_NAMED_ELEMENT(UstadzListModel)
};

struct WindowSessionForeign
{
    Q_GADGET
    QML_FOREIGN(WindowSession)
    QML_NAMED_ELEMENT(WindowSession)
};

struct NotesStoreForeign
{
    Q_GADGET
    QML_FOREIGN(NotesStore)
    QML_NAMED_ELEMENT(NotesStore)
    QML_UNCREATABLE("The notes are created by the application")
};

struct NotesListModelForeign
{
    Q_GADGET
    QML_FOREIGN(NotesListModel)
    QML_NAMED_ELEMENT(NotesListModel)
};

struct SeriesListModelForeign
{
    Q_GADGET
    QML_FOREIGN(SeriesListModel)
    QML_NAMED_ELEMENT(SeriesListModel)
};

struct LibrarySeriesForeign
{
    Q_GADGET
    QML_FOREIGN(LibrarySeries)
    QML_NAMED_ELEMENT(LibrarySeries)
    QML_UNCREATABLE("Owned by the library view model")
};

struct FinishedLecturesForeign
{
    Q_GADGET
    QML_FOREIGN(FinishedLectures)
    QML_NAMED_ELEMENT(FinishedLectures)
    QML_UNCREATABLE("Owned by the player view model")
};

struct SeriesDownloadForeign
{
    Q_GADGET
    QML_FOREIGN(SeriesDownload)
    QML_NAMED_ELEMENT(SeriesDownload)
};

struct PrayerPauseForeign
{
    Q_GADGET
    QML_FOREIGN(PrayerPause)
    QML_NAMED_ELEMENT(PrayerPause)
    QML_UNCREATABLE("Owned by the player view model")
};

struct CityListModelForeign
{
    Q_GADGET
    QML_FOREIGN(CityListModel)
    QML_NAMED_ELEMENT(CityListModel)
};

struct PassageRepeatForeign
{
    Q_GADGET
    QML_FOREIGN(PassageRepeat)
    QML_NAMED_ELEMENT(PassageRepeat)
    QML_UNCREATABLE("Owned by the player view model")
};
