pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// "Pengatur waktu tidur": the moon opens the choices (5-60 minutes, "Akhir kajian", and
// "Matikan pengatur waktu" while one runs); a running timer shows its countdown. As wide as
// its widest label, so the bar does not move while the countdown runs.
T.AbstractButton {
    id: control

    required property PlayerViewModel player
    readonly property var minutes: [5, 15, 30, 45, 60]
    readonly property string countdown: !player.sleepTimerActive ? ""
        : player.sleepTimerUntilEnd && player.sleepTimerRemaining <= 0 ? qsTr("Akhir kajian")
        : TimeText.formatted(player.sleepTimerRemaining)

    implicitWidth: 18 + 3 + Math.max(widestMinutes.advanceWidth, untilEnd.advanceWidth) + 8
    implicitHeight: 28
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.ButtonMenu
    Accessible.name: qsTr("Pengatur waktu tidur")
    Accessible.description: countdown
    Accessible.onPressAction: control.clicked()

    // From the keyboard (T): the choices open with the first one ready for Enter.
    function openChoices() {
        menu.open();
        menu.currentIndex = 0;
    }

    ToolTip.text: qsTr("Pengatur waktu tidur (T)")
    ToolTip.visible: hovered && !menu.visible
    ToolTip.delay: 600

    onClicked: menu.open()

    TextMetrics {
        id: widestMinutes
        font.family: Theme.fontFamily
        font.weight: Font.Medium
        font.pixelSize: 13
        text: "60:00"
    }
    TextMetrics {
        id: untilEnd
        font.family: Theme.fontFamily
        font.weight: Font.Medium
        font.pixelSize: 13
        text: qsTr("Akhir kajian")
    }

    contentItem: Row {
        spacing: 3
        Icon {
            anchors.verticalCenter: parent.verticalCenter
            name: "moon"
            color: "black"
            size: 18
            filled: control.player.sleepTimerActive
        }
        Text {
            objectName: "sleepCountdown"
            anchors.verticalCenter: parent.verticalCenter
            visible: text.length > 0
            text: control.countdown
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
        objectName: "sleepMenu"
        y: -implicitHeight

        Repeater {
            model: control.minutes
            PopupMenuItem {
                required property int modelData
                text: qsTr("%1 menit").arg(modelData)
                onTriggered: control.player.startSleepTimer(modelData)
            }
        }
        PopupMenuItem {
            text: qsTr("Akhir kajian")
            onTriggered: control.player.startSleepTimerUntilEnd()
        }
        PopupMenuItem {
            text: qsTr("Matikan pengatur waktu")
            enabled: control.player.sleepTimerActive
            onTriggered: control.player.cancelSleepTimer()
        }
    }
}
