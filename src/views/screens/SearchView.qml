pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Cari": the prompt while the query is blank, else the matching lectures, or a word that
// nothing matched. The query is typed into the sidebar's field.
FocusScope {
    id: search

    required property ContentView content

    focus: true

    Binding {
        target: search.content
        property: "windowTitle"
        value: qsTr("Cari")
    }

    readonly property SearchTracks screenTracks: content.screens.search(search)

    ScreenHeading {
        id: heading
        text: qsTr("Cari")
    }

    LibraryStates {
        id: states
        anchors.fill: parent
        anchors.topMargin: heading.height
        library: search.content.library
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: heading.height
        visible: search.screenTracks.queryBlank && !states.active
        iconName: "search"
        text: qsTr("Ketik kata kunci untuk mencari kajian")
    }

    // Nothing matched: say what was looked for.
    EmptyState {
        objectName: "noResults"
        anchors.fill: parent
        anchors.topMargin: heading.height
        visible: !search.screenTracks.queryBlank && !states.active && results.view.count === 0
        iconName: "search"
        text: qsTr("Tidak ada kajian untuk “%1”").arg(search.content.library.searchText.trim())
    }

    TrackList {
        id: results
        objectName: "searchList"
        anchors.fill: parent
        anchors.topMargin: heading.height + 8
        visible: !search.screenTracks.queryBlank && !states.active && view.count > 0
        focus: true
        controller: search.screenTracks
        accessibleName: qsTr("Hasil pencarian")
        scrollToTrackId: search.content.session.scrollToTrackId
    }

    // Above the list, when it holds other spellings or typos of the query.
    Text {
        x: 20
        height: 20
        verticalAlignment: Text.AlignVCenter
        visible: !search.screenTracks.queryBlank && search.content.library.searchShowsCloseSpellings
        text: qsTr("Hasil untuk ejaan serupa")
        font.family: Theme.fontFamily
        font.pixelSize: 13
        color: Theme.secondaryText
        Accessible.role: Accessible.StaticText
        Accessible.name: text
        Accessible.ignored: !visible
    }
}
