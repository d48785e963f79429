import QtQuick

// A centred icon, a line of text and an optional button, for screens with nothing to list.
Item {
    id: state_

    property string iconName
    property string text
    property string buttonText
    signal buttonClicked

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
            text: state_.buttonText
            onClicked: state_.buttonClicked()
        }
    }
}
