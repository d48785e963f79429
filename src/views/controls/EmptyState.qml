import QtQuick
import Talvora

// A centred icon, a line of text and an optional button, for screens with nothing to list.
// Read as one label; the button is its child and takes the focus given to the state.
FocusScope {
    id: state_

    property string iconName
    property string text
    property string buttonText
    signal buttonClicked

    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.ignored: !visible

    Column {
        anchors.centerIn: parent
        spacing: 14

        Icon {
            anchors.horizontalCenter: parent.horizontalCenter
            name: state_.iconName
            size: 52
            color: Theme.secondaryText
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: state_.text
            font.family: Theme.fontFamily
            font.pixelSize: 16
            color: Theme.secondaryText
        }

        BorderedButton {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: state_.buttonText.length > 0
            focus: true
            text: state_.buttonText
            onClicked: state_.buttonClicked()
        }
    }
}
