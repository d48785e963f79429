import QtQuick
import Talvora

// "Unduhan": the stored lectures in library order; the row's button removes the copy.
Item {
    id: stored

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store

    readonly property string title: qsTr("Unduhan")

    TrackListController {
        id: screenTracks
        kind: TrackListController.StoredDownloads
        library: stored.library
        player: stored.player
        downloads: stored.downloads
        store: stored.store
    }

    Loader {
        anchors.fill: parent
        sourceComponent: screenTracks.hasDownloads ? list : empty
    }

    Component {
        id: empty
        EmptyState {
            iconName: "circle-dashed-arrow-down"
            text: qsTr("Belum ada unduhan")
        }
    }

    Component {
        id: list
        TrackList {
            objectName: "downloadsList"
            controller: screenTracks
        }
    }
}
