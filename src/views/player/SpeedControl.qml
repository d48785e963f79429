pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// The now-playing bar's speed control: shows the speed when it is not normal ("1,5×") and
// opens the list of speeds, with the smart-rewind switch. The keys [ ] and Backspace change the
// speed from anywhere in the window, through the same speeds. As wide as its widest label,
// so the bar does not move when a label appears.
T.AbstractButton {
    id: control

    required property PlayerViewModel player
    readonly property var rates: player.rateChoices

    implicitWidth: 18 + 3 + widestRate.advanceWidth + 8
    implicitHeight: 28
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.ButtonMenu
    Accessible.name: qsTr("Kecepatan putar")
    Accessible.description: player.playbackRateText.length > 0 ? player.playbackRateText : "1×"
    Accessible.onPressAction: control.clicked()

    ToolTip.text: qsTr("Kecepatan putar ([ / ])")
    ToolTip.visible: hovered && !menu.visible
    ToolTip.delay: 600

    onClicked: menu.open()

    TextMetrics {
        id: widestRate
        font.family: Theme.fontFamily
        font.weight: Font.Medium
        font.pixelSize: 13
        text: "1,75×"
    }

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

    PopupMenu {
        id: menu
        objectName: "speedMenu"
        y: -implicitHeight

        Repeater {
            model: control.rates
            PopupMenuItem {
                required property real modelData
                text: (modelData === 1.0 ? "1" : String(modelData).replace(".", ",")) + "×"
                checkable: true
                checked: Math.abs(control.player.playbackRate - modelData) < 0.001
                onTriggered: control.player.playbackRate = modelData
            }
        }
        MenuSeparator {}
        // Smart rewind: after a long pause playback resumes a few seconds earlier.
        PopupMenuItem {
            text: qsTr("Ulangi beberapa detik setelah jeda")
            checkable: true
            checked: control.player.smartRewind
            onTriggered: control.player.smartRewind = checked
        }
    }
}
