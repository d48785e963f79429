import QtQuick
import QtQuick.Controls
import Talvora

// One note: its moment and text (elided to two lines). A click plays the lecture from the
// moment; the pencil edits the text in place (Enter keeps it, Escape drops the change), the
// bin removes the note. The list around it gives the keys: Enter plays, F2 edits, Delete
// removes.
Item {
    id: row

    required property int index
    required property double position
    // A passage's end (the note starts its repeat when played); -1 for a moment.
    property double passageEnd: -1
    required property string noteText
    // False for a lecture gone from the library: a click does nothing, the time is grey.
    required property bool playable
    required property NotesListModel notesModel
    // Drawn as the keyboard's place in the list.
    property bool current: false
    readonly property bool editing: editor.visible

    // Pressed (the list makes this its current row) and done editing (the list takes the keys back).
    signal pressed
    signal editEnded

    function startEdit() {
        editor.text = row.noteText;
        editor.visible = true;
        editor.forceActiveFocus();
        editor.selectAll();
    }
    function finishEdit(keep: bool) {
        if (!editor.visible)
            return;
        editor.visible = false;
        if (keep)
            row.notesModel.setText(row.index, editor.text.trim());
        row.editEnded();
    }

    readonly property string timeText: TimeText.formatted(position)
        + (passageEnd >= 0 ? "–" + TimeText.formatted(passageEnd) : "")

    implicitHeight: Math.max(44, textColumn.implicitHeight + 16)

    Accessible.role: Accessible.ListItem
    Accessible.name: timeText + ", " + (noteText.length > 0 ? noteText : qsTr("tanpa teks"))
    Accessible.onPressAction: row.notesModel.play(row.index)

    Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 4
        anchors.rightMargin: 4
        radius: 6
        color: hover.hovered ? Qt.rgba(1, 1, 1, 0.06) : "transparent"
        border.width: row.current ? 1 : 0
        border.color: Theme.green
    }

    HoverHandler {
        id: hover
    }

    TapHandler {
        enabled: !row.editing
        onTapped: {
            row.pressed();
            row.notesModel.play(row.index);
        }
    }

    Text {
        id: time
        x: 14
        y: 13
        width: 52
        text: row.timeText
        font.family: Theme.fontFamily
        font.weight: Font.Medium
        font.pixelSize: 13
        color: row.playable ? Theme.green : Theme.secondaryText
    }

    Item {
        id: textColumn
        anchors.left: time.right
        anchors.leftMargin: 8
        anchors.right: buttons.left
        anchors.rightMargin: 8
        y: 8
        implicitHeight: editor.visible ? editor.implicitHeight : shown.implicitHeight + 4

        Text {
            id: shown
            y: 5
            width: parent.width
            visible: !editor.visible
            text: row.noteText.length > 0 ? row.noteText : qsTr("(tanpa teks)")
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: 14
            font.italic: row.noteText.length === 0
            color: row.noteText.length > 0 ? Theme.primaryText : Theme.secondaryText
        }

        TextField {
            id: editor
            objectName: "noteEditor"
            width: parent.width
            visible: false
            color: Theme.primaryText
            selectionColor: Theme.withAlpha(Theme.green, 0.5)
            font.family: Theme.fontFamily
            font.pixelSize: 14
            leftPadding: 6
            rightPadding: 6
            topPadding: 4
            bottomPadding: 4
            maximumLength: 100000
            Accessible.name: qsTr("Teks catatan")
            background: Rectangle {
                radius: 4
                color: Theme.fieldBackground
                border.width: 1
                border.color: Theme.withAlpha(Theme.green, 0.8)
            }
            Keys.onReturnPressed: row.finishEdit(true)
            Keys.onEnterPressed: row.finishEdit(true)
            Keys.onEscapePressed: row.finishEdit(false)
            onActiveFocusChanged: {
                if (!activeFocus)
                    row.finishEdit(true);
            }
        }
    }

    Row {
        id: buttons
        anchors.right: parent.right
        anchors.rightMargin: 10
        y: 8
        spacing: 2

        PlainButton {
            iconName: "pencil"
            iconSize: 16
            iconColor: Theme.secondaryText
            accessibleName: qsTr("Ubah catatan ") + row.timeText
            onClicked: row.startEdit()
        }
        PlainButton {
            iconName: "trash-2"
            iconSize: 16
            iconColor: Theme.secondaryText
            accessibleName: qsTr("Hapus catatan ") + row.timeText
            onClicked: row.notesModel.remove(row.index)
        }
    }
}
