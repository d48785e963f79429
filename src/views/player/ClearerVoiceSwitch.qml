import QtQuick
import QtQuick.Templates as T
import Talvora

// "Perjelas suara": evens out the loudness of quiet, uneven hall recordings. Takes effect at
// once in the lecture playing and is remembered for the next start.
T.Switch {
    id: control

    required property PlayerViewModel player

    checked: player.clearerVoice
    onToggled: {
        player.clearerVoice = checked;
        // Follow the player again (another window may switch it too).
        checked = Qt.binding(() => control.player.clearerVoice);
    }
    text: qsTr("Perjelas suara")
    implicitWidth: contentItem.implicitWidth + 4
    implicitHeight: 28
    spacing: 7
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.onToggleAction: control.player.clearerVoice = !control.player.clearerVoice
    Accessible.onPressAction: control.player.clearerVoice = !control.player.clearerVoice

    indicator: Rectangle {
        x: 4
        anchors.verticalCenter: parent.verticalCenter
        width: 30
        height: 17
        radius: height / 2
        color: control.checked ? "black" : "transparent"
        border.width: 1.5
        border.color: "black"

        Rectangle {
            x: control.checked ? parent.width - width - 3 : 3
            anchors.verticalCenter: parent.verticalCenter
            width: 11
            height: 11
            radius: 5.5
            color: control.checked ? Theme.barGreen : "black"
        }
    }

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing + 4
        verticalAlignment: Text.AlignVCenter
        text: control.text
        font.family: Theme.fontFamily
        font.weight: Font.Medium
        font.pixelSize: 13
        color: "black"
    }

    background: Rectangle {
        radius: 6
        color: control.hovered ? Qt.rgba(0, 0, 0, 0.08) : "transparent"
        border.width: control.visualFocus ? 2 : 0
        border.color: "black"
    }
}
