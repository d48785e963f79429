pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Unduhan": the stored lectures in library order; the row's button removes the copy.
FocusScope {
    id: stored

    required property ContentView content

    focus: true

    Binding {
        target: stored.content
        property: "windowTitle"
        value: qsTr("Unduhan")
    }

    TrackListController {
        id: screenTracks
        kind: TrackListController.StoredDownloads
        library: stored.content.library
        player: stored.content.player
        downloads: stored.content.downloads
        store: stored.content.store
    }

    EmptyState {
        anchors.fill: parent
        visible: !screenTracks.hasDownloads
        iconName: "circle-dashed-arrow-down"
        text: qsTr("Belum ada unduhan")
    }

    TrackList {
        objectName: "downloadsList"
        anchors.fill: parent
        visible: screenTracks.hasDownloads
        focus: true
        controller: screenTracks
        accessibleName: qsTr("Unduhan")
    }
}
