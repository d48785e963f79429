pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// The list of lectures of a screen, over the screen's ScreenTracks, on its dark
// background. Rows are made only near the visible area and reused while scrolling.
// With the keyboard: one Tab stop; Up/Down, Page Up/Down and Home/End move the current
// row (kept in view), Enter plays it as a click does.
FocusScope {
    id: root

    required property ScreenTracks controller
    // Track id to centre when the list appears (undefined: stay at the top).
    property var scrollToTrackId
    property string accessibleName: qsTr("Daftar kajian")
    // Track ids (numbers) whose last download failed ("Unduh semua bagian").
    property var failedIds: []
    readonly property alias view: list

    function scrollToTarget() {
        if (scrollToTrackId === undefined || scrollToTrackId === null)
            return;
        const row = controller.rowOfTrackId(scrollToTrackId);
        if (row >= 0) {
            list.currentIndex = row;
            list.positionViewAtIndex(row, ListView.Center);
        }
    }

    function moveCurrent(row: int) {
        if (list.count === 0)
            return;
        list.currentIndex = Math.max(0, Math.min(list.count - 1, row));
        list.positionViewAtIndex(list.currentIndex, ListView.Contain);
    }

    function playRow(row: int) {
        list.currentIndex = row;
        controller.playRow(row);
    }

    // The rows may arrive after the list is shown (the library loads): the target is
    // brought into view when they first do.
    property bool hadRows: false

    Rectangle {
        anchors.fill: parent
        color: Theme.listBackground
    }

    ListView {
        id: list
        anchors.fill: parent
        focus: true
        activeFocusOnTab: true
        clip: true
        reuseItems: true
        boundsBehavior: Flickable.StopAtBounds
        model: root.controller.model
        topMargin: 4
        bottomMargin: 4
        // The rows' own height, so Page Up/Down move by what is on screen.
        readonly property int pageRows: Math.max(1, Math.floor(height / 62))

        Accessible.role: Accessible.List
        Accessible.name: root.accessibleName
        Accessible.ignored: !visible

        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
            // the list's own keys move through it; a hidden bar would only be noise
            Accessible.ignored: true
        }

        Keys.onPressed: event => {
            switch (event.key) {
            case Qt.Key_PageUp:
                root.moveCurrent(list.currentIndex - list.pageRows);
                break;
            case Qt.Key_PageDown:
                root.moveCurrent(list.currentIndex + list.pageRows);
                break;
            case Qt.Key_Home:
                root.moveCurrent(0);
                break;
            case Qt.Key_End:
                root.moveCurrent(list.count - 1);
                break;
            case Qt.Key_Return:
            case Qt.Key_Enter:
                if (list.currentIndex >= 0)
                    root.playRow(list.currentIndex);
                break;
            // "Tandai selesai" / "Tandai belum selesai" for the current row.
            case Qt.Key_S:
                if (event.modifiers !== Qt.NoModifier || list.currentIndex < 0)
                    return;
                root.controller.toggleFinishedRow(list.currentIndex);
                break;
            // The row's menu.
            case Qt.Key_Menu:
            case Qt.Key_F10:
                if ((event.key === Qt.Key_F10 && event.modifiers !== Qt.ShiftModifier) || !list.currentItem)
                    return;
                (list.currentItem as TrackRow).openMenu(0, (list.currentItem as TrackRow).contentHeight);
                break;
            default:
                return;
            }
            event.accepted = true;
        }

        onCountChanged: {
            // Rows that arrive after the list was made: the first is current, so the
            // keyboard has a visible place at once.
            if (currentIndex < 0 && count > 0)
                currentIndex = 0;
            if (!root.hadRows && count > 0) {
                root.hadRows = true;
                root.scrollToTarget();
            }
        }

        delegate: TrackRow {
            downloadFailed: root.failedIds.length > 0 && root.failedIds.indexOf(trackId) >= 0
            removesDownload: root.controller.removesDownload
            onPlay: root.playRow(index)
            onDownload: root.controller.downloadRow(index)
            onToggleFinished: root.controller.toggleFinishedRow(index)
        }
    }

    Component.onCompleted: {
        hadRows = list.count > 0;
        scrollToTarget();
    }
    onScrollToTrackIdChanged: scrollToTarget()
}
