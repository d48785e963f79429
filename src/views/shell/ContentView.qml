import QtQuick
import Talvora

// The main window's content: the sidebar and the selected screen side by side, the
// now-playing bar across the bottom. Each screen is made anew when it is selected.
Rectangle {
    id: content

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    // Makes each screen's track list.
    required property ScreenTracksFactory screens
    required property NotesStore notes

    property string selection: "home"
    // Set by the screen shown: "Talvora" on Home, the screen's (or teacher's) name elsewhere.
    property string windowTitle: "Talvora"
    readonly property alias sidebar: sidebar
    readonly property alias session: session
    readonly property alias screen: screen
    readonly property alias nowPlayingBar: nowPlaying

    // Escape: the screen shown steps back (a teacher's list to the teachers).
    signal backRequested

    function focusSearch() {
        selection = "search";
        sidebar.searchField.forceActiveFocus();
        sidebar.searchField.selectAll();
    }

    // Shows a screen and puts the keyboard in its list (Ctrl+1 … Ctrl+5).
    function show(key: string) {
        if (key === "search") {
            focusSearch();
            return;
        }
        selection = key;
        screen.forceActiveFocus();
    }

    color: Theme.windowBackground

    WindowSession {
        id: session
        library: content.library
        player: content.player
    }
    Component.onCompleted: {
        session.windowShown();
        screen.load();
    }

    Sidebar {
        id: sidebar
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        width: Math.max(210, Math.min(240, content.width * 0.22))
        library: content.library
        selection: content.selection
        onSelected: key => {
            if (key === "search")
                content.focusSearch();
            else
                content.selection = key;
        }
    }

    Rectangle {
        anchors.left: sidebar.right
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        width: 1
        color: Qt.rgba(1, 1, 1, 0.08)
    }

    // The screen of the selection, made anew on each selection (its own state starts
    // afresh); each screen reaches the view models through `content`.
    Loader {
        id: screen
        objectName: "screen"
        anchors.left: sidebar.right
        anchors.leftMargin: 1
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: nowPlaying.top
        focus: true

        function load() {
            const files = {
                "home": "../screens/HomeView.qml",
                "ustadz": "../screens/UstadzView.qml",
                "history": "../screens/HistoryView.qml",
                "downloads": "../screens/DownloadsView.qml",
                "search": "../screens/SearchView.qml",
                "notes": "../notes/NotesView.qml"
            };
            setSource(Qt.resolvedUrl(files[content.selection] || files.home), {
                    "content": content
                });
        }
    }
    onSelectionChanged: screen.load()

    NowPlayingBar {
        id: nowPlaying
        anchors.bottom: parent.bottom
        width: parent.width
        player: content.player
        notes: content.notes
    }
}
