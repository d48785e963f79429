import QtQuick
import QtQuick.Templates as T

// A borderless icon button (no frame, no background). `accessibleName` is what screen
// readers and UI tests find it by.
T.AbstractButton {
    id: button

    property alias iconName: glyph.name
    property alias iconColor: glyph.color
    property alias iconSize: glyph.size
    property alias filled: glyph.filled
    required property string accessibleName

    implicitWidth: glyph.size + 8
    implicitHeight: glyph.size + 8
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: button.clicked()

    contentItem: Item {
        Icon {
            id: glyph
            anchors.centerIn: parent
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
