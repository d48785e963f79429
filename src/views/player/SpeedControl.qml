pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// The now-playing bar's speed control: shows the speed when it is not normal ("1,5×") and
// opens the list of speeds, with the smart-rewind switch. The keys [ ] and Backspace change the
// speed from anywhere in the window.
T.AbstractButton {
    id: control

    required property PlayerViewModel player
    readonly property var rates: [0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0]

    implicitWidth: implicitContentWidth + 8
    implicitHeight: 28
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.ButtonMenu
    Accessible.name: qsTr("Kecepatan putar")
    Accessible.description: player.playbackRateText.length > 0 ? player.playbackRateText : "1×"
    Accessible.onPressAction: control.clicked()

    onClicked: menu.open()

    contentItem: Row {
        spacing: 3
        Icon {
            anchors.verticalCenter: parent.verticalCenter
            name: "gauge"
            color: "black"
            size: 18
        }
        Text {
            objectName: "rateText"
            anchors.verticalCenter: parent.verticalCenter
            visible: text.length > 0
            text: control.player.playbackRateText
            font.family: Theme.fontFamily
            font.weight: Font.Medium
            font.pixelSize: 13
            color: "black"
        }
    }

    background: Rectangle {
        radius: 4
        color: "transparent"
        border.width: control.visualFocus ? 1 : 0
        border.color: Theme.green
    }

    Menu {
        id: menu
        y: -implicitHeight

        Repeater {
            model: control.rates
            MenuItem {
                required property real modelData
                text: (modelData === 1.0 ? "1" : String(modelData).replace(".", ",")) + "×"
                checkable: true
                checked: Math.abs(control.player.playbackRate - modelData) < 0.001
                onTriggered: control.player.playbackRate = modelData
            }
        }
        MenuSeparator {}
        // Smart rewind: after a long pause playback resumes a few seconds earlier.
        MenuItem {
            text: qsTr("Ulangi beberapa detik setelah jeda")
            checkable: true
            checked: control.player.smartRewind
            onTriggered: control.player.smartRewind = checked
        }
    }
}
