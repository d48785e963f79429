import QtQuick
import Talvora

// The main window's content: the sidebar and the selected screen side by side, the
// now-playing bar across the bottom. Each screen is made anew when it is selected.
Rectangle {
    id: content

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store

    property string selection: "home"
    readonly property string windowTitle: screen.item && screen.item.title !== undefined ? screen.item.title : "Talvora"
    readonly property alias sidebar: sidebar
    readonly property alias session: session
    readonly property alias screen: screen
    readonly property alias nowPlayingBar: nowPlaying

    function focusSearch() {
        selection = "search"
        sidebar.searchField.forceActiveFocus()
        sidebar.searchField.selectAll()
    }

    color: Theme.windowBackground

    WindowSession {
        id: session
        library: content.library
        player: content.player
    }
    Component.onCompleted: session.windowShown()

    Sidebar {
        id: sidebar
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        width: Math.max(210, Math.min(240, content.width * 0.22))
        library: content.library
        selection: content.selection
        onSelected: key => {
            if (key === "search")
                content.focusSearch()
            else
                content.selection = key
        }
    }

    Rectangle {
        anchors.left: sidebar.right
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        width: 1
        color: Qt.rgba(1, 1, 1, 0.08)
    }

    Loader {
        id: screen
        objectName: "screen"
        anchors.left: sidebar.right
        anchors.leftMargin: 1
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        focus: true
        sourceComponent: {
            switch (content.selection) {
            case "ustadz":
                return ustadzScreen
            case "history":
                return historyScreen
            case "downloads":
                return downloadsScreen
            case "search":
                return searchScreen
            default:
                return homeScreen
            }
        }
    }

    NowPlayingBar {
        id: nowPlaying
        anchors.bottom: parent.bottom
        width: parent.width
        player: content.player
    }

    Component {
        id: homeScreen
        HomeView {
            library: content.library
            player: content.player
            downloads: content.downloads
            store: content.store
            scrollToTrackId: session.scrollToTrackId
        }
    }

    Component {
        id: searchScreen
        SearchView {
            library: content.library
            player: content.player
            downloads: content.downloads
            store: content.store
            scrollToTrackId: session.scrollToTrackId
        }
    }

    Component {
        id: ustadzScreen
        UstadzView {
            library: content.library
            player: content.player
            downloads: content.downloads
            store: content.store
        }
    }

    Component {
        id: historyScreen
        HistoryView {
            library: content.library
            player: content.player
            downloads: content.downloads
            store: content.store
        }
    }

    Component {
        id: downloadsScreen
        DownloadsView {
            library: content.library
            player: content.player
            downloads: content.downloads
            store: content.store
        }
    }
}
