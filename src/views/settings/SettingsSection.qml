import QtQuick
import Talvora

// One section of the settings sheet: a heading over its controls (the default children).
Column {
    id: section

    required property string title
    default property alias content: body.data

    width: parent ? parent.width : 360
    spacing: 6

    Text {
        text: section.title
        font.family: Theme.fontFamily
        font.weight: Font.Bold
        font.pixelSize: 14
        color: Theme.secondaryText
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    Column {
        id: body
        width: parent.width
        spacing: 4
    }
}
