pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Riwayat": the lectures heard, most recent first; a click resumes the last lecture at
// its saved position and queues the whole library.
FocusScope {
    id: history

    required property ContentView content

    focus: true

    Binding {
        target: history.content
        property: "windowTitle"
        value: qsTr("Riwayat")
    }

    TrackListController {
        id: screenTracks
        kind: TrackListController.History
        library: history.content.library
        player: history.content.player
        downloads: history.content.downloads
        store: history.content.store
        Component.onCompleted: reloadHistory()
    }

    EmptyState {
        anchors.fill: parent
        visible: !screenTracks.hasHistory
        focus: !screenTracks.hasHistory
        iconName: "history"
        text: qsTr("Belum ada riwayat")
        buttonText: qsTr("Muat ulang riwayat")
        onButtonClicked: screenTracks.reloadHistory()
    }

    TrackList {
        objectName: "historyList"
        anchors.fill: parent
        visible: screenTracks.hasHistory
        focus: screenTracks.hasHistory
        controller: screenTracks
        accessibleName: qsTr("Riwayat")
    }
}
