pragma Singleton
import QtQuick

// Colours, type and sizes of the dark main window.
QtObject {
    readonly property color windowBackground: Qt.rgba(0.06, 0.06, 0.06, 1)
    readonly property color listBackground: Qt.rgba(0, 0, 0, 0.2)
    readonly property color green: "#30d158"
    readonly property color barGreen: Qt.rgba(0.114, 0.725, 0.329, 1)
    readonly property color brand: Qt.rgba(0, 0.6, 0.2, 1)
    readonly property color primaryText: "#ffffff"
    readonly property color secondaryText: Qt.rgba(235 / 255, 235 / 255, 245 / 255, 0.6)
    readonly property color gray: "#8e8e93"
    readonly property color divider: Qt.rgba(0.557, 0.557, 0.576, 0.15)
    readonly property color red: "#ff453a"
    readonly property color fieldBackground: Qt.rgba(1, 1, 1, 0.08)

    // Menus (speed, sleep timer): light text on a dark card, the item under the pointer on
    // a green tint; a disabled item dimmed but still readable.
    readonly property color menuBackground: Qt.rgba(0.16, 0.16, 0.17, 1)
    readonly property color menuBorder: Qt.rgba(1, 1, 1, 0.14)
    readonly property color menuText: primaryText
    readonly property color menuDisabledText: Qt.rgba(1, 1, 1, 0.5)
    readonly property color menuHighlight: withAlpha(green, 0.25)
    readonly property color menuPressed: withAlpha(green, 0.4)

    // Text and icons on the green of the bar, the tray popup and the floating panel: black
    // (white on that green reads at 2.6:1); the quieter labels at 70 % (60 % reads at 4:1).
    readonly property color textOnGreen: "black"
    readonly property color textOnGreenSecondary: Qt.rgba(0, 0, 0, 0.75)
    readonly property color textOnGreenQuiet: Qt.rgba(0, 0, 0, 0.7)
    // The tray popup's own background, under its row of buttons.
    readonly property color popupBackground: Qt.rgba(0.17, 0.17, 0.17, 1)

    readonly property string fontFamily: "Manrope"

    function withAlpha(c: color, alpha: real): color {
        return Qt.rgba(c.r, c.g, c.b, alpha)
    }
}
