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

    ScreenHeading {
        id: heading
        text: qsTr("Unduhan")
    }

    // Stored lectures are listed from the library: without one there is nothing to list.
    LibraryStates {
        id: states
        anchors.fill: parent
        anchors.topMargin: heading.height
        library: stored.content.library
        focus: active
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: heading.height
        visible: !screenTracks.hasDownloads && !states.active
        iconName: "circle-dashed-arrow-down"
        text: qsTr("Belum ada unduhan")
    }

    TrackList {
        objectName: "downloadsList"
        anchors.fill: parent
        anchors.topMargin: heading.height + 8
        visible: screenTracks.hasDownloads && !states.active
        focus: !states.active
        controller: screenTracks
        accessibleName: qsTr("Unduhan")
    }
}
