import QtQuick
import QtQuick.Templates as T
import Talvora

// An item of PopupMenu: light text on the dark menu, a green tint under the pointer or the
// keyboard, a check mark column when `checkable`, dimmed text when disabled.
T.MenuItem {
    id: control

    implicitWidth: leftPadding + implicitContentWidth + rightPadding
    implicitHeight: 30
    hoverEnabled: true
    leftPadding: 10 + (checkable ? 22 : 0)
    rightPadding: 14
    font.family: Theme.fontFamily
    font.pixelSize: 13

    Accessible.name: text

    contentItem: Text {
        text: control.text
        font: control.font
        verticalAlignment: Text.AlignVCenter
        color: control.enabled ? Theme.menuText : Theme.menuDisabledText
    }

    indicator: Icon {
        x: 10
        anchors.verticalCenter: parent.verticalCenter
        visible: control.checked
        name: "check"
        size: 14
        color: Theme.menuText
    }

    background: Rectangle {
        radius: 5
        color: !control.enabled ? "transparent" : control.down ? Theme.menuPressed : control.highlighted ? Theme.menuHighlight : "transparent"
    }
}
