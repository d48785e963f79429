import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// One main window. Every window shows the same library and playback (the view models are
// shared) and has its own screen selection and its own one-time resume.
ApplicationWindow {
    id: window

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property ScreenTracksFactory screens
    required property NotesStore notes
    readonly property alias content: content

    signal newWindowRequested
    signal miniPlayerRequested

    function textFieldHasFocus(): bool {
        const item = activeFocusItem
        return item !== null && (item instanceof TextInput || item instanceof TextEdit)
    }
    // A focused button takes Space and Enter itself.
    function buttonHasFocus(): bool {
        return activeFocusItem instanceof T.AbstractButton
    }
    // The sheets take every key while they show.
    readonly property bool keysFree: !shortcutSheet.visible && !settingsSheet.visible

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
    palette.toolTipBase: Theme.menuBackground
    palette.toolTipText: Theme.menuText

    ContentView {
        id: content
        anchors.fill: parent
        library: window.library
        player: window.player
        downloads: window.downloads
        screens: window.screens
        notes: window.notes
    }

    // The key map. Keys a list or the slider uses themselves (arrows, Page Up/Down,
    // Home/End, Enter) are theirs while they have the focus.
    Shortcut {
        sequence: "Space"
        enabled: window.keysFree && !window.textFieldHasFocus() && !window.buttonHasFocus()
        onActivated: window.player.togglePlay()
    }
    // The seek slider keeps its own arrows (it takes them in Keys.onShortcutOverride).
    // Skip and speed, unless the keys belong to a text field.
    Shortcut {
        sequence: "Left"
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: window.player.skipBackward()
    }
    Shortcut {
        sequence: "Right"
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: window.player.skipForward()
    }
    Shortcut {
        sequence: "["
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: window.player.slower()
    }
    Shortcut {
        sequence: "]"
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: window.player.faster()
    }
    Shortcut {
        sequence: "Backspace"
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: window.player.resetRate()
    }
    Shortcut {
        sequence: "N"
        enabled: !window.textFieldHasFocus() && window.player.hasCurrentTrack
        onActivated: content.nowPlayingBar.takeNote()
    }
    Shortcut {
        sequence: "T"
        enabled: window.keysFree && !window.textFieldHasFocus() && window.player.hasCurrentTrack
        onActivated: content.nowPlayingBar.openSleepTimer()
    }
    // "Ulangi bagian": A marks the start of a passage, B its end.
    Shortcut {
        sequence: "A"
        enabled: window.keysFree && !window.textFieldHasFocus() && window.player.hasCurrentTrack
        onActivated: window.player.passageRepeat.markStart()
    }
    Shortcut {
        sequence: "B"
        enabled: window.keysFree && !window.textFieldHasFocus() && window.player.hasCurrentTrack
        onActivated: window.player.passageRepeat.markEnd()
    }
    Shortcut {
        sequence: "Ctrl+F"
        enabled: window.keysFree
        onActivated: content.focusSearch()
    }
    Shortcut {
        sequence: "Ctrl+1"
        enabled: window.keysFree
        onActivated: content.show("home")
    }
    Shortcut {
        sequence: "Ctrl+2"
        enabled: window.keysFree
        onActivated: content.show("ustadz")
    }
    Shortcut {
        sequence: "Ctrl+3"
        enabled: window.keysFree
        onActivated: content.show("history")
    }
    Shortcut {
        sequence: "Ctrl+4"
        enabled: window.keysFree
        onActivated: content.show("downloads")
    }
    Shortcut {
        sequence: "Ctrl+5"
        enabled: window.keysFree
        onActivated: content.show("search")
    }
    Shortcut {
        sequence: "Ctrl+6"
        enabled: window.keysFree
        onActivated: content.show("notes")
    }
    Shortcut {
        sequence: "Escape"
        enabled: window.keysFree
        onActivated: content.backRequested()
    }
    Shortcut {
        sequence: "F1"
        enabled: window.keysFree
        onActivated: shortcutSheet.open()
    }
    Shortcut {
        sequence: "?"
        enabled: window.keysFree && !window.textFieldHasFocus()
        onActivated: shortcutSheet.open()
    }
    Shortcut {
        sequence: "Ctrl+,"
        enabled: window.keysFree
        onActivated: settingsSheet.open()
    }
    Shortcut {
        sequence: "Ctrl+N"
        onActivated: window.newWindowRequested()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: Qt.quit()
    }
    Shortcut {
        sequence: "Ctrl+M"
        onActivated: window.miniPlayerRequested()
    }
    Connections {
        target: content.sidebar
        function onMiniPlayerRequested() {
            window.miniPlayerRequested();
        }
        function onSettingsRequested() {
            settingsSheet.open();
        }
    }

    ShortcutSheet {
        id: shortcutSheet
        objectName: "shortcutSheet"
    }

    SettingsSheet {
        id: settingsSheet
        objectName: "settingsSheet"
        player: window.player
    }
}
