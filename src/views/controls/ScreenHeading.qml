import QtQuick
import Talvora

// A screen's name above its content, as "Populer" and "Catatan" are drawn.
Text {
    x: 20
    width: parent ? parent.width - 40 : implicitWidth
    topPadding: 20
    bottomPadding: 8
    elide: Text.ElideRight
    font.family: Theme.fontFamily
    font.weight: Font.Bold
    font.pixelSize: 22
    color: Theme.primaryText
    Accessible.role: Accessible.Heading
    Accessible.name: text
}
