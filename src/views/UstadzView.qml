import QtQuick
import QtQuick.Controls
import Talvora

// "Ustadz": every teacher of the library with the number of lectures; a teacher's row
// opens that teacher's lectures, most viewed first, with a back control.
Item {
    id: ustadz

    required property LibraryViewModel library
    required property PlayerViewModel player
    required property Downloads downloads
    required property Store store

    // The chosen teacher, exactly as written in the lectures; null shows the list.
    property var selectedUstadz: null
    readonly property bool hasSelection: selectedUstadz !== null && selectedUstadz !== undefined
    readonly property string title: !hasSelection ? qsTr("Ustadz") : selectedUstadz.length > 0 ? selectedUstadz : qsTr("Tidak diketahui")

    TrackListController {
        id: screenTracks
        kind: TrackListController.Ustadz
        ustadz: ustadz.hasSelection ? ustadz.selectedUstadz : ""
        library: ustadz.library
        player: ustadz.player
        downloads: ustadz.downloads
        store: ustadz.store
    }

    Loader {
        anchors.fill: parent
        sourceComponent: ustadz.hasSelection ? teacherView : teacherList
    }

    Component {
        id: teacherList

        Rectangle {
            color: Theme.listBackground

            ListView {
                id: names
                objectName: "ustadzList"
                anchors.fill: parent
                clip: true
                reuseItems: true
                boundsBehavior: Flickable.StopAtBounds
                model: UstadzListModel {
                    library: ustadz.library
                }
                header: Item {
                    height: 4
                }
                footer: Item {
                    height: 4
                }
                ScrollBar.vertical: ScrollBar {
                    policy: ScrollBar.AsNeeded
                }

                delegate: Item {
                    id: teacherRow

                    required property string name
                    required property string countText

                    width: names.width
                    height: 48

                    Accessible.role: Accessible.Button
                    Accessible.name: name.length > 0 ? name : qsTr("Tidak diketahui")
                    Accessible.onPressAction: ustadz.selectedUstadz = name

                    MouseArea {
                        anchors.fill: parent
                        onClicked: ustadz.selectedUstadz = teacherRow.name
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
                            text: teacherRow.name.length > 0 ? teacherRow.name : qsTr("Tidak diketahui")
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
    }

    Component {
        id: teacherView

        Column {
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
                    onClicked: ustadz.selectedUstadz = null
                }

                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: ustadz.selectedUstadz.length > 0 ? ustadz.selectedUstadz : qsTr("Tidak diketahui")
                    font.family: Theme.fontFamily
                    font.weight: Font.Bold
                    font.pixelSize: 18
                    color: Theme.primaryText
                }
            }

            TrackList {
                objectName: "teacherTracks"
                width: parent.width
                height: parent.height - header.height - parent.spacing
                controller: screenTracks
            }
        }
    }
}
