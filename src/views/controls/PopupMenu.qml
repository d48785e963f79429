import QtQuick
import QtQuick.Templates as T
import Talvora

// A dark menu as wide as its widest item, so no item is cut, on the theme's menu colours.
T.Menu {
    id: control

    // The widest item decides the width (a plain menu keeps 200 and cuts longer items).
    readonly property real widestItem: {
        let widest = 0;
        for (let i = 0; i < count; ++i) {
            const item = itemAt(i);
            if (item)
                widest = Math.max(widest, item.implicitWidth);
        }
        return widest;
    }

    implicitWidth: Math.max(160, widestItem + leftPadding + rightPadding)
    implicitHeight: contentHeight + topPadding + bottomPadding
    padding: 4
    margins: 4
    overlap: 1

    contentItem: ListView {
        implicitHeight: contentHeight
        model: control.contentModel
        interactive: Window.window ? contentHeight + control.topPadding + control.bottomPadding > Window.window.height : false
        clip: true
        currentIndex: control.currentIndex
    }

    background: Rectangle {
        radius: 8
        color: Theme.menuBackground
        border.width: 1
        border.color: Theme.menuBorder
    }
}
