pragma ComponentBehavior: Bound
import QtQuick
import Talvora

// "Catatan": every lecture with notes, most recently noted first, its notes under it in time
// order. A note plays its lecture from that moment (the listed lectures become the queue);
// each lecture's notes can be copied or saved as text, all of them saved as one Markdown file.
Item {
    id: screen

    required property ContentView content
    property string status

    Binding {
        target: screen.content
        property: "windowTitle"
        value: qsTr("Catatan")
    }

    NotesListModel {
        id: allNotes
        allLectures: true
        notes: screen.content.notes
        player: screen.content.player
        library: screen.content.library
    }

    NotesExport {
        id: exporter
        notes: screen.content.notes
    }

    NotesSaveDialog {
        id: saveDialog
        exporter: exporter
        onFinished: (saved, file) => screen.status = saved ? qsTr("Disimpan") : qsTr("Gagal menyimpan berkas")
    }

    Item {
        id: top
        width: parent.width
        height: 64

        Column {
            x: 20
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - x - exportAll.width - 40
            spacing: 2
            Text {
                text: qsTr("Catatan")
                font.family: Theme.fontFamily
                font.weight: Font.Bold
                font.pixelSize: 22
                color: Theme.primaryText
            }
            Text {
                width: parent.width
                visible: allNotes.noteCount > 0 || screen.status.length > 0
                elide: Text.ElideRight
                text: screen.status.length > 0 ? screen.status : qsTr("%1 catatan dari %2 kajian").arg(allNotes.noteCount).arg(allNotes.count - allNotes.noteCount)
                font.family: Theme.fontFamily
                font.pixelSize: 13
                color: screen.status.length > 0 ? Theme.green : Theme.secondaryText
            }
        }

        BorderedButton {
            id: exportAll
            objectName: "exportAllButton"
            visible: allNotes.noteCount > 0
            anchors.right: parent.right
            anchors.rightMargin: 20
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Simpan semua (Markdown)")
            onClicked: saveDialog.saveAs("catatan-kajian.md", exporter.markdown())
        }
    }

    Rectangle {
        anchors.fill: list
        visible: list.visible
        color: Theme.listBackground
    }

    NotesListView {
        id: list
        objectName: "allNotes"
        anchors.top: top.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        visible: allNotes.noteCount > 0
        focus: true
        notesModel: allNotes
        onCopyLecture: trackId => {
            exporter.copy(exporter.lectureText(trackId));
            screen.status = qsTr("Disalin ke papan klip");
        }
        onSaveLecture: (trackId, title) => saveDialog.saveAs(title + ".txt", exporter.lectureText(trackId))
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: top.height
        visible: allNotes.noteCount === 0
        iconName: "notebook-pen"
        text: qsTr("Belum ada catatan. Tekan Catat atau N saat mendengarkan kajian.")
    }
}
