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

    // Made with the screen, which reads the history file.
    readonly property HistoryTracks screenTracks: content.screens.history(history)

    ScreenHeading {
        id: heading
        text: qsTr("Riwayat")
    }

    // The lectures of the history come from the library: without one there is nothing to list.
    LibraryStates {
        id: states
        anchors.fill: parent
        anchors.topMargin: heading.height
        library: history.content.library
        focus: active
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: heading.height
        visible: !history.screenTracks.hasHistory && !states.active
        focus: !history.screenTracks.hasHistory && !states.active
        iconName: "history"
        text: qsTr("Belum ada riwayat. Kajian yang Anda dengarkan akan tampil di sini.")
        buttonText: qsTr("Muat ulang riwayat")
        onButtonClicked: history.screenTracks.reloadHistory()
    }

    TrackList {
        objectName: "historyList"
        anchors.fill: parent
        anchors.topMargin: heading.height + 8
        visible: history.screenTracks.hasHistory && !states.active
        focus: history.screenTracks.hasHistory && !states.active
        controller: history.screenTracks
        accessibleName: qsTr("Riwayat")
    }
}
