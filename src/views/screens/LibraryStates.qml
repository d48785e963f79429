import QtQuick
import Talvora

// What a screen built on the library shows while it has none to show: the load under way,
// or why it failed with "Coba lagi" and, while the service is out of reach, that it is
// being contacted again (the view model retries by itself).
FocusScope {
    id: states

    required property LibraryViewModel library
    // Beranda hides its list during every load, also over a library already shown.
    property bool coversList: false

    readonly property bool loading: library.isLoading && (coversList || library.trackCount === 0)
    readonly property bool failed: !loading && library.hasError
    readonly property bool active: loading || failed

    visible: active

    LoadingState {
        anchors.fill: parent
        visible: states.loading
        text: qsTr("Memuat daftar kajian...")
    }

    Column {
        objectName: "libraryError"
        anchors.centerIn: parent
        width: parent.width
        visible: states.failed
        spacing: 12

        Text {
            width: parent.width - 40
            anchors.horizontalCenter: parent.horizontalCenter
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: states.library.errorMessage
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.red
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
            Accessible.ignored: !states.failed
        }

        BorderedButton {
            anchors.horizontalCenter: parent.horizontalCenter
            focus: states.failed
            text: qsTr("Coba lagi")
            onClicked: states.library.retry()
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: states.library.isOffline
            text: qsTr("Menghubungi layanan kajian...")
            font.family: Theme.fontFamily
            font.pixelSize: 13
            color: Theme.secondaryText
        }
    }
}
