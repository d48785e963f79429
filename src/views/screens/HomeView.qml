pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Beranda": the whole library, most viewed first, with the loading and error states.
FocusScope {
    id: home

    required property ContentView content
    readonly property LibraryViewModel library: content.library
    readonly property bool loading: library.isLoading
    readonly property bool failed: !loading && library.hasError

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

    TrackListController {
        id: screenTracks
        kind: TrackListController.Home
        library: home.content.library
        player: home.content.player
        downloads: home.content.downloads
        store: home.content.store
    }

    LoadingState {
        anchors.fill: parent
        visible: home.loading
        text: qsTr("Memuat daftar kajian...")
    }

    Column {
        anchors.centerIn: parent
        width: parent.width
        visible: home.failed
        spacing: 12

        Text {
            width: parent.width - 40
            anchors.horizontalCenter: parent.horizontalCenter
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: home.library.errorMessage
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.red
        }

        BorderedButton {
            anchors.horizontalCenter: parent.horizontalCenter
            focus: home.failed
            text: qsTr("Coba lagi")
            onClicked: home.library.loadFromCacheOrServer(false)
        }
    }

    // The list is not shown during a load, even over a cached library.
    Column {
        anchors.fill: parent
        anchors.topMargin: 20
        visible: !home.loading && !home.failed
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

        TrackList {
            objectName: "homeList"
            width: parent.width
            height: parent.height - heading.height - parent.spacing
            focus: !home.failed
            controller: screenTracks
            accessibleName: heading.text
            scrollToTrackId: home.content.session.scrollToTrackId
        }
    }
}
