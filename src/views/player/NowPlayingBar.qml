import QtQuick
import Talvora

// The green strip under the screens: the current lecture with previous / back 10 s /
// play-pause / forward 30 s / next, the speed and the sleep timer, the position and length,
// and the seek slider. Without a current lecture only a thin green bar remains.
Item {
    id: bar

    required property PlayerViewModel player
    required property NotesStore notes

    function takeNote() {
        noteControls.takeNote();
    }
    function openSleepTimer() {
        sleepTimer.openChoices();
    }

    // Position shown by the slider and the time text; follows the player in whole seconds
    // (so the fill and the time change in the same frame, once a second) except while the
    // user handles the slider.
    property real seekProgress: 0
    readonly property bool isSeeking: slider.isEditing

    implicitHeight: shape.height + 10

    Connections {
        target: bar.player
        function onCurrentTimeChanged() {
            if (!bar.isSeeking)
                bar.seekProgress = Math.floor(bar.player.currentTime)
        }
    }
    Component.onCompleted: seekProgress = Math.floor(player.currentTime)

    Rectangle {
        id: shape
        x: 12
        width: bar.width - 24
        height: bar.player.hasCurrentTrack ? content.height : 8
        radius: 12
        color: Theme.barGreen

        Column {
            id: content
            width: parent.width
            visible: bar.player.hasCurrentTrack
            spacing: 4

            Item {
                id: firstRow
                width: parent.width
                height: 60

                Column {
                    anchors.left: parent.left
                    anchors.leftMargin: 20
                    anchors.right: controls.left
                    anchors.rightMargin: 16
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 3

                    Text {
                        width: parent.width
                        text: bar.player.currentTitle
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        font.family: Theme.fontFamily
                        font.weight: Font.Medium
                        font.pixelSize: 15
                        color: "black"
                    }

                    Text {
                        width: parent.width
                        objectName: "barSubtitle"
                        // A prayer-time pause or hint takes the teacher's place for a while.
                        text: bar.player.isReconnecting ? qsTr("Menyambung ulang...")
                            : bar.player.prayerPause.notice || bar.player.passageRepeat.message
                              || bar.player.prayerPause.hint || bar.player.currentUstadz
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        font.family: Theme.fontFamily
                        font.pixelSize: 13
                        color: Qt.rgba(0, 0, 0, 0.75)
                    }
                }

                Row {
                    id: controls
                    anchors.right: parent.right
                    anchors.rightMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 18

                    NoteControls {
                        id: noteControls
                        anchors.verticalCenter: parent.verticalCenter
                        player: bar.player
                        notes: bar.notes
                    }

                    PassageRepeatControl {
                        objectName: "passageRepeatControl"
                        anchors.verticalCenter: parent.verticalCenter
                        player: bar.player
                        notes: bar.notes
                    }

                    ClearerVoiceSwitch {
                        anchors.verticalCenter: parent.verticalCenter
                        player: bar.player
                    }

                    PlainButton {
                        anchors.verticalCenter: parent.verticalCenter
                        iconName: "chevron-left"
                        iconSize: 20
                        iconColor: "black"
                        focusRingColor: "black"
                        accessibleName: qsTr("Sebelumnya")
                        onClicked: bar.player.previous()
                    }

                    PlainButton {
                        objectName: "skipBackButton"
                        anchors.verticalCenter: parent.verticalCenter
                        iconName: "rotate-ccw"
                        iconSize: 18
                        iconColor: "black"
                        accessibleName: qsTr("Mundur 10 detik")
                        onClicked: bar.player.skipBackward()
                    }

                    PlainButton {
                        objectName: "playPauseButton"
                        anchors.verticalCenter: parent.verticalCenter
                        iconName: bar.player.isPlaying ? "pause" : "play"
                        filled: true
                        iconSize: 22
                        iconColor: "black"
                        focusRingColor: "black"
                        accessibleName: bar.player.isPlaying ? qsTr("Jeda") : qsTr("Putar")
                        onClicked: bar.player.togglePlay()
                    }

                    PlainButton {
                        objectName: "skipForwardButton"
                        anchors.verticalCenter: parent.verticalCenter
                        iconName: "rotate-cw"
                        iconSize: 18
                        iconColor: "black"
                        accessibleName: qsTr("Maju 30 detik")
                        onClicked: bar.player.skipForward()
                    }

                    PlainButton {
                        anchors.verticalCenter: parent.verticalCenter
                        iconName: "chevron-right"
                        iconSize: 20
                        iconColor: "black"
                        focusRingColor: "black"
                        accessibleName: qsTr("Berikutnya")
                        onClicked: bar.player.next()
                    }

                    SpeedControl {
                        objectName: "speedControl"
                        anchors.verticalCenter: parent.verticalCenter
                        player: bar.player
                    }

                    SleepTimerControl {
                        id: sleepTimer
                        objectName: "sleepTimerControl"
                        anchors.verticalCenter: parent.verticalCenter
                        player: bar.player
                    }

                    Text {
                        objectName: "positionText"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 100
                        horizontalAlignment: Text.AlignRight
                        text: TimeText.formatted(bar.seekProgress) + " / " + bar.player.currentDurationText
                        font.family: Theme.fontFamily
                        font.pixelSize: 13
                        color: Qt.rgba(0, 0, 0, 0.75)
                    }
                }
            }

            Item {
                width: parent.width
                height: 28 + 10

                Text {
                    x: 12
                    width: 32
                    height: 28
                    verticalAlignment: Text.AlignVCenter
                    text: "0:00"
                    font.family: Theme.fontFamily
                    font.pixelSize: 10
                    color: Qt.rgba(0, 0, 0, 0.6)
                }

                YellowSlider {
                    id: slider
                    objectName: "seekSlider"
                    x: 12 + 32 + 6
                    width: parent.width - x - 6 - end.width - 12
                    height: 28
                    value: bar.seekProgress
                    from: 0
                    to: Math.max(bar.player.duration, 0.01)
                    focusRingColor: "black"
                    passageStart: bar.player.passageRepeat.stage > 0 ? bar.player.passageRepeat.start : -1
                    passageEnd: bar.player.passageRepeat.stage === 2 ? bar.player.passageRepeat.end : -1
                    onMoved: v => bar.seekProgress = v
                    onChanged: v => bar.player.seekAndPlay(v)
                    onCancelled: bar.seekProgress = Math.floor(bar.player.currentTime)
                }

                Text {
                    id: end
                    anchors.right: parent.right
                    anchors.rightMargin: 12
                    width: Math.min(36, implicitWidth)
                    height: 28
                    verticalAlignment: Text.AlignVCenter
                    horizontalAlignment: Text.AlignRight
                    text: bar.player.currentDurationText
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 7
                    font.family: Theme.fontFamily
                    font.pixelSize: 10
                    color: Qt.rgba(0, 0, 0, 0.6)
                }
            }
        }
    }
}
