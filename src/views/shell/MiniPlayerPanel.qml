import QtQuick
import Talvora

// The floating mini player: a frameless utility window above normal windows that never
// takes the keyboard focus, with its content centred on a clear background.
Window {
    id: panel

    required property PlayerViewModel player
    readonly property alias content: content

    width: 320
    height: 140
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Tool | Qt.WindowStaysOnTopHint | Qt.FramelessWindowHint | Qt.WindowDoesNotAcceptFocus
    title: "Talvora Mini Player"
    color: "transparent"

    MiniPlayerPanelContent {
        id: content
        anchors.centerIn: parent
        player: panel.player
    }
}
