pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Pengaturan": the listener's preferences in one sheet over the window (the sidebar's
// button or Ctrl+,); Escape closes it. A column of sections: another section is one more
// item in `sections`.
Popup {
    id: sheet

    required property PlayerViewModel player
    readonly property alias sections: sections

    anchors.centerIn: Overlay.overlay
    width: 600
    // Taller than the window: the sections scroll, and the focused control is kept in view.
    height: Math.min(implicitHeight, Overlay.overlay ? Overlay.overlay.height - 40 : implicitHeight)
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    onOpened: speedSlower.forceActiveFocus()

    background: Rectangle {
        radius: 12
        color: Qt.rgba(0.13, 0.13, 0.14, 1)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.15)
    }

    component Choice: RadioButton {
        id: choice
        font.family: Theme.fontFamily
        font.pixelSize: 14
        palette.windowText: Theme.primaryText
        focusPolicy: Qt.StrongFocus
        Accessible.name: text
    }

    component Toggle: Switch {
        font.family: Theme.fontFamily
        font.pixelSize: 14
        palette.windowText: Theme.primaryText
        focusPolicy: Qt.StrongFocus
        Accessible.name: text
    }

    Flickable {
        id: scroller
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: sections.implicitHeight
        implicitHeight: sections.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
            Accessible.ignored: true
        }

        Connections {
            target: sheet.contentItem.Window.window
            function onActiveFocusItemChanged() {
                const item = sheet.contentItem.Window.activeFocusItem;
                if (!sheet.opened || !item || !sections.contains(item.mapToItem(sections, 0, 0)))
                    return;
                const top = item.mapToItem(sections, 0, 0).y;
                if (top < scroller.contentY)
                    scroller.contentY = Math.max(0, top - 12);
                else if (top + item.height > scroller.contentY + scroller.height)
                    scroller.contentY = Math.min(sections.implicitHeight - scroller.height, top + item.height - scroller.height + 12);
            }
        }

        Column {
            id: sections
            objectName: "settingsSections"
            width: scroller.width
            spacing: 18
            Accessible.role: Accessible.Dialog
            Accessible.name: qsTr("Pengaturan")

            Text {
                text: qsTr("Pengaturan")
                font.family: Theme.fontFamily
                font.weight: Font.Bold
                font.pixelSize: 18
                color: Theme.primaryText
            }

            SettingsSection {
                title: qsTr("Pemutaran")

                Row {
                    spacing: 10
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 150
                        text: qsTr("Kecepatan")
                        font.family: Theme.fontFamily
                        font.pixelSize: 14
                        color: Theme.primaryText
                    }
                    BorderedButton {
                        id: speedSlower
                        text: "−"
                        Accessible.name: qsTr("Lebih lambat")
                        onClicked: sheet.player.slower()
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 56
                        horizontalAlignment: Text.AlignHCenter
                        text: sheet.player.playbackRate === 1 ? qsTr("Normal") : sheet.player.playbackRateText
                        font.family: Theme.fontFamily
                        font.pixelSize: 14
                        color: Theme.primaryText
                        Accessible.role: Accessible.StaticText
                        Accessible.name: qsTr("Kecepatan %1").arg(text)
                    }
                    BorderedButton {
                        text: "+"
                        Accessible.name: qsTr("Lebih cepat")
                        onClicked: sheet.player.faster()
                    }
                }

                Toggle {
                    objectName: "smartRewindSwitch"
                    text: qsTr("Mundur otomatis setelah jeda panjang")
                    checked: sheet.player.smartRewind
                    onToggled: sheet.player.smartRewind = checked
                }

                Toggle {
                    objectName: "clearerVoiceSwitch"
                    text: qsTr("Perjelas suara")
                    checked: sheet.player.clearerVoice
                    onToggled: sheet.player.clearerVoice = checked
                }
            }

            SettingsSection {
                title: qsTr("Setelah kajian selesai")

                Choice {
                    objectName: "afterNextPart"
                    text: qsTr("Lanjut ke bagian berikutnya")
                    checked: sheet.player.afterLecture === 0
                    onToggled: sheet.player.afterLecture = 0
                }
                Choice {
                    objectName: "afterNextInList"
                    text: qsTr("Lanjut ke kajian berikutnya di daftar")
                    checked: sheet.player.afterLecture === 1
                    onToggled: sheet.player.afterLecture = 1
                }
                Choice {
                    objectName: "afterStop"
                    text: qsTr("Berhenti")
                    checked: sheet.player.afterLecture === 2
                    onToggled: sheet.player.afterLecture = 2
                }
            }

            PrayerTimeSettings {
                width: parent.width
                prayerPause: sheet.player.prayerPause
            }

            SettingsSection {
                title: qsTr("Daftar")

                Toggle {
                    objectName: "hideFinishedSwitch"
                    text: qsTr("Sembunyikan yang selesai")
                    checked: sheet.player.finished.hideFinished
                    onToggled: sheet.player.finished.hideFinished = checked
                }
            }

            BorderedButton {
                anchors.right: parent.right
                text: qsTr("Tutup")
                onClicked: sheet.close()
            }
        }
    }
}
