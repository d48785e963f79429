import QtQuick
import Talvora

// The bar's second line: the teacher, or what keeps the lecture from playing. A lecture
// that could not load says so here until the next action (no dialog); the line keeps its
// size, and the longer text shrinks to fit rather than push anything.
Item {
    id: line

    required property PlayerViewModel player
    readonly property bool problem: player.loadFailed

    implicitHeight: 17

    Text {
        objectName: "barSubtitle"
        anchors.fill: parent
        verticalAlignment: Text.AlignVCenter
        text: line.problem ? qsTr("Tidak dapat memutar kajian ini — periksa koneksi") : line.player.isReconnecting ? qsTr("Menyambung ulang...") : line.player.currentUstadz
        elide: Text.ElideRight
        maximumLineCount: 1
        fontSizeMode: line.problem ? Text.HorizontalFit : Text.FixedSize
        minimumPixelSize: 10
        font.family: Theme.fontFamily
        font.pixelSize: 13
        font.weight: line.problem ? Font.Bold : Font.Normal
        color: line.problem ? "black" : Qt.rgba(0, 0, 0, 0.75)
        Accessible.role: line.problem ? Accessible.AlertMessage : Accessible.StaticText
        Accessible.name: text
    }
}
