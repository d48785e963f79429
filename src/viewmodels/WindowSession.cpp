#include "WindowSession.h"

#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

WindowSession::WindowSession(QObject *parent) : QObject(parent) {}

void WindowSession::setLibrary(LibraryViewModel *library)
{
    if (m_library == library)
        return;
    disconnect(m_connection);
    m_library = library;
    if (m_library)
        m_connection = connect(m_library, &LibraryViewModel::tracksChanged, this,
                               &WindowSession::libraryArrived);
    emit libraryChanged();
    libraryArrived();
}

void WindowSession::setPlayer(PlayerViewModel *player)
{
    if (m_player == player)
        return;
    m_player = player;
    emit playerChanged();
    libraryArrived();
}

QVariant WindowSession::scrollToTrackIdValue() const
{
    return m_scrollToTrackId ? QVariant(double(*m_scrollToTrackId)) : QVariant();
}

void WindowSession::windowShown()
{
    m_shown = true;
    if (m_player) {
        if (const auto id = m_player->lastPlayedTrackId(); id && id != m_scrollToTrackId) {
            m_scrollToTrackId = id;
            emit scrollToTrackIdChanged();
        }
    }
    libraryArrived();
}

void WindowSession::libraryArrived()
{
    // An empty library does not use up the one resume of this window.
    if (!m_shown || m_hasResumed || !m_library || !m_player || m_library->tracks().isEmpty())
        return;
    m_hasResumed = true;
    emit hasResumedChanged();
    // A window opened while a lecture is loaded (Ctrl+N) leaves playback alone: restoring
    // would reload the saved lecture paused and cut off what is playing.
    if (m_player->hasCurrentTrack())
        return;
    m_player->resumeIfNeeded(m_library->tracks());
    // At start-up the window is shown before the library and the restore exist; the
    // restored lecture is the one the lists should bring into view.
    if (!m_scrollToTrackId && m_player->lastPlayedTrackId()) {
        m_scrollToTrackId = m_player->lastPlayedTrackId();
        emit scrollToTrackIdChanged();
    }
}
