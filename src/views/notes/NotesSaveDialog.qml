import QtQuick
import QtQuick.Dialogs
import Talvora

// Asks where an export goes and writes it there.
FileDialog {
    id: dialog

    required property NotesExport exporter
    property string content

    signal finished(bool saved, url file)

    function saveAs(fileName: string, text: string) {
        content = text;
        selectedFile = exporter.suggestedFile(fileName);
        open();
    }

    title: qsTr("Simpan catatan")
    fileMode: FileDialog.SaveFile
    onAccepted: finished(exporter.save(selectedFile, content), selectedFile)
}
