import QtQuick
import QtQuick.Templates as T
import Talvora

// A text button with a light rounded border ("Coba lagi", "Muat ulang riwayat").
T.Button {
    id: button

    implicitWidth: contentItem.implicitWidth + leftPadding + rightPadding
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    leftPadding: 14
    rightPadding: 14
    topPadding: 5
    bottomPadding: 5
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: button.clicked()
    Accessible.ignored: !visible

    // Space presses through the template; Enter presses as well, as on the desktop's buttons.
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()

    contentItem: Text {
        text: button.text
        font.family: Theme.fontFamily
        font.pixelSize: 14
        color: Theme.primaryText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: 6
        color: button.pressed ? Qt.rgba(1, 1, 1, 0.2) : button.hovered ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(1, 1, 1, 0.1)
        border.width: button.visualFocus ? 2 : 1
        border.color: button.visualFocus ? Theme.green : Qt.rgba(1, 1, 1, 0.18)
    }
}
