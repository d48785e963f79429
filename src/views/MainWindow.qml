import QtQuick
import QtQuick.Controls
import Talvora

// One main window. Every window shows the same library and playback (the view models are
// shared) and has its own screen selection and its own one-time resume.
ApplicationWindow {
    id: window

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store
    required property NotesStore notes
    readonly property alias content: content

    signal newWindowRequested

    function textFieldHasFocus(): bool {
        const item = activeFocusItem
        return item !== null && (item instanceof TextInput || item instanceof TextEdit)
    }

    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 600
    title: content.windowTitle
    color: Theme.windowBackground
    palette.window: Theme.windowBackground
    palette.windowText: Theme.primaryText
    palette.base: Qt.rgba(0.12, 0.12, 0.12, 1)
    palette.text: Theme.primaryText
    palette.button: Qt.rgba(0.2, 0.2, 0.2, 1)
    palette.buttonText: Theme.primaryText
    palette.highlight: Theme.green
    palette.highlightedText: "black"
    palette.placeholderText: Theme.secondaryText
    palette.mid: Qt.rgba(1, 1, 1, 0.3)
    palette.dark: Qt.rgba(1, 1, 1, 0.45)

    ContentView {
        id: content
        anchors.fill: parent
        library: window.library
        player: window.player
        downloads: window.downloads
        store: window.store
        notes: window.notes
    }

    Shortcut {
        sequence: "Space"
        enabled: !window.textFieldHasFocus()
        onActivated: window.player.togglePlay()
    }
    Shortcut {
        sequence: "N"
        enabled: !window.textFieldHasFocus() && window.player.hasCurrentTrack
        onActivated: content.nowPlayingBar.takeNote()
    }
    Shortcut {
        sequence: "Ctrl+F"
        onActivated: content.focusSearch()
    }
    Shortcut {
        sequence: "Ctrl+N"
        onActivated: window.newWindowRequested()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: Qt.quit()
    }
}
