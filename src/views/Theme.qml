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

    readonly property string fontFamily: "Manrope"

    function withAlpha(c: color, alpha: real): color {
        return Qt.rgba(c.r, c.g, c.b, alpha)
    }
}
