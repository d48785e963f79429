import QtQuick
import Talvora

// The floating panel's content: the current lecture with previous / play-pause / next,
// the seek slider, "0:00" and the lecture's length on a green rounded card, 320 wide and
// 140 high; without a current lecture a 60-high strip saying so. Black on the green, as
// on the bar (white on that green is hard to read). The card's background moves the
// panel when dragged.
Rectangle {
    id: card

    required property PlayerViewModel player

    // The slider's position in seconds; follows the player while the panel shows, except while
    // the slider is held, and catches up when it shows again (a hidden panel lays out nothing).
    property real seekProgress: 0
    readonly property bool isShown: Window.visibility !== Window.Hidden
    onIsShownChanged: if (isShown) seekProgress = Math.floor(player.currentTime)

    width: 320
    height: player.hasCurrentTrack ? 140 : 60
    radius: 12
    color: Theme.barGreen
    clip: true

    Component.onCompleted: seekProgress = Math.floor(player.currentTime)
    Connections {
        target: card.player
        enabled: card.isShown
        function onCurrentTimeChanged() {
            if (!slider.isEditing)
                card.seekProgress = Math.floor(card.player.currentTime)
        }
    }

    // Below every control, so only presses on the background start a move.
    MouseArea {
        objectName: "panelDragArea"
        anchors.fill: parent
        onPressed: mouse => {
            const window = card.Window.window
            if (window)
                window.startSystemMove()
            mouse.accepted = true
        }
    }

    Column {
        id: content
        visible: card.player.hasCurrentTrack
        width: parent.width
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4

        Item {
            width: parent.width
            height: 10 + Math.max(texts.height, controls.height)

            Column {
                id: texts
                anchors.left: parent.left
                anchors.leftMargin: 16
                anchors.right: controls.left
                anchors.rightMargin: 12
                y: 10 + (parent.height - 10 - height) / 2
                spacing: 2

                // Two lines for a long title: the panel is narrow beside its five buttons.
                Text {
                    objectName: "panelTitle"
                    width: parent.width
                    text: card.player.currentTitle
                    wrapMode: Text.Wrap
                    elide: Text.ElideRight
                    maximumLineCount: 2
                    lineHeight: 0.95
                    font.family: Theme.fontFamily
                    font.weight: Font.Medium
                    font.pixelSize: 14
                    color: Theme.textOnGreen
                }
                Text {
                    objectName: "panelUstadz"
                    width: parent.width
                    text: card.player.isReconnecting ? qsTr("Menyambung ulang...") : card.player.currentUstadz
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.family: Theme.fontFamily
                    font.pixelSize: 12
                    color: Theme.textOnGreenSecondary
                }
            }

            Row {
                id: controls
                anchors.right: parent.right
                anchors.rightMargin: 16
                y: 10 + (parent.height - 10 - height) / 2
                spacing: 0

                PlainButton {
                    anchors.verticalCenter: parent.verticalCenter
                    iconName: "chevron-left"
                    iconSize: 16
                    iconColor: Theme.textOnGreen
                    focusRingColor: Theme.textOnGreen
                    accessibleName: qsTr("Sebelumnya")
                    onClicked: card.player.previous()
                }
                PlainButton {
                    anchors.verticalCenter: parent.verticalCenter
                    iconName: "rotate-ccw"
                    iconSize: 20
                    iconColor: Theme.textOnGreen
                    focusRingColor: Theme.textOnGreen
                    caption: "10"
                    accessibleName: qsTr("Mundur 10 detik")
                    onClicked: card.player.skipBackward()
                }
                PlainButton {
                    anchors.verticalCenter: parent.verticalCenter
                    iconName: card.player.isPlaying ? "pause" : "play"
                    filled: true
                    iconSize: 20
                    iconColor: Theme.textOnGreen
                    focusRingColor: Theme.textOnGreen
                    accessibleName: card.player.isPlaying ? qsTr("Jeda") : qsTr("Putar")
                    onClicked: card.player.togglePlay()
                }
                PlainButton {
                    anchors.verticalCenter: parent.verticalCenter
                    iconName: "rotate-cw"
                    iconSize: 20
                    iconColor: Theme.textOnGreen
                    focusRingColor: Theme.textOnGreen
                    caption: "30"
                    accessibleName: qsTr("Maju 30 detik")
                    onClicked: card.player.skipForward()
                }
                PlainButton {
                    anchors.verticalCenter: parent.verticalCenter
                    iconName: "chevron-right"
                    iconSize: 16
                    iconColor: Theme.textOnGreen
                    focusRingColor: Theme.textOnGreen
                    accessibleName: qsTr("Berikutnya")
                    onClicked: card.player.next()
                }
            }
        }

        Item {
            width: parent.width
            height: 28 + 8

            // Only the track's band takes presses (the thumb's height, centred on the
            // track); a press beside it is on the card and moves the panel.
            YellowSlider {
                id: slider
                objectName: "panelSlider"
                x: 16
                y: (28 - height) / 2
                width: parent.width - 32
                height: thumbSize
                value: card.seekProgress
                from: 0
                to: Math.max(card.player.duration, 0.01)
                onMoved: v => card.seekProgress = v
                onChanged: v => card.player.seekAndPlay(v)
                onCancelled: card.seekProgress = Math.floor(card.player.currentTime)
            }
        }

        Item {
            width: parent.width
            height: startText.height + 6

            Text {
                id: startText
                x: 16
                width: 32
                text: "0:00"
                font.family: Theme.fontFamily
                font.pixelSize: 10
                color: Theme.textOnGreenQuiet
            }
            Text {
                objectName: "panelDuration"
                anchors.right: parent.right
                anchors.rightMargin: 16
                width: Math.min(36, implicitWidth)
                height: startText.height
                horizontalAlignment: Text.AlignRight
                verticalAlignment: Text.AlignVCenter
                text: card.player.currentDurationText
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 7
                font.family: Theme.fontFamily
                font.pixelSize: 10
                color: Theme.textOnGreenQuiet
            }
        }
    }

    Text {
        visible: !card.player.hasCurrentTrack
        width: parent.width
        anchors.verticalCenter: parent.verticalCenter
        leftPadding: 16
        rightPadding: 16
        topPadding: 10
        bottomPadding: 10
        text: qsTr("Tidak ada kajian yang diputar")
        elide: Text.ElideRight
        font.family: Theme.fontFamily
        font.pixelSize: 12
        color: Theme.textOnGreenQuiet
    }
}
