import QtQuick
import Talvora

// The green strip under the screens: the current lecture with the notes, "Perjelas suara",
// previous / back 10 s / play-pause / forward 30 s / next and the position; under them
// the seek slider with the length, the speed and the sleep timer. Every control sits in a
// slot of fixed width, so none moves when a label changes. Without a current lecture only
// a thin green bar remains.
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
                        color: Theme.textOnGreen
                    }

                    BarSubtitle {
                        width: parent.width
                        player: bar.player
                    }
                }

                // Fixed slots from the right: whatever a label says (the notes' count), no
                // control moves under the pointer.
                Row {
                    id: controls
                    anchors.right: parent.right
                    anchors.rightMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 14

                    Item {
                        // room for "Catat" and the notes' button with a two-digit count
                        width: 132
                        height: noteControls.height
                        anchors.verticalCenter: parent.verticalCenter

                        NoteControls {
                            id: noteControls
                            player: bar.player
                            notes: bar.notes
                        }
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

                    Row {
                        id: transport
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 6

                        PlainButton {
                            anchors.verticalCenter: parent.verticalCenter
                            iconName: "chevron-left"
                            iconSize: 20
                            iconColor: Theme.textOnGreen
                            focusRingColor: Theme.textOnGreen
                            accessibleName: qsTr("Sebelumnya")
                            onClicked: bar.player.previous()
                        }

                        PlainButton {
                            objectName: "skipBackButton"
                            anchors.verticalCenter: parent.verticalCenter
                            iconName: "rotate-ccw"
                            iconSize: 22
                            iconColor: Theme.textOnGreen
                            focusRingColor: Theme.textOnGreen
                            caption: "10"
                            keyHint: "←"
                            accessibleName: qsTr("Mundur 10 detik")
                            onClicked: bar.player.skipBackward()
                        }

                        PlainButton {
                            objectName: "playPauseButton"
                            anchors.verticalCenter: parent.verticalCenter
                            iconName: bar.player.isPlaying ? "pause" : "play"
                            filled: true
                            iconSize: 22
                            iconColor: Theme.textOnGreen
                            focusRingColor: Theme.textOnGreen
                            keyHint: qsTr("Spasi")
                            accessibleName: bar.player.isPlaying ? qsTr("Jeda") : qsTr("Putar")
                            onClicked: bar.player.togglePlay()
                        }

                        PlainButton {
                            objectName: "skipForwardButton"
                            anchors.verticalCenter: parent.verticalCenter
                            iconName: "rotate-cw"
                            iconSize: 22
                            iconColor: Theme.textOnGreen
                            focusRingColor: Theme.textOnGreen
                            caption: "30"
                            keyHint: "→"
                            accessibleName: qsTr("Maju 30 detik")
                            onClicked: bar.player.skipForward()
                        }

                        PlainButton {
                            anchors.verticalCenter: parent.verticalCenter
                            iconName: "chevron-right"
                            iconSize: 20
                            iconColor: Theme.textOnGreen
                            focusRingColor: Theme.textOnGreen
                            accessibleName: qsTr("Berikutnya")
                            onClicked: bar.player.next()
                        }
                    }

                    Text {
                        objectName: "positionText"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 100
                        horizontalAlignment: Text.AlignRight
                        text: TimeText.formatted(bar.seekProgress) + " / " + bar.player.currentDurationText
                        font.family: Theme.fontFamily
                        font.pixelSize: 13
                        color: Theme.textOnGreenSecondary
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
                    color: Theme.textOnGreenQuiet
                }

                YellowSlider {
                    id: slider
                    objectName: "seekSlider"
                    x: 12 + 32 + 6
                    width: end.x - x - 6
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
                    anchors.right: settings.left
                    anchors.rightMargin: 14
                    width: 36
                    height: 28
                    verticalAlignment: Text.AlignVCenter
                    horizontalAlignment: Text.AlignRight
                    text: bar.player.currentDurationText
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 7
                    font.family: Theme.fontFamily
                    font.pixelSize: 10
                    color: Theme.textOnGreenQuiet
                }

                // Playback settings in slots as wide as their widest label, so the slider
                // keeps its length whatever they show. One more small control fits here.
                Row {
                    id: settings
                    anchors.right: parent.right
                    anchors.rightMargin: 12
                    height: 28
                    spacing: 8

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
                }
            }
        }
    }
}
