import QtQuick
import QtQuick.Controls
import Talvora

// A small pill that says the library shown is the stored one because the lecture service
// cannot be reached; the reason is its tooltip. It goes by itself once the service answers.
Rectangle {
    id: notice

    required property LibraryViewModel library

    visible: library.isOffline && library.trackCount > 0
    width: label.implicitWidth + 24
    height: 26
    radius: height / 2
    color: Qt.rgba(1, 1, 1, 0.08)
    border.width: 1
    border.color: Qt.rgba(1, 1, 1, 0.15)

    Accessible.role: Accessible.StaticText
    Accessible.name: label.text + ". " + library.offlineReason
    Accessible.ignored: !visible

    Row {
        id: label
        readonly property string text: qsTr("Luring · daftar tersimpan")
        anchors.centerIn: parent
        spacing: 6

        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 7
            height: 7
            radius: 3.5
            color: Theme.secondaryText
        }

        Text {
            text: label.text
            font.family: Theme.fontFamily
            font.pixelSize: 12
            color: Theme.primaryText
        }
    }

    HoverHandler {
        id: hover
    }

    ToolTip.visible: hover.hovered
    ToolTip.text: library.offlineReason
    ToolTip.delay: 500
}
