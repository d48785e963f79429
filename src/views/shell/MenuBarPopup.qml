import QtQuick
import Talvora

// The tray icon's popup window (260 × 170) with the mini player in it. The window manager
// leaves a popup alone, so whoever shows it also places it and closes it on an outside
// click (see MenuBarManager).
Window {
    id: popup

    required property PlayerViewModel player
    readonly property alias miniPlayer: mini

    signal activateRequested
    signal miniPlayerRequested
    signal exitRequested
    signal closeRequested

    width: 260
    height: 170
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Popup | Qt.FramelessWindowHint
    title: "Talvora"
    color: Qt.rgba(0.17, 0.17, 0.17, 1)

    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    MenuBarMiniPlayer {
        id: mini
        anchors.centerIn: parent
        player: popup.player
        onActivateRequested: popup.activateRequested()
        onMiniPlayerRequested: popup.miniPlayerRequested()
        onExitRequested: popup.exitRequested()
    }

    Shortcut {
        sequence: "Esc"
        onActivated: popup.closeRequested()
    }
}
