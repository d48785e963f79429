import QtQuick
import Talvora

// "Beranda": the whole library, most viewed first, with the loading and error states.
Rectangle {
    id: home

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store
    property var scrollToTrackId

    readonly property string title: "Talvora"

    color: Theme.windowBackground

    TrackListController {
        id: screenTracks
        kind: TrackListController.Home
        library: home.library
        player: home.player
        downloads: home.downloads
        store: home.store
    }

    Loader {
        anchors.fill: parent
        anchors.topMargin: 20
        sourceComponent: home.library.isLoading ? loadingState : home.library.hasError ? errorState : listState
    }

    Component {
        id: loadingState
        LoadingState {
            text: qsTr("Memuat daftar kajian...")
        }
    }

    Component {
        id: errorState
        Item {
            Column {
                anchors.centerIn: parent
                width: parent.width
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
                    text: qsTr("Coba lagi")
                    onClicked: home.library.loadFromCacheOrServer(false)
                }
            }
        }
    }

    Component {
        id: listState
        Column {
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
                controller: screenTracks
                scrollToTrackId: home.scrollToTrackId
            }
        }
    }
}
