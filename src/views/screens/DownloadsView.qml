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

    readonly property StoredTracks screenTracks: content.screens.stored(stored)

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
        visible: !stored.screenTracks.hasDownloads && !states.active
        iconName: "circle-dashed-arrow-down"
        text: qsTr("Belum ada unduhan")
    }

    TrackList {
        objectName: "downloadsList"
        anchors.fill: parent
        anchors.topMargin: heading.height + 8
        visible: stored.screenTracks.hasDownloads && !states.active
        focus: !states.active
        controller: stored.screenTracks
        accessibleName: qsTr("Unduhan")
    }

    Rectangle {
        id: undoBar
        objectName: "undoRemoval"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        visible: stored.screenTracks.canUndoRemoval
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
                onClicked: stored.screenTracks.undoRemoval()
            }
        }
    }

    Shortcut {
        sequence: "Ctrl+Z"
        enabled: stored.screenTracks.canUndoRemoval
        onActivated: stored.screenTracks.undoRemoval()
    }
}
