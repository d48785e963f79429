import QtQuick
import QtQuick.Templates as T
import Talvora

// A borderless icon button (no frame, no background). `accessibleName` is what screen
// readers and UI tests find it by.
T.AbstractButton {
    id: button

    property string iconName
    property color iconColor: Theme.primaryText
    property int iconSize: 20
    property bool filled: false
    property color focusRingColor: Theme.green
    required property string accessibleName

    implicitWidth: iconSize + 8
    implicitHeight: iconSize + 8
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: button.clicked()
    Accessible.ignored: !visible

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
