pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// The list of lectures of a screen, over the screen's TrackListController, on its dark
// background. Rows are made only near the visible area and reused while scrolling.
Rectangle {
    id: root

    required property TrackListController controller
    // Track id to centre when the list appears (undefined: stay at the top).
    property var scrollToTrackId
    readonly property alias view: list

    function scrollToTarget() {
        if (scrollToTrackId === undefined || scrollToTrackId === null)
            return;
        const row = controller.rowOfTrackId(scrollToTrackId);
        if (row >= 0)
            list.positionViewAtIndex(row, ListView.Center);
    }

    // The rows may arrive after the list is shown (the library loads): the target is
    // brought into view when they first do.
    property bool hadRows: false

    color: Theme.listBackground

    ListView {
        id: list
        anchors.fill: parent
        clip: true
        reuseItems: true
        boundsBehavior: Flickable.StopAtBounds
        model: root.controller.model
        topMargin: 4
        bottomMargin: 4

        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        onCountChanged: {
            if (!root.hadRows && count > 0) {
                root.hadRows = true;
                root.scrollToTarget();
            }
        }

        delegate: TrackRow {
            removesDownload: root.controller.kind === TrackListController.StoredDownloads
            onPlay: root.controller.playRow(index)
            onDownload: root.controller.downloadRow(index)
        }
    }

    Component.onCompleted: {
        hadRows = list.count > 0;
        scrollToTarget();
    }
    onScrollToTrackIdChanged: scrollToTarget()
}
