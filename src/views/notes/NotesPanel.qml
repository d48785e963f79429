pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// The notes of the lecture playing, in time order, opened from the now-playing bar: a click
// or Enter plays from a note, each can be edited or removed, and the whole list copied or
// saved as text.
Popup {
    id: panel

    required property NotesListModel notesModel
    required property NotesExport exporter
    required property string lectureTitle
    // What the last copy or save did, shown until the next one.
    property string status

    width: 400
    height: Math.min(440, 96 + Math.max(60, list.contentHeight))
    padding: 0
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
    onOpened: {
        status = "";
        list.currentIndex = 0;
        list.forceActiveFocus();
    }

    background: Rectangle {
        radius: 10
        color: Qt.rgba(0.13, 0.13, 0.14, 1)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.14)
    }

    Item {
        anchors.fill: parent
        Accessible.role: Accessible.Dialog
        Accessible.name: qsTr("Catatan kajian ini")

        Item {
            id: top
            width: parent.width
            height: 56

            Column {
                x: 14
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - x - tools.width - 16
                spacing: 1
                Text {
                    width: parent.width
                    text: qsTr("Catatan kajian ini")
                    font.family: Theme.fontFamily
                    font.weight: Font.Bold
                    font.pixelSize: 15
                    color: Theme.primaryText
                }
                Text {
                    width: parent.width
                    text: panel.status.length > 0 ? panel.status : panel.lectureTitle
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: 12
                    color: panel.status.length > 0 ? Theme.green : Theme.secondaryText
                }
            }

            Row {
                id: tools
                anchors.right: parent.right
                anchors.rightMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                spacing: 4
                enabled: panel.notesModel.noteCount > 0

                PlainButton {
                    iconName: "copy"
                    iconSize: 18
                    opacity: enabled ? 1 : 0.4
                    accessibleName: qsTr("Salin semua catatan kajian ini")
                    onClicked: {
                        panel.exporter.copy(panel.exporter.lectureText(panel.notesModel.trackId));
                        panel.status = qsTr("Disalin ke papan klip");
                    }
                }
                PlainButton {
                    iconName: "save"
                    iconSize: 18
                    opacity: enabled ? 1 : 0.4
                    accessibleName: qsTr("Simpan catatan kajian ini ke berkas")
                    onClicked: saveDialog.saveAs(panel.lectureTitle + ".txt", panel.exporter.lectureText(panel.notesModel.trackId))
                }
            }
        }

        Rectangle {
            anchors.top: top.bottom
            width: parent.width
            height: 1
            color: Theme.divider
        }

        NotesListView {
            id: list
            objectName: "panelNotes"
            anchors.top: top.bottom
            anchors.topMargin: 1
            anchors.bottom: hint.top
            width: parent.width
            notesModel: panel.notesModel
        }

        Text {
            anchors.centerIn: list
            width: parent.width - 40
            visible: panel.notesModel.noteCount === 0
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: qsTr("Belum ada catatan untuk kajian ini. Tekan Catat atau N saat mendengarkan.")
            font.family: Theme.fontFamily
            font.pixelSize: 13
            color: Theme.secondaryText
        }

        Text {
            id: hint
            anchors.bottom: parent.bottom
            x: 14
            width: parent.width - 28
            height: 30
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: qsTr("Enter memutar · F2 mengubah · Delete menghapus")
            font.family: Theme.fontFamily
            font.pixelSize: 11
            color: Theme.secondaryText
        }
    }

    NotesSaveDialog {
        id: saveDialog
        exporter: panel.exporter
        onFinished: (saved, file) => panel.status = saved ? qsTr("Disimpan") : qsTr("Gagal menyimpan berkas")
    }
}
