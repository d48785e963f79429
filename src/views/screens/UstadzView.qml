pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Ustadz": every teacher of the library with the number of lectures; a teacher's row
// opens that teacher's page: the series first (each opens as its parts in order), then
// the single lectures, most viewed first, with a back control (or Escape).
FocusScope {
    id: teachers

    required property ContentView content

    function open(name: string) {
        selectedSeries = -1;
        selectedUstadz = name;
        if (seriesModel.count > 0)
            seriesList.forceActiveFocus();
        else
            lectures.forceActiveFocus();
    }

    function openSeries(series: int) {
        selectedSeries = series;
        parts.forceActiveFocus();
    }

    // Back to the list, on the teacher just left; from a series, back to its teacher.
    function back() {
        if (!hasSelection)
            return;
        if (selectedSeries >= 0) {
            selectedSeries = -1;
            seriesList.forceActiveFocus();
            return;
        }
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
    readonly property string teacherTitle: !hasSelection ? qsTr("Ustadz") : selectedUstadz.length > 0 ? selectedUstadz : qsTr("Tidak diketahui")
    // The open series of the chosen teacher (an index into the library's series), -1 none.
    property int selectedSeries: -1
    readonly property bool seriesOpen: hasSelection && selectedSeries >= 0
    readonly property string seriesTitle: seriesOpen ? seriesModel.currentTitle : ""
    readonly property string title: seriesOpen ? seriesTitle : teacherTitle

    Binding {
        target: teachers.content
        property: "windowTitle"
        value: teachers.title
    }

    readonly property TeacherTracks teacherTracks: content.screens.teacher(teachers)
    Binding {
        target: teachers.teacherTracks
        property: "ustadz"
        value: teachers.hasSelection ? teachers.selectedUstadz : ""
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

    readonly property SeriesTracks seriesTracks: content.screens.series(teachers)
    Binding {
        target: teachers.seriesTracks
        property: "series"
        value: teachers.selectedSeries
    }

    SeriesListModel {
        id: seriesModel
        library: teachers.content.library
        player: teachers.content.player
        ustadz: teachers.hasSelection ? teachers.selectedUstadz : ""
        current: teachers.selectedSeries
    }

    // "Unduh semua bagian" of the series last started here; it goes on while other pages show.
    SeriesDownload {
        id: seriesDownload
        readonly property bool shown: series >= 0 && series === teachers.selectedSeries
        downloads: teachers.content.downloads
        library: teachers.content.library
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
        visible: teachers.hasSelection && !states.active && !teachers.seriesOpen
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
                text: teachers.teacherTitle
                font.family: Theme.fontFamily
                font.weight: Font.Bold
                font.pixelSize: 18
                color: Theme.primaryText
            }
        }

        EmptyState {
            width: parent.width
            height: parent.height - header.height - parent.spacing
            visible: lectures.view.count === 0 && !seriesList.visible
            iconName: "circle-user"
            text: qsTr("Tidak ada kajian dari ustadz ini")
        }

        // The teacher's series: one Tab stop; Up/Down move, Enter opens.
        ListView {
            id: seriesList
            objectName: "teacherSeries"
            width: parent.width
            height: Math.min(contentHeight, parent.height * 0.45)
            visible: count > 0
            focus: teachers.hasSelection && count > 0
            activeFocusOnTab: true
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: seriesModel
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Seri")
            Accessible.ignored: !visible
            Keys.onReturnPressed: openCurrent()
            Keys.onEnterPressed: openCurrent()
            function openCurrent() {
                if (currentItem)
                    teachers.openSeries((currentItem as SeriesRow).series);
            }
            onCountChanged: {
                if (currentIndex < 0 && count > 0)
                    currentIndex = 0;
            }
            ScrollBar.vertical: ScrollBar {
                policy: ScrollBar.AsNeeded
                Accessible.ignored: true
            }
            delegate: SeriesRow {
                width: seriesList.width
                onOpen: teachers.openSeries(series)
                onContinueSeries: seriesModel.continueSeries(series)
            }
        }

        Text {
            id: singlesHeading
            x: 20
            visible: seriesList.visible
            text: qsTr("Kajian lainnya")
            font.family: Theme.fontFamily
            font.weight: Font.Bold
            font.pixelSize: 14
            color: Theme.secondaryText
        }

        TrackList {
            id: lectures
            objectName: "teacherTracks"
            visible: view.count > 0
            focus: teachers.hasSelection && !states.active && seriesModel.count === 0
            accessibleName: teachers.teacherTitle
            width: parent.width
            height: parent.height - header.height - parent.spacing - (seriesList.visible ? seriesList.height + singlesHeading.height + 2 * parent.spacing : 0)
            controller: teachers.teacherTracks
        }
    }

    Column {
        anchors.fill: parent
        visible: teachers.seriesOpen && !states.active
        spacing: 10

        Row {
            id: seriesHeader
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

            Column {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Text {
                    text: teachers.seriesTitle
                    font.family: Theme.fontFamily
                    font.weight: Font.Bold
                    font.pixelSize: 18
                    color: Theme.primaryText
                }
                Text {
                    objectName: "seriesProgress"
                    text: teachers.teacherTitle + "  ·  " + seriesModel.currentProgressText
                    font.family: Theme.fontFamily
                    font.pixelSize: 13
                    color: Theme.secondaryText
                }
            }
        }

        Row {
            id: seriesActions
            x: 20
            spacing: 10

            BorderedButton {
                objectName: "continueSeries"
                text: qsTr("Lanjutkan seri")
                onClicked: seriesModel.continueSeries(teachers.selectedSeries)
            }
            BorderedButton {
                objectName: "downloadSeries"
                text: seriesDownload.shown && seriesDownload.running ? qsTr("Batalkan unduhan seri") : qsTr("Unduh semua bagian")
                // One series at a time: another's run is cancelled by starting this one.
                onClicked: {
                    if (seriesDownload.shown && seriesDownload.running) {
                        seriesDownload.cancel();
                    } else {
                        seriesDownload.series = teachers.selectedSeries;
                        seriesDownload.start();
                    }
                }
            }
            Text {
                objectName: "seriesDownloadStatus"
                anchors.verticalCenter: parent.verticalCenter
                visible: seriesDownload.shown && text.length > 0
                text: seriesDownload.statusText + (seriesDownload.running ? "  (" + Math.floor(seriesDownload.progress * 100) + " %)" : "")
                font.family: Theme.fontFamily
                font.pixelSize: 13
                color: seriesDownload.failed > 0 && !seriesDownload.running ? Theme.red : Theme.secondaryText
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: !visible
            }
        }

        TrackList {
            id: parts
            objectName: "seriesTracks"
            focus: teachers.seriesOpen
            accessibleName: teachers.seriesTitle
            width: parent.width
            height: parent.height - seriesHeader.height - seriesActions.height - 2 * parent.spacing
            controller: teachers.seriesTracks
            failedIds: seriesDownload.shown ? seriesDownload.failedIds : []
        }
    }
}
