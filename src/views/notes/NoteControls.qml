pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Catat" and the notes of the lecture playing, on the now-playing bar. "Catat" (or N in the
// window) notes the moment at once and opens a small field for an optional text: Enter keeps
// the text, Escape keeps the note without it.
Row {
    id: controls

    required property PlayerViewModel player
    required property NotesStore notes
    readonly property alias lectureNotes: lectureNotes
    readonly property alias capture: capture
    readonly property alias panel: panel

    function takeNote() {
        if (!player.hasCurrentTrack)
            return;
        if (capture.visible)
            capture.close(); // the text typed so far goes to the note it was typed for
        capture.position = player.currentTime;
        capture.noteId = lectureNotes.takeNote("");
        capture.open();
    }

    spacing: 8

    NotesListModel {
        id: lectureNotes
        notes: controls.notes
        player: controls.player
        trackId: controls.player.hasCurrentTrack ? controls.player.currentTrackId : NaN
    }

    NotesExport {
        id: exporter
        notes: controls.notes
    }

    BarButton {
        id: catat
        objectName: "catatButton"
        anchors.verticalCenter: parent.verticalCenter
        iconName: "notebook-pen"
        label: qsTr("Catat")
        keyHint: "N"
        accessibleName: qsTr("Catat")
        onClicked: controls.takeNote()
    }

    BarButton {
        id: list
        objectName: "notesPanelButton"
        anchors.verticalCenter: parent.verticalCenter
        iconName: "list"
        label: lectureNotes.noteCount > 0 ? String(lectureNotes.noteCount) : ""
        checked: panel.visible
        accessibleName: qsTr("Catatan kajian ini")
        onClicked: panel.visible ? panel.close() : panel.open()

        NotesPanel {
            id: panel
            x: Math.min(0, controls.width - width)
            y: -height - 24
            notesModel: lectureNotes
            exporter: exporter
            lectureTitle: controls.player.currentTitle
        }
    }

    Popup {
        id: capture

        property double noteId: -1
        property double position: 0
        // Escape: the note stays, without the text typed.
        property bool dropText: false

        parent: catat
        x: 0
        y: -height - 14
        width: 320
        padding: 10
        focus: true
        closePolicy: Popup.CloseOnPressOutside
        onOpened: {
            dropText = false;
            field.text = "";
            field.forceActiveFocus();
        }
        onClosed: {
            const text = field.text.trim();
            if (!dropText && text.length > 0)
                lectureNotes.setNoteText(noteId, text);
        }

        background: Rectangle {
            radius: 10
            color: Qt.rgba(0.13, 0.13, 0.14, 1)
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.14)
        }

        Column {
            width: parent.width
            spacing: 6
            Accessible.role: Accessible.Dialog
            Accessible.name: qsTr("Catatan baru")

            Text {
                text: qsTr("Catatan pada %1").arg(TimeText.formatted(capture.position))
                font.family: Theme.fontFamily
                font.pixelSize: 12
                color: Theme.secondaryText
            }

            TextField {
                id: field
                objectName: "noteField"
                width: parent.width
                placeholderText: qsTr("Tulis catatan (boleh kosong)")
                placeholderTextColor: Theme.secondaryText
                color: Theme.primaryText
                selectionColor: Theme.withAlpha(Theme.green, 0.5)
                font.family: Theme.fontFamily
                font.pixelSize: 14
                maximumLength: 100000
                leftPadding: 8
                rightPadding: 8
                topPadding: 5
                bottomPadding: 5
                Accessible.name: qsTr("Teks catatan")
                background: Rectangle {
                    radius: 6
                    color: Theme.fieldBackground
                    border.width: 1
                    border.color: Theme.withAlpha(Theme.green, 0.8)
                }
                // Escape is the field's while it is open, not the window's "back".
                Keys.onShortcutOverride: event => event.accepted = event.key === Qt.Key_Escape
                Keys.onReturnPressed: capture.close()
                Keys.onEnterPressed: capture.close()
                Keys.onEscapePressed: {
                    capture.dropText = true;
                    capture.close();
                }
            }

            Text {
                text: qsTr("Enter menyimpan · Esc menyimpan tanpa teks")
                font.family: Theme.fontFamily
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }
    }
}
