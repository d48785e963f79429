import QtQuick
import QtQuick.Templates as T

// A borderless icon button (no frame, no background). `accessibleName` is what screen
// readers and UI tests find it by.
T.AbstractButton {
    id: button

    property string iconName
    property color iconColor: Theme.primaryText
    property int iconSize: 20
    property bool filled: false
    required property string accessibleName

    implicitWidth: iconSize + 8
    implicitHeight: iconSize + 8
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: button.clicked()

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
        border.width: button.visualFocus ? 1 : 0
        border.color: Theme.green
    }
}
