import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// A small black-on-green button of the now-playing bar with an icon and a short label; its
// tooltip says its name and key (`keyHint`).
T.AbstractButton {
    id: button

    property string iconName
    property string label
    property string keyHint
    required property string accessibleName

    implicitWidth: contentItem.implicitWidth + leftPadding + rightPadding
    implicitHeight: 28
    leftPadding: 8
    rightPadding: 8
    topPadding: 5
    bottomPadding: 5
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: button.clicked()

    ToolTip.text: keyHint.length > 0 ? qsTr("%1 (%2)").arg(accessibleName).arg(keyHint) : accessibleName
    ToolTip.visible: hovered && !pressed
    ToolTip.delay: 600

    contentItem: Row {
        spacing: 5
        opacity: button.pressed ? 0.6 : 1

        Icon {
            anchors.verticalCenter: parent.verticalCenter
            visible: button.iconName.length > 0
            name: button.iconName
            size: 17
            color: "black"
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            visible: text.length > 0
            text: button.label
            font.family: Theme.fontFamily
            font.weight: Font.Medium
            font.pixelSize: 13
            color: "black"
        }
    }

    background: Rectangle {
        radius: 6
        color: button.checked ? Qt.rgba(0, 0, 0, 0.22) : button.hovered ? Qt.rgba(0, 0, 0, 0.12) : Qt.rgba(0, 0, 0, 0.06)
        border.width: button.visualFocus ? 2 : 0
        border.color: "black"
    }
}
