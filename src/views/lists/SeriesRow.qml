import QtQuick
import Talvora

// One series on a teacher's page: its title, "24 bagian", how far the listener is ("7 dari
// 24 selesai") and "Lanjutkan seri". A click (or Enter in the list) opens its parts.
Item {
    id: row

    required property int index
    required property string title
    required property string partsText
    required property string progressText
    required property int series

    signal open
    signal continueSeries

    height: 56

    Accessible.role: Accessible.Button
    Accessible.name: qsTr("Seri %1, %2, %3").arg(title).arg(partsText).arg(progressText)
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onPressAction: row.open()

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        onClicked: {
            row.ListView.view.currentIndex = row.index;
            row.open();
        }
    }

    Rectangle {
        anchors.fill: parent
        color: mouse.containsMouse ? Theme.withAlpha(Theme.green, 0.25) : "transparent"
    }

    Rectangle {
        // the keyboard's place in the list
        anchors.fill: parent
        visible: row.activeFocus || (row.ListView.isCurrentItem && row.ListView.view.activeFocus)
        color: "transparent"
        border.width: 2
        border.color: Theme.green
    }

    Icon {
        id: glyph
        x: 20
        anchors.verticalCenter: parent.verticalCenter
        name: "list"
        size: 20
        color: Theme.green
    }

    Column {
        anchors.left: glyph.right
        anchors.leftMargin: 14
        anchors.right: continueButton.left
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            width: parent.width
            text: row.title
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.weight: Font.Medium
            font.pixelSize: 15
            color: Theme.primaryText
        }
        Text {
            width: parent.width
            text: row.partsText + "  ·  " + row.progressText
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: 13
            color: Theme.secondaryText
        }
    }

    BorderedButton {
        id: continueButton
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        focusPolicy: row.ListView.isCurrentItem ? Qt.TabFocus : Qt.NoFocus
        text: qsTr("Lanjutkan seri")
        onClicked: row.continueSeries()
    }

    Rectangle {
        x: 54
        anchors.bottom: parent.bottom
        width: parent.width - 54
        height: 1
        color: Theme.divider
    }
}
