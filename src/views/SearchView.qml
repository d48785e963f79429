import QtQuick
import Talvora

// "Cari": the prompt while the query is blank, else the matching lectures. The query is
// typed into the sidebar's field.
Item {
    id: search

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store
    property var scrollToTrackId

    readonly property string title: qsTr("Cari")

    TrackListController {
        id: screenTracks
        kind: TrackListController.Search
        library: search.library
        player: search.player
        downloads: search.downloads
        store: search.store
    }

    Loader {
        anchors.fill: parent
        anchors.topMargin: 20
        sourceComponent: screenTracks.queryBlank ? prompt : results
    }

    Component {
        id: prompt
        EmptyState {
            iconName: "search"
            text: qsTr("Ketik kata kunci untuk mencari kajian")
        }
    }

    Component {
        id: results
        TrackList {
            objectName: "searchList"
            controller: screenTracks
            scrollToTrackId: search.scrollToTrackId
        }
    }
}
