pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Templates as T
import Talvora

// The mini player of the tray popup: the current lecture with play/pause and a thin
// progress bar, and the three actions "Buka Talvora", "Mini Player" and "Exit".
// 260 wide; 140 high with a current lecture, 60 without. The content is centred in that
// frame and clipped to its rounded shape.
Rectangle {
    id: mini

    required property PlayerViewModel player

    // Set to ask for the application to come forward; it returns to false at once, so
    // every press asks again.
    property bool showMainWindow: false

    signal activateRequested
    signal miniPlayerRequested
    signal exitRequested

    // The position shown. A hidden popup does not follow the four updates a second (they
    // would be laid out for nobody); it catches up when it shows.
    property real shownTime: 0
    Component.onCompleted: shownTime = Math.floor(player.currentTime)
    readonly property bool isShown: Window.visibility !== Window.Hidden
    onIsShownChanged: if (isShown) shownTime = Math.floor(player.currentTime)
    Connections {
        target: mini.player
        enabled: mini.isShown
        function onCurrentTimeChanged() {
            mini.shownTime = Math.floor(mini.player.currentTime)
        }
    }

    readonly property real barSpace: width - 24
    // Clipped to its space: a position past the length (or a length of 0) fills the bar,
    // it never draws outside it.
    readonly property real barWidth: {
        const fraction = shownTime / Math.max(player.duration, 0.01)
        if (!isFinite(fraction) || fraction <= 0)
            return 0
        return Math.min(barSpace, barSpace * fraction)
    }

    onShowMainWindowChanged: {
        if (!showMainWindow)
            return
        activateRequested()
        showMainWindow = false
    }

    component MenuButton: T.AbstractButton {
        id: menuButton

        implicitWidth: implicitContentWidth + 12
        implicitHeight: implicitContentHeight + 12
        focusPolicy: Qt.TabFocus

        Accessible.role: Accessible.Button
        Accessible.name: text
        Accessible.onPressAction: menuButton.clicked()
        Keys.onReturnPressed: menuButton.clicked()
        Keys.onEnterPressed: menuButton.clicked()

        contentItem: Text {
            text: menuButton.text
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily
            font.pixelSize: 11
            color: Theme.textOnGreen
            opacity: menuButton.pressed ? 0.6 : 1
        }
        background: Rectangle {
            radius: 4
            color: menuButton.hovered ? Qt.rgba(0, 0, 0, 0.12) : "transparent"
            border.width: menuButton.visualFocus ? 2 : 0
            border.color: Theme.textOnGreen
        }
    }

    width: 260
    height: player.hasCurrentTrack ? 140 : 60
    radius: 10
    color: Theme.barGreen
    clip: true

    Column {
        id: content
        width: parent.width
        anchors.verticalCenter: parent.verticalCenter
        topPadding: 8

        // First row: title and position, play/pause.
        Item {
            visible: mini.player.hasCurrentTrack
            width: parent.width
            height: visible ? 10 + Math.max(texts.height, transport.height) : 0

            Column {
                id: texts
                anchors.left: parent.left
                anchors.leftMargin: 12
                anchors.right: transport.left
                anchors.rightMargin: 8
                y: 10 + (parent.height - 10 - height) / 2
                spacing: 2

                Text {
                    objectName: "miniTitle"
                    width: parent.width
                    text: mini.player.currentTitle
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.family: Theme.fontFamily
                    font.weight: Font.Medium
                    font.pixelSize: 12
                    color: Theme.textOnGreen
                }
                Text {
                    objectName: "miniPosition"
                    width: parent.width
                    text: mini.player.isReconnecting ? qsTr("Menyambung ulang...")
                        : TimeText.formatted(mini.shownTime) + " / " + mini.player.currentDurationText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.family: Theme.fontFamily
                    font.pixelSize: 11
                    color: Theme.textOnGreenQuiet
                }
            }

            Row {
                id: transport
                anchors.right: parent.right
                anchors.rightMargin: 12
                y: 10 + (parent.height - 10 - height) / 2

                PlainButton {
                    iconName: "rotate-ccw"
                    iconSize: 18
                    iconColor: "black"
                    focusRingColor: "black"
                    caption: "10"
                    accessibleName: qsTr("Mundur 10 detik")
                    onClicked: mini.player.skipBackward()
                }
                PlainButton {
                    id: playButton
                    iconName: mini.player.isPlaying ? "pause" : "play"
                    filled: true
                    iconSize: 14
                    iconColor: "black"
                    focusRingColor: "black"
                    accessibleName: mini.player.isPlaying ? qsTr("Jeda") : qsTr("Putar")
                    onClicked: mini.player.togglePlay()
                }
                PlainButton {
                    iconName: "rotate-cw"
                    iconSize: 18
                    iconColor: "black"
                    focusRingColor: "black"
                    caption: "30"
                    accessibleName: qsTr("Maju 30 detik")
                    onClicked: mini.player.skipForward()
                }
            }
        }

        // The progress bar has no track of its own: the green shows through.
        Item {
            visible: mini.player.hasCurrentTrack
            x: 12
            width: mini.barSpace
            height: visible ? 4 : 0
            clip: true

            Rectangle {
                objectName: "miniProgress"
                width: mini.barWidth
                height: parent.height
                color: "white"
            }
        }

        // "0:00" and the lecture's length.
        Item {
            visible: mini.player.hasCurrentTrack
            width: parent.width
            height: visible ? startText.height + 8 : 0

            Text {
                id: startText
                x: 12
                width: 32
                text: "0:00"
                font.family: Theme.fontFamily
                font.pixelSize: 10
                color: Theme.textOnGreenQuiet
            }
            Text {
                objectName: "miniDuration"
                anchors.right: parent.right
                anchors.rightMargin: 12
                width: Math.min(36, implicitWidth)
                height: startText.height
                horizontalAlignment: Text.AlignRight
                verticalAlignment: Text.AlignVCenter
                text: mini.player.currentDurationText
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 7
                font.family: Theme.fontFamily
                font.pixelSize: 10
                color: Theme.textOnGreenQuiet
            }
        }

        Text {
            visible: !mini.player.hasCurrentTrack
            width: parent.width
            leftPadding: 12
            rightPadding: 12
            topPadding: 10
            bottomPadding: 10
            text: qsTr("Tidak ada kajian yang diputar")
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: 12
            color: Theme.textOnGreenQuiet
        }

        Rectangle {
            width: parent.width
            height: 1
            color: Qt.rgba(0, 0, 0, 0.15)
        }

        Row {
            x: 8
            width: parent.width - 16
            bottomPadding: 8

            MenuButton {
                width: parent.width / 3
                text: qsTr("Buka Talvora")
                onClicked: mini.showMainWindow = true
            }
            MenuButton {
                width: parent.width / 3
                text: qsTr("Mini Player")
                onClicked: mini.miniPlayerRequested()
            }
            MenuButton {
                width: parent.width / 3
                text: qsTr("Exit")
                onClicked: mini.exitRequested()
            }
        }
    }
}
