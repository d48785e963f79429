import QtQuick
import QtQuick.Controls
import Talvora

// One lecture of a track list: its number (or the play state when it is the player's
// lecture), title and teacher, the listened percentage or the length, the download
// button, the progress strip and the divider. In a list the current row takes the focus
// (with a ring) and only its download button is a Tab stop, so Tab walks the screens'
// parts, not every row.
Item {
    id: row

    required property int index
    required property string title
    required property string teacher
    required property string durationText
    required property bool hasProgress
    required property real progress
    required property string progressText
    required property bool isDownloaded
    required property bool isDownloading
    required property real downloadProgress
    required property bool isCurrent
    required property bool isPlaying
    required property bool isFinished
    required property real trackId
    // The last try to download it failed.
    property bool downloadFailed: false
    // "Kitab Tauhid · bagian 12 dari 24"; empty outside a series.
    required property string seriesText
    // On the Downloads screen the button removes the stored copy.
    property bool removesDownload: false

    // The download button takes the hover from the row's area: the row stays lit under it.
    readonly property bool hovering: mouse.containsMouse || button.hovered
    readonly property real contentHeight: 58
    readonly property bool failedNow: downloadFailed && !isDownloaded && !isDownloading

    signal play
    signal download
    // "Tandai selesai" / "Tandai belum selesai".
    signal toggleFinished

    function openMenu(x: real, y: real) {
        menu.popup(row, x, y);
    }

    // The view only culls a row it keeps for reuse: hidden, it is no row for a hit test or
    // the accessibility tree either.
    ListView.onPooled: visible = false
    ListView.onReused: visible = true

    width: ListView.view ? ListView.view.width : 400
    height: contentHeight + (hasProgress ? 3 : 0) + 1

    // A button to screen readers: in this Qt only buttons carry a press action.
    Accessible.role: Accessible.Button
    Accessible.name: title + ", " + teacher + (seriesText.length > 0 ? ", " + seriesText : "") + ", " + durationText + (hasProgress ? qsTr(", didengar %1 %").arg(parseInt(progressText)) : "") + (isFinished ? qsTr(", selesai") : "")
    Accessible.description: !isCurrent ? "" : isPlaying ? qsTr("sedang diputar") : qsTr("dijeda")
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onPressAction: row.play()

    Rectangle {
        id: background
        width: row.width
        height: row.contentHeight
        color: row.isCurrent ? Theme.withAlpha(Theme.green, 0.3) : row.hovering ? Theme.withAlpha(Theme.green, 0.25) : "transparent"
        Behavior on color  {
            ColorAnimation {
                duration: 150
                easing.type: Easing.InOutQuad
            }
        }
    }

    MouseArea {
        id: mouse
        width: row.width
        height: row.contentHeight
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onClicked: mouseEvent => {
            if (mouseEvent.button === Qt.RightButton)
                row.openMenu(mouseEvent.x, mouseEvent.y);
            else
                row.play();
        }
        // Handled, so the second click of a double-click is not a second play.
        onDoubleClicked: {}
    }

    Rectangle {
        // the keyboard's place in the list
        width: row.width
        height: row.contentHeight
        visible: row.activeFocus
        color: "transparent"
        border.width: 2
        border.color: Theme.green
    }

    Item {
        id: number
        x: 16
        width: 28
        height: row.contentHeight

        Text {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: !row.isCurrent
            text: row.index + 1
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.secondaryText
            opacity: row.hovering ? 0 : 1
            Behavior on opacity  {
                NumberAnimation {
                    duration: 150
                    easing.type: Easing.InOutQuad
                }
            }
        }

        Icon {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: row.isCurrent
            name: row.isPlaying ? "pause" : "play"
            filled: true
            size: 14
            color: Theme.green
        }

        // In the hovered number's place: what a click does.
        Icon {
            objectName: "hoverPlayIcon"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: !row.isCurrent && opacity > 0
            name: "play"
            filled: true
            size: 14
            color: Theme.primaryText
            opacity: row.hovering ? 1 : 0
            Behavior on opacity  {
                NumberAnimation {
                    duration: 150
                    easing.type: Easing.InOutQuad
                }
            }
        }
    }

    Column {
        id: texts
        anchors.left: number.right
        anchors.leftMargin: 14
        anchors.right: finishedButton.left
        anchors.rightMargin: 14
        y: (row.contentHeight - height) / 2
        spacing: 3

        Text {
            width: parent.width
            text: row.title
            elide: Text.ElideRight
            maximumLineCount: 1
            font.family: Theme.fontFamily
            font.weight: Font.Medium
            font.pixelSize: 15
            color: Theme.primaryText
        }

        Text {
            width: parent.width
            text: row.seriesText.length > 0 ? row.teacher + "  —  " + row.seriesText : row.teacher
            elide: Text.ElideRight
            maximumLineCount: 1
            font.family: Theme.fontFamily
            font.pixelSize: 13
            color: row.isCurrent ? Qt.rgba(1, 1, 1, 0.8) : Theme.secondaryText
        }
    }

    PlainButton {
        // the finished mark; also how a pointer or a screen reader marks a lecture
        id: finishedButton
        objectName: "finishedButton"
        anchors.right: rightText.left
        anchors.rightMargin: 6
        anchors.verticalCenter: background.verticalCenter
        width: 28
        height: 28
        iconSize: 18
        iconName: "check-check"
        // Unfinished rows show it faintly, brighter under the pointer.
        iconColor: row.isFinished ? Theme.green : row.hovering || finishedButton.hovered ? Theme.secondaryText : Theme.withAlpha(Theme.secondaryText, 0.25)
        focusPolicy: Qt.NoFocus
        accessibleName: row.isFinished ? qsTr("Tandai belum selesai") : qsTr("Tandai selesai")
        onClicked: row.toggleFinished()
        onDoubleClicked: {}
    }

    Menu {
        id: menu
        MenuItem {
            text: row.isFinished ? qsTr("Tandai belum selesai") : qsTr("Tandai selesai")
            onTriggered: row.toggleFinished()
        }
    }

    Text {
        id: rightText
        anchors.right: button.left
        anchors.rightMargin: 14
        anchors.verticalCenter: background.verticalCenter
        width: row.hasProgress ? 40 : 60
        horizontalAlignment: Text.AlignRight
        text: row.failedNow ? qsTr("Gagal") : row.hasProgress ? row.progressText : row.durationText
        font.family: Theme.fontFamily
        font.pixelSize: row.hasProgress ? 12 : 13
        color: row.failedNow ? Theme.red : row.isCurrent ? Qt.rgba(1, 1, 1, 0.8) : Theme.secondaryText
    }

    PlainButton {
        id: button
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: background.verticalCenter
        width: 32
        height: 32
        iconSize: 20
        iconName: row.isDownloading ? "circle-x" : row.isDownloaded ? "circle-check" : "circle-arrow-down"
        iconColor: row.isDownloaded && !row.isDownloading ? Theme.green : row.isCurrent ? Qt.rgba(1, 1, 1, 0.8) : Theme.secondaryText
        // A stored lecture's check mark outside Unduhan only says so; removing is Unduhan's.
        statusOnly: row.isDownloaded && !row.isDownloading && !row.removesDownload
        focusPolicy: row.ListView.isCurrentItem && !statusOnly ? Qt.TabFocus : Qt.NoFocus
        accessibleName: row.isDownloading ? qsTr("Batalkan unduhan") : row.failedNow ? qsTr("Unduhan gagal, unduh lagi") : row.removesDownload ? qsTr("Hapus unduhan") : row.isDownloaded ? qsTr("Sudah diunduh") : qsTr("Unduh")
        onClicked: if (!statusOnly) row.download()
        // The second click of a double-click does not cancel the download just started.
        onDoubleClicked: {}

        // the share already received, as an arc over the circle, only while in flight
        Loader {
            id: ring
            anchors.centerIn: parent
            active: row.isDownloading
            source: "../controls/DownloadRing.qml"
        }
        Binding {
            target: ring.item
            property: "progress"
            value: row.downloadProgress
            when: ring.status === Loader.Ready
        }
    }

    Rectangle {
        // listening progress; its width is not limited to the row (111% overhangs)
        visible: row.hasProgress
        y: row.contentHeight
        // whole device pixels: the history is rewritten every second while a lecture plays,
        // which moves a long lecture's strip by a fraction of a pixel
        width: Math.max(0, Math.round(row.width * row.progress * Screen.devicePixelRatio) / Screen.devicePixelRatio)
        height: 3
        color: Theme.withAlpha(Theme.green, 0.5)
    }

    Rectangle {
        x: 58
        y: row.height - 1
        width: row.width - 58
        height: 1
        color: Theme.divider
    }
}
