import QtQuick
import Talvora

// The bar's second line: the teacher, or what keeps the lecture from playing. A lecture
// that could not load says so here until the next action (no dialog); that longer text
// takes a second line and a smaller size where the bar is narrow rather than push anything.
Item {
    id: line

    required property PlayerViewModel player
    readonly property bool problem: player.loadFailed

    implicitHeight: problem ? 32 : 17

    Text {
        objectName: "barSubtitle"
        anchors.fill: parent
        verticalAlignment: Text.AlignVCenter
        text: line.problem ? qsTr("Tidak dapat memutar kajian ini — periksa koneksi") : line.player.isReconnecting ? qsTr("Menyambung ulang...")
            // a prayer-time pause, a passage's message or a prayer hint takes the teacher's place for a while
            : line.player.prayerPause.notice || line.player.passageRepeat.message || line.player.prayerPause.hint
            || (line.player.currentSeriesText.length > 0 ? line.player.currentUstadz + "  —  " + line.player.currentSeriesText : line.player.currentUstadz)
        elide: Text.ElideRight
        wrapMode: line.problem ? Text.WordWrap : Text.NoWrap
        maximumLineCount: line.problem ? 2 : 1
        fontSizeMode: line.problem ? Text.Fit : Text.FixedSize
        minimumPixelSize: 9
        font.family: Theme.fontFamily
        font.pixelSize: 13
        font.weight: line.problem ? Font.Bold : Font.Normal
        color: line.problem ? Theme.textOnGreen : Theme.textOnGreenSecondary
        Accessible.role: line.problem ? Accessible.AlertMessage : Accessible.StaticText
        Accessible.name: text
    }
}
