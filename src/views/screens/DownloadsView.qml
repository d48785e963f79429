pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Unduhan": the stored lectures in library order; the row's button removes the copy without
// asking, and "Unduhan dihapus · Urungkan" (or Ctrl+Z) brings it back for a few seconds.
FocusScope {
    id: stored

    required property ContentView content

    focus: true

    Binding {
        target: stored.content
        property: "windowTitle"
        value: qsTr("Unduhan")
    }

    TrackListController {
        id: screenTracks
        kind: TrackListController.StoredDownloads
        library: stored.content.library
        player: stored.content.player
        downloads: stored.content.downloads
        store: stored.content.store
    }

    ScreenHeading {
        id: heading
        text: qsTr("Unduhan")
    }

    // Stored lectures are listed from the library: without one there is nothing to list.
    LibraryStates {
        id: states
        anchors.fill: parent
        anchors.topMargin: heading.height
        library: stored.content.library
        focus: active
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: heading.height
        visible: stored.content.downloads.list.storedCount === 0 && !states.active
        iconName: "circle-dashed-arrow-down"
        text: qsTr("Belum ada unduhan")
    }

    TrackList {
        objectName: "downloadsList"
        anchors.fill: parent
        anchors.topMargin: heading.height + 8
        visible: stored.content.downloads.list.storedCount > 0 && !states.active
        focus: !states.active
        controller: screenTracks
        accessibleName: qsTr("Unduhan")
    }

    Rectangle {
        id: undoBar
        objectName: "undoRemoval"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        visible: screenTracks.canUndoRemoval
        width: undoRow.implicitWidth + 24
        height: 40
        radius: 8
        color: Theme.menuBackground
        border.width: 1
        border.color: Theme.menuBorder

        Accessible.role: Accessible.AlertMessage
        Accessible.name: qsTr("Unduhan dihapus")
        Accessible.ignored: !visible

        Row {
            id: undoRow
            anchors.centerIn: parent
            spacing: 10

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Unduhan dihapus ·")
                font.family: Theme.fontFamily
                font.pixelSize: 14
                color: Theme.menuText
            }
            BorderedButton {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Urungkan")
                ToolTip.text: qsTr("Urungkan (Ctrl+Z)")
                ToolTip.visible: hovered
                ToolTip.delay: 600
                onClicked: screenTracks.undoRemoval()
            }
        }
    }

    Shortcut {
        sequence: "Ctrl+Z"
        enabled: screenTracks.canUndoRemoval
        onActivated: screenTracks.undoRemoval()
    }
}
