pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// "Ulangi bagian": the first press marks the start of a passage (A), the second its end (B)
// and the passage repeats; a press while it repeats stops it. The menu beside it chooses how
// often and how long to wait between repetitions, and keeps the passage as a note.
Row {
    id: control

    required property PlayerViewModel player
    required property NotesStore notes
    readonly property PassageRepeat repeat: player.passageRepeat
    readonly property var counts: [1, 3, 5, 7, 10, 0]
    // "A", then "A–B"; while repeating "Ulangi 3×  2/3".
    readonly property string stepLabel: repeat.stage === 0 ? "A"
        : repeat.stage === 1 ? "A–B"
        : repeat.label + (repeat.count === 0 ? ""
            : "  " + Math.min(repeat.done + 1, repeat.count) + "/" + repeat.count)

    spacing: 0

    T.AbstractButton {
        id: stepButton
        objectName: "passageStepButton"
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: contentItem.implicitWidth + 14
        implicitHeight: 28
        focusPolicy: Qt.TabFocus
        hoverEnabled: true
        onClicked: control.repeat.step()

        Accessible.role: Accessible.Button
        Accessible.name: control.repeat.stage === 0 ? qsTr("Tandai awal bagian (A)")
                       : control.repeat.stage === 1 ? qsTr("Tandai akhir bagian (B)")
                       : qsTr("Berhenti mengulang bagian")
        Accessible.description: control.repeat.stage === 2 ? control.stepLabel : ""
        Accessible.onPressAction: control.repeat.step()

        contentItem: Text {
            leftPadding: 7
            verticalAlignment: Text.AlignVCenter
            text: control.stepLabel
            font.family: Theme.fontFamily
            font.weight: Font.Bold
            font.pixelSize: 13
            color: "black"
        }

        background: Rectangle {
            radius: 4
            color: control.repeat.stage === 2 ? Qt.rgba(0, 0, 0, 0.15)
                 : stepButton.hovered ? Qt.rgba(0, 0, 0, 0.08) : "transparent"
            border.width: stepButton.visualFocus ? 2 : 0
            border.color: "black"
        }
    }

    T.AbstractButton {
        id: menuButton
        objectName: "passageMenuButton"
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 20
        implicitHeight: 28
        focusPolicy: Qt.TabFocus
        hoverEnabled: true
        onClicked: menu.open()

        Accessible.role: Accessible.ButtonMenu
        Accessible.name: qsTr("Pilihan ulangi bagian")
        Accessible.onPressAction: menu.open()

        contentItem: Icon {
            name: "chevron-right"
            rotation: -90
            size: 14
            color: "black"
        }
        background: Rectangle {
            radius: 4
            color: menuButton.hovered ? Qt.rgba(0, 0, 0, 0.08) : "transparent"
            border.width: menuButton.visualFocus ? 2 : 0
            border.color: "black"
        }

        Menu {
            id: menu
            y: -implicitHeight

            Repeater {
                model: control.counts
                MenuItem {
                    required property int modelData
                    text: modelData === 0 ? qsTr("Ulangi terus") : qsTr("Ulangi %1×").arg(modelData)
                    checkable: true
                    checked: control.repeat.count === modelData
                    onTriggered: control.repeat.count = modelData
                }
            }
            MenuSeparator {}
            Repeater {
                model: [0, 1, 2]
                MenuItem {
                    required property int modelData
                    text: modelData === 0 ? qsTr("Tanpa jeda") : qsTr("Jeda %1 detik").arg(modelData)
                    checkable: true
                    checked: control.repeat.gapSeconds === modelData
                    onTriggered: control.repeat.gapSeconds = modelData
                }
            }
            MenuSeparator {}
            MenuItem {
                objectName: "passageSaveNote"
                text: qsTr("Simpan sebagai catatan")
                enabled: control.repeat.stage === 2
                onTriggered: control.notes.addPassage(control.player.currentTrackId, control.player.currentTitle,
                                                      control.player.currentUstadz, control.repeat.start,
                                                      control.repeat.end, control.player.duration)
            }
            MenuItem {
                text: qsTr("Berhenti mengulang")
                enabled: control.repeat.stage !== 0
                onTriggered: control.repeat.stop()
            }
        }
    }
}
