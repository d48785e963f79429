import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// A borderless icon button (no frame, no background). `accessibleName` is what screen
// readers and UI tests find it by; the pointer resting on it shows that name with the
// button's key (`keyHint`) as a tooltip. `caption` is a short text drawn in the icon's
// middle (the seconds of a skip).
T.AbstractButton {
    id: button

    property string iconName
    property color iconColor: Theme.primaryText
    property int iconSize: 20
    property bool filled: false
    property color focusRingColor: Theme.green
    property string caption
    // Shows a state rather than acting: no Tab stop, no press feedback, read as text.
    property bool statusOnly: false
    property string keyHint
    required property string accessibleName

    implicitWidth: iconSize + 8
    implicitHeight: iconSize + 8
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: statusOnly ? Accessible.StaticText : Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: button.clicked()
    Accessible.ignored: !visible

    ToolTip.text: keyHint.length > 0 ? qsTr("%1 (%2)").arg(accessibleName).arg(keyHint) : accessibleName
    ToolTip.visible: hovered && !pressed
    ToolTip.delay: 600

    // Space presses through the template; Enter presses as well, as on the desktop's buttons.
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()

    contentItem: Item {
        Icon {
            anchors.centerIn: parent
            name: button.iconName
            color: button.iconColor
            size: button.iconSize
            filled: button.filled
            opacity: button.pressed && !button.statusOnly ? 0.6 : 1
        }
        Text {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: 0.5
            visible: button.caption.length > 0
            text: button.caption
            font.family: Theme.fontFamily
            font.weight: Font.Bold
            font.pixelSize: Math.round(button.iconSize * 0.4)
            color: button.iconColor
            opacity: button.pressed ? 0.6 : 1
        }
    }

    background: Rectangle {
        radius: 4
        color: "transparent"
        border.width: button.visualFocus ? 2 : 0
        border.color: button.focusRingColor
    }
}
