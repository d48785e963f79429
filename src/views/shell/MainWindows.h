#pragma once

#include "viewmodels/screens/ScreenTracksFactory.h"

#include <QList>
#include <QObject>
#include <QPointer>

class Downloads;
class LibraryViewModel;
class NotesStore;
class PlayerViewModel;
class QQmlEngine;
class QQuickWindow;
class Store;

// Opens main windows: each shows the same view models, download manager, store and notes
// (the screens' track lists are made with them), and asks for another window with Ctrl+N.
// A closed window is deleted.
class MainWindows : public QObject
{
    Q_OBJECT
public:
    MainWindows(QQmlEngine &engine, LibraryViewModel &library, PlayerViewModel &player,
                Downloads &downloads, Store &store, NotesStore &notes, QObject *parent = nullptr);

    QList<QQuickWindow *> windows() const;

    // The icon provider and the module's import path; every engine that loads the screens
    // needs them.
    static void prepareEngine(QQmlEngine &engine);

public slots:
    // Creates and shows a window; nullptr (with the QML errors logged) when it fails.
    QQuickWindow *open();

signals:
    void windowOpened(QQuickWindow *window);

private slots:
    void onClosing();

private:
    QQmlEngine &m_engine;
    LibraryViewModel &m_library;
    PlayerViewModel &m_player;
    Downloads &m_downloads;
    NotesStore &m_notes;
    ScreenTracksFactory m_screens; // shared by the windows' screens
    QList<QPointer<QQuickWindow>> m_windows;
};
