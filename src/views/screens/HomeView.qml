pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Beranda": the whole library, most viewed first, with the loading and error states, and
// a word when the library holds nothing.
FocusScope {
    id: home

    required property ContentView content
    readonly property LibraryViewModel library: content.library

    focus: true

    Rectangle {
        anchors.fill: parent
        color: Theme.windowBackground
    }

    Binding {
        target: home.content
        property: "windowTitle"
        value: "Talvora"
    }

    readonly property HomeTracks screenTracks: content.screens.home(home)

    LibraryStates {
        id: states
        anchors.fill: parent
        library: home.library
        coversList: true
        focus: active
    }

    // The list is not shown during a load, even over a cached library.
    Column {
        anchors.fill: parent
        anchors.topMargin: 20
        visible: !states.active
        spacing: 16

        Text {
            id: heading
            x: 20
            text: qsTr("Populer")
            font.family: Theme.fontFamily
            font.weight: Font.Bold
            font.pixelSize: 22
            color: Theme.primaryText
        }

        EmptyState {
            width: parent.width
            height: parent.height - heading.height - parent.spacing
            visible: home.library.trackCount === 0
            iconName: "music"
            text: qsTr("Belum ada kajian di layanan")
        }

        TrackList {
            objectName: "homeList"
            visible: home.library.trackCount > 0
            width: parent.width
            height: parent.height - heading.height - parent.spacing
            focus: !states.active
            controller: home.screenTracks
            accessibleName: heading.text
            scrollToTrackId: home.content.session.scrollToTrackId
        }
    }
}
