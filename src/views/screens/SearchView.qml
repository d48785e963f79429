pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Cari": the prompt while the query is blank, else the matching lectures. The query is
// typed into the sidebar's field.
FocusScope {
    id: search

    required property ContentView content

    focus: true

    Binding {
        target: search.content
        property: "windowTitle"
        value: qsTr("Cari")
    }

    TrackListController {
        id: screenTracks
        kind: TrackListController.Search
        library: search.content.library
        player: search.content.player
        downloads: search.content.downloads
        store: search.content.store
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: 20
        visible: screenTracks.queryBlank
        iconName: "search"
        text: qsTr("Ketik kata kunci untuk mencari kajian")
    }

    TrackList {
        objectName: "searchList"
        anchors.fill: parent
        anchors.topMargin: 20
        visible: !screenTracks.queryBlank
        focus: true
        controller: screenTracks
        accessibleName: qsTr("Hasil pencarian")
        scrollToTrackId: search.content.session.scrollToTrackId
    }

    // Above the list, when it holds other spellings or typos of the query.
    Text {
        x: 20
        height: 20
        verticalAlignment: Text.AlignVCenter
        visible: !screenTracks.queryBlank && search.content.library.searchShowsCloseSpellings
        text: qsTr("Hasil untuk ejaan serupa")
        font.family: Theme.fontFamily
        font.pixelSize: 13
        color: Theme.secondaryText
        Accessible.role: Accessible.StaticText
        Accessible.name: text
        Accessible.ignored: !visible
    }
}
