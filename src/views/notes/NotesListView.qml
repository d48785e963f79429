pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// A list of notes over a NotesListModel: note rows, and for the whole collection a header
// row per lecture with its export buttons. Up and Down move, Enter plays from the note, F2
// edits it, Delete removes it.
ListView {
    id: list

    required property NotesListModel notesModel

    signal copyLecture(double trackId)
    signal saveLecture(double trackId, string title)

    model: notesModel
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    keyNavigationEnabled: true
    activeFocusOnTab: true
    highlightMoveDuration: 0
    topMargin: 4
    bottomMargin: 4

    Accessible.role: Accessible.List
    Accessible.name: qsTr("Catatan")

    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
    }

    Keys.onReturnPressed: notesModel.play(currentIndex)
    Keys.onEnterPressed: notesModel.play(currentIndex)
    Keys.onDeletePressed: notesModel.remove(currentIndex)
    Keys.onPressed: event => {
        if (event.key === Qt.Key_F2 && currentItem) {
            (currentItem as NotesListEntry).startEdit();
            event.accepted = true;
        }
    }

    delegate: NotesListEntry {
        width: ListView.view.width
        notesModel: list.notesModel
        current: list.activeFocus && ListView.isCurrentItem
        onPressed: list.currentIndex = index
        onEditEnded: list.forceActiveFocus()
        onCopyLecture: list.copyLecture(trackId)
        onSaveLecture: list.saveLecture(trackId, title)
    }
}
