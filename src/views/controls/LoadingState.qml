import QtQuick
import Talvora

// A turning indicator with its label, centred. It exists only while a load runs, so it
// never animates off screen.
Item {
    id: loading

    property string text

    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.ignored: !visible

    Column {
        anchors.centerIn: parent
        spacing: 10

        Icon {
            id: spinner
            anchors.horizontalCenter: parent.horizontalCenter
            name: "loader-circle"
            size: 28
            color: Theme.secondaryText

            RotationAnimator on rotation {
                from: 0
                to: 360
                duration: 1000
                loops: Animation.Infinite
                running: loading.visible
            }
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: loading.text
            font.family: Theme.fontFamily
            font.pixelSize: 15
            color: Theme.secondaryText
        }
    }
}
