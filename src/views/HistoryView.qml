import QtQuick
import Talvora

// "Riwayat": the lectures heard, most recent first; a click resumes the last lecture at
// its saved position and queues the whole library.
Item {
    id: history

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store

    readonly property string title: qsTr("Riwayat")

    TrackListController {
        id: screenTracks
        kind: TrackListController.History
        library: history.library
        player: history.player
        downloads: history.downloads
        store: history.store
        Component.onCompleted: reloadHistory()
    }

    Loader {
        anchors.fill: parent
        sourceComponent: screenTracks.hasHistory ? list : empty
    }

    Component {
        id: empty
        EmptyState {
            iconName: "history"
            text: qsTr("Belum ada riwayat")
            buttonText: qsTr("Muat ulang riwayat")
            onButtonClicked: screenTracks.reloadHistory()
        }
    }

    Component {
        id: list
        TrackList {
            objectName: "historyList"
            controller: screenTracks
        }
    }
}
