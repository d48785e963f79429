pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Ustadz": every teacher of the library with the number of lectures; a teacher's row
// opens that teacher's lectures, most viewed first, with a back control (or Escape).
FocusScope {
    id: teachers

    required property ContentView content

    function open(name: string) {
        selectedUstadz = name;
        lectures.forceActiveFocus();
    }

    // Back to the list, on the teacher just left.
    function back() {
        if (!hasSelection)
            return;
        const row = teacherModel.rowOf(selectedUstadz);
        selectedUstadz = null;
        if (row >= 0) {
            names.currentIndex = row;
            names.positionViewAtIndex(row, ListView.Contain);
        }
        names.forceActiveFocus();
    }

    focus: true

    Connections {
        target: teachers.content
        function onBackRequested() {
            teachers.back();
        }
    }

    // The chosen teacher, exactly as written in the lectures; null shows the list.
    property var selectedUstadz: null
    readonly property bool hasSelection: selectedUstadz !== null && selectedUstadz !== undefined
    readonly property string title: !hasSelection ? qsTr("Ustadz") : selectedUstadz.length > 0 ? selectedUstadz : qsTr("Tidak diketahui")

    Binding {
        target: teachers.content
        property: "windowTitle"
        value: teachers.title
    }

    TrackListController {
        id: screenTracks
        kind: TrackListController.Ustadz
        ustadz: teachers.hasSelection ? teachers.selectedUstadz : ""
        library: teachers.content.library
        player: teachers.content.player
        downloads: teachers.content.downloads
        store: teachers.content.store
    }

    LibraryStates {
        id: states
        anchors.fill: parent
        library: teachers.content.library
        focus: active
    }

    ScreenHeading {
        id: listHeading
        visible: !teachers.hasSelection
        text: qsTr("Ustadz")
    }

    EmptyState {
        anchors.fill: parent
        anchors.topMargin: listHeading.height
        visible: listHeading.visible && !states.active && names.count === 0
        iconName: "users"
        text: qsTr("Belum ada ustadz di daftar kajian")
    }

    Rectangle {
        anchors.fill: parent
        anchors.topMargin: listHeading.height
        visible: listHeading.visible && !states.active && names.count > 0
        color: Theme.listBackground

        ListView {
            id: names
            objectName: "ustadzList"
            anchors.fill: parent
            focus: !teachers.hasSelection && !states.active
            activeFocusOnTab: true
            clip: true
            reuseItems: true
            boundsBehavior: Flickable.StopAtBounds
            model: UstadzListModel {
                id: teacherModel
                library: teachers.content.library
            }
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Ustadz")
            Accessible.ignored: !visible
            onCountChanged: {
                if (currentIndex < 0 && count > 0)
                    currentIndex = 0;
            }
            Keys.onReturnPressed: openCurrent()
            Keys.onEnterPressed: openCurrent()
            function openCurrent() {
                if (currentIndex >= 0)
                    teachers.open(teacherModel.nameAt(currentIndex));
            }
            topMargin: 4
            bottomMargin: 4
            ScrollBar.vertical: ScrollBar {
                policy: ScrollBar.AsNeeded
                Accessible.ignored: true
            }

            delegate: Item {
                id: teacherRow

                required property int index
                required property string name
                required property string countText
                readonly property string shownName: name.length > 0 ? name : qsTr("Tidak diketahui")

                width: names.width
                height: 48

                Accessible.role: Accessible.Button
                Accessible.name: shownName + ", " + countText
                Accessible.focusable: true
                Accessible.ignored: !visible
                Accessible.onPressAction: teachers.open(teacherRow.name)

                MouseArea {
                    anchors.fill: parent
                    onClicked: {
                        names.currentIndex = teacherRow.index;
                        teachers.open(teacherRow.name);
                    }
                }

                Rectangle {
                    // the keyboard's place in the list
                    anchors.fill: parent
                    visible: teacherRow.activeFocus
                    color: "transparent"
                    border.width: 2
                    border.color: Theme.green
                }

                Row {
                    x: 20
                    width: parent.width - 40
                    height: parent.height
                    spacing: 12

                    Icon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "circle-user"
                        size: 20
                        color: Theme.green
                    }

                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.width - 20 - count.width - 2 * parent.spacing
                        // lectures without a teacher are grouped under an empty name
                        text: teacherRow.shownName
                        elide: Text.ElideRight
                        font.family: Theme.fontFamily
                        font.weight: Font.Medium
                        font.pixelSize: 15
                        color: Theme.primaryText
                    }

                    Text {
                        id: count
                        anchors.verticalCenter: parent.verticalCenter
                        text: teacherRow.countText
                        font.family: Theme.fontFamily
                        font.pixelSize: 13
                        color: Theme.secondaryText
                    }
                }

                Rectangle {
                    anchors.bottom: parent.bottom
                    width: parent.width
                    height: 1
                    color: Theme.divider
                }
            }
        }
    }

    Column {
        anchors.fill: parent
        visible: teachers.hasSelection && !states.active
        spacing: 12

        Row {
            id: header
            x: 20
            topPadding: 12
            spacing: 8

            PlainButton {
                anchors.verticalCenter: parent.verticalCenter
                iconName: "chevron-left"
                iconSize: 16
                iconColor: Theme.green
                accessibleName: qsTr("Kembali")
                onClicked: teachers.back()
            }

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: teachers.title
                font.family: Theme.fontFamily
                font.weight: Font.Bold
                font.pixelSize: 18
                color: Theme.primaryText
            }
        }

        EmptyState {
            width: parent.width
            height: parent.height - header.height - parent.spacing
            visible: lectures.view.count === 0
            iconName: "circle-user"
            text: qsTr("Tidak ada kajian dari ustadz ini")
        }

        TrackList {
            id: lectures
            objectName: "teacherTracks"
            visible: view.count > 0
            focus: teachers.hasSelection && !states.active
            accessibleName: teachers.title
            width: parent.width
            height: parent.height - header.height - parent.spacing
            controller: screenTracks
        }
    }
}
