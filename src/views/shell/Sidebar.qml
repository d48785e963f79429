pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Talvora

// The left column: the six screens, the search field while "Cari" is selected, and the
// footer with the program's name and the way to the floating mini player (which is there
// on desktops without a tray too).
Rectangle {
    id: sidebar

    required property LibraryViewModel library
    property string selection: "home"
    readonly property alias searchField: field

    // The screens in their order: key, label, icon.
    readonly property var items: [
        {
            key: "home",
            label: qsTr("Beranda"),
            icon: "house"
        },
        {
            key: "ustadz",
            label: qsTr("Ustadz"),
            icon: "users"
        },
        {
            key: "history",
            label: qsTr("Riwayat"),
            icon: "clock"
        },
        {
            key: "downloads",
            label: qsTr("Unduhan"),
            icon: "circle-arrow-down"
        },
        {
            key: "search",
            label: qsTr("Cari"),
            icon: "search"
        },
        {
            key: "notes",
            label: qsTr("Catatan"),
            icon: "notebook-pen"
        }
    ]

    signal selected(string key)
    signal miniPlayerRequested
    signal settingsRequested

    color: Qt.rgba(0.085, 0.085, 0.09, 1)

    Flickable {
        id: scroller
        anchors.top: parent.top
        anchors.bottom: offline.visible ? offline.top : searchBox.top
        width: parent.width
        contentHeight: rows.height + 12
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
            Accessible.ignored: true
        }

        Column {
            id: rows
            x: 8
            y: 12
            width: parent.width - 16
            spacing: 4

            Repeater {
                model: sidebar.items

                delegate: T.AbstractButton {
                    id: entry

                    required property var modelData
                    readonly property bool isSelected: sidebar.selection === modelData.key

                    width: rows.width
                    height: 42
                    objectName: "sidebar_" + modelData.key
                    // A Tab stop that a click does not take: the focus stays where it was.
                    focusPolicy: Qt.TabFocus
                    onClicked: sidebar.selected(entry.modelData.key)
                    Keys.onReturnPressed: entry.clicked()
                    Keys.onEnterPressed: entry.clicked()

                    // A toggle button that is pressed while its screen shows.
                    Accessible.role: Accessible.Button
                    Accessible.name: modelData.label
                    Accessible.checkable: true
                    Accessible.checked: isSelected
                    Accessible.onPressAction: entry.clicked()

                    leftInset: 8
                    rightInset: 8
                    topInset: 2
                    bottomInset: 2
                    background: Rectangle {
                        radius: 8
                        color: entry.isSelected ? Theme.withAlpha(Theme.green, 0.35) : "transparent"
                        border.width: entry.visualFocus ? 2 : 0
                        border.color: Theme.green
                    }

                    contentItem: Item {
                        Row {
                            x: 12
                            height: parent.height
                            spacing: 12

                            Item {
                                width: 22
                                height: 22
                                anchors.verticalCenter: parent.verticalCenter
                                Icon {
                                    anchors.centerIn: parent
                                    name: entry.modelData.icon
                                    size: 19
                                    color: Theme.green
                                }
                            }

                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: entry.modelData.label
                                font.family: Theme.fontFamily
                                font.pixelSize: 15
                                color: Theme.primaryText
                            }
                        }
                    }
                }
            }
        }
    }

    OfflineNotice {
        id: offline
        objectName: "offlineNotice"
        anchors.bottom: searchBox.top
        anchors.bottomMargin: 8
        anchors.horizontalCenter: parent.horizontalCenter
        library: sidebar.library
    }

    Item {
        id: searchBox
        anchors.bottom: footer.top
        width: parent.width
        height: visible ? field.height + 20 : 0
        visible: sidebar.selection === "search"

        TextField {
            id: field
            objectName: "searchField"
            x: 12
            y: 12
            width: parent.width - 24
            // The prompt wraps inside the field instead of being cut at the sidebar's width.
            height: Math.max(implicitHeight, prompt.implicitHeight + topPadding + bottomPadding)
            color: Theme.primaryText
            selectionColor: Theme.withAlpha(Theme.green, 0.5)
            font.family: Theme.fontFamily
            font.pixelSize: 16
            leftPadding: 8
            rightPadding: 8
            topPadding: 5
            bottomPadding: 5
            text: sidebar.library.searchText
            onTextEdited: sidebar.library.searchText = text
            Accessible.name: qsTr("Cari")
            Accessible.description: prompt.text
            Accessible.ignored: !visible

            Text {
                id: prompt
                objectName: "searchPrompt"
                x: field.leftPadding
                y: (field.height - height) / 2
                width: field.width - field.leftPadding - field.rightPadding
                visible: field.length === 0 && field.preeditText.length === 0
                text: qsTr("Cari kajian, ustadz, atau topik...")
                wrapMode: Text.Wrap
                font.family: Theme.fontFamily
                font.pixelSize: 14
                color: Theme.secondaryText
                Accessible.ignored: true
            }

            background: Rectangle {
                radius: 6
                color: Theme.fieldBackground
                border.width: 1
                border.color: field.activeFocus ? Theme.withAlpha(Theme.green, 0.8) : Qt.rgba(1, 1, 1, 0.15)
            }
        }
    }

    Rectangle {
        id: footer
        anchors.bottom: parent.bottom
        width: parent.width
        height: footerColumn.height + 24
        color: Qt.rgba(0, 0, 0, 0.25)

        Column {
            id: footerColumn
            x: 16
            y: 12
            width: parent.width - 32
            spacing: 2

            Item {
                // the name with a soft glow of its own colour around it
                width: brand.implicitWidth
                height: brand.implicitHeight

                Repeater {
                    model: 8
                    Text {
                        required property int index
                        x: 2 * Math.cos(index * Math.PI / 4)
                        y: 2 * Math.sin(index * Math.PI / 4)
                        text: brand.text
                        font: brand.font
                        color: Theme.withAlpha(Theme.brand, 0.18)
                    }
                }

                Text {
                    id: brand
                    text: "Talvora"
                    font.family: Theme.fontFamily
                    font.weight: Font.Bold
                    font.pixelSize: 26
                    color: Theme.brand
                }
            }

            Row {
                spacing: 2
                Text {
                    text: qsTr("Dibuat oleh ")
                    font.family: Theme.fontFamily
                    font.pixelSize: 13
                    color: Qt.rgba(1, 1, 1, 0.55)
                }
                Text {
                    text: "Tim Talvora"
                    font.family: Theme.fontFamily
                    font.weight: Font.Bold
                    font.pixelSize: 13
                    color: "white"
                }
            }

            Item {
                width: 1
                height: 8
            }

            // Side by side where the sidebar is wide enough, one under the other where not.
            Flow {
                width: parent.width
                spacing: 6
                BorderedButton {
                    objectName: "miniPlayerButton"
                    text: qsTr("Mini Player")
                    onClicked: sidebar.miniPlayerRequested()
                }
                BorderedButton {
                    objectName: "settingsButton"
                    text: qsTr("Pengaturan")
                    onClicked: sidebar.settingsRequested()
                }
            }
        }
    }
}
