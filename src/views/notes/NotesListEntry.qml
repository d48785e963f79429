import QtQuick
import Talvora

// One row of a notes list: a lecture's header (title, teacher, how many notes, its export
// buttons) or one of its notes.
Item {
    id: entry

    required property int index
    required property bool isHeader
    required property double trackId
    required property double position
    required property double passageEnd
    required property string noteText
    required property string title
    required property string ustadz
    required property bool inLibrary
    required property int noteCount
    required property NotesListModel notesModel
    property bool current: false

    signal pressed
    signal editEnded
    signal copyLecture
    signal saveLecture

    function startEdit() {
        if (!isHeader)
            note.startEdit();
    }

    height: isHeader ? header.height : note.height

    Accessible.role: isHeader ? Accessible.Heading : Accessible.NoRole
    Accessible.name: isHeader ? title + ", " + ustadz : ""

    Item {
        id: header
        visible: entry.isHeader
        width: parent.width
        height: visible ? headerText.implicitHeight + 26 : 0

        Rectangle {
            anchors.fill: parent
            anchors.leftMargin: 4
            anchors.rightMargin: 4
            anchors.topMargin: 6
            radius: 6
            color: Qt.rgba(1, 1, 1, 0.04)
            border.width: entry.current ? 1 : 0
            border.color: Theme.green
        }

        TapHandler {
            onTapped: entry.pressed()
        }

        Column {
            id: headerText
            x: 14
            y: 14
            width: parent.width - x - exportButtons.width - 20
            spacing: 2

            Text {
                width: parent.width
                text: entry.title
                elide: Text.ElideRight
                font.family: Theme.fontFamily
                font.weight: Font.Bold
                font.pixelSize: 15
                color: Theme.primaryText
            }
            Text {
                width: parent.width
                text: entry.ustadz + " · " + qsTr("%n catatan", "", entry.noteCount) + (entry.inLibrary ? "" : " · " + qsTr("tidak ada lagi di pustaka"))
                elide: Text.ElideRight
                font.family: Theme.fontFamily
                font.pixelSize: 13
                color: Theme.secondaryText
            }
        }

        Row {
            id: exportButtons
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: headerText.verticalCenter
            spacing: 2

            PlainButton {
                iconName: "copy"
                iconSize: 16
                iconColor: Theme.secondaryText
                accessibleName: qsTr("Salin catatan ") + entry.title
                onClicked: entry.copyLecture()
            }
            PlainButton {
                iconName: "save"
                iconSize: 16
                iconColor: Theme.secondaryText
                accessibleName: qsTr("Simpan catatan ") + entry.title
                onClicked: entry.saveLecture()
            }
        }
    }

    NoteRow {
        id: note
        visible: !entry.isHeader
        width: parent.width
        height: visible ? implicitHeight : 0
        index: entry.index
        position: entry.position
        passageEnd: entry.passageEnd
        noteText: entry.noteText
        // The bar's panel lists the lecture playing, which always plays (by a seek).
        playable: entry.inLibrary || !entry.notesModel.allLectures
        notesModel: entry.notesModel
        current: entry.current
        onPressed: entry.pressed()
        onEditEnded: entry.editEnded()
    }
}
