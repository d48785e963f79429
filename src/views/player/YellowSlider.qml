import QtQuick
import QtQuick.Window
import Talvora

// The seek slider: a thin track with a white filled part and a round black thumb.
// Pressing anywhere on it moves the thumb under the pointer and follows the pointer;
// grabbing the thumb drags it from where it was grabbed. `moved` reports every new
// value while the pointer is down (the owner writes it back to `value`), `changed`
// reports the final value once, on release. `isEditing` is true from press to release.
// A press the system cancels (grab lost, window deactivated) ends editing with
// `cancelled` instead, so nothing seeks. Keys move the value the same way and report it
// once the keys rest for `keyPause` ms, so a held key seeks once, not on every repeat.
Item {
    id: slider

    property real value: 0
    property real from: 0
    property real to: 1
    readonly property alias isEditing: edit.editing

    // Steps in the slider's unit (seconds for the seek slider).
    property real step: 10
    property real pageStep: 60
    property int keyPause: 350
    // Read by screen readers, e.g. "1:23 dari 4:00".
    property string valueText: TimeText.formatted(value) + qsTr(" dari ") + TimeText.formatted(to)
    property color focusRingColor: Theme.green
    // A passage being repeated, drawn over the track: its start (A) and end (B) in the
    // slider's unit; -1 when not marked (a start alone shows as a tick).
    property real passageStart: -1
    property real passageEnd: -1

    signal moved(real value)
    signal changed(real value)
    signal cancelled

    readonly property real thumbSize: 18
    readonly property real usable: width - thumbSize
    // Width ≤ 18 or equal bounds would divide by zero: the thumb then rests at the start.
    readonly property real fraction: usable > 0 && to > from ? Math.max(0, Math.min(1, (value - from) / (to - from))) : 0
    // Whole device pixels: a 4 Hz position moves a long lecture's fill by a fraction of a
    // pixel, which would repaint the slider for no visible change.
    readonly property real fill: Math.round(Math.max(0, usable) * fraction * Screen.devicePixelRatio) / Screen.devicePixelRatio

    function valueAt(x: real): real {
        if (usable <= 0 || !(to > from))
            return from
        const clamped = Math.max(thumbSize / 2, Math.min(x, width - thumbSize / 2))
        const v = from + (clamped - thumbSize / 2) / usable * (to - from)
        return Math.max(from, Math.min(to, v))
    }

    function moveTo(v: real) {
        edit.lastValue = v
        slider.moved(v)
    }

    function begin() {
        edit.lastValue = slider.value
        edit.editing = true
    }

    function finish() {
        keyRest.stop()
        if (!edit.editing)
            return
        edit.editing = false
        slider.changed(edit.lastValue)
    }

    function cancel() {
        keyRest.stop()
        if (!edit.editing)
            return
        edit.editing = false
        slider.cancelled()
    }

    // Moves by `delta` (or to an end) from the value being edited, as a key does.
    function stepBy(delta: real) {
        if (!edit.editing)
            begin()
        moveTo(Math.max(from, Math.min(to, edit.lastValue + delta)))
        keyRest.restart()
    }

    // One seek right away, for a screen reader's increase and decrease actions.
    function jumpBy(delta: real) {
        stepBy(delta)
        finish()
    }

    implicitWidth: 200
    implicitHeight: 28

    activeFocusOnTab: true
    Accessible.role: Accessible.Slider
    Accessible.name: qsTr("Posisi pemutaran")
    Accessible.description: valueText
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onIncreaseAction: jumpBy(step)
    Accessible.onDecreaseAction: jumpBy(-step)

    // The window's skip keys must not take the slider's own arrows.
    Keys.onShortcutOverride: event => {
        event.accepted = [Qt.Key_Left, Qt.Key_Right, Qt.Key_PageUp, Qt.Key_PageDown, Qt.Key_Home, Qt.Key_End].includes(event.key)
    }
    Keys.onPressed: event => {
        const span = to - from
        switch (event.key) {
        case Qt.Key_Left:
            stepBy(-step)
            break
        case Qt.Key_Right:
            stepBy(step)
            break
        case Qt.Key_PageDown:
            stepBy(-pageStep)
            break
        case Qt.Key_PageUp:
            stepBy(pageStep)
            break
        case Qt.Key_Home:
            stepBy(-span)
            break
        case Qt.Key_End:
            stepBy(span)
            break
        default:
            return
        }
        event.accepted = true
    }
    onActiveFocusChanged: if (!activeFocus && keyRest.running) finish()

    // The window losing activation cancels a press, as a lost grab does.
    readonly property bool windowActive: Window.active
    onWindowActiveChanged: if (!windowActive && (area.pressed || thumbArea.pressed)) cancel()

    Timer {
        id: keyRest
        interval: slider.keyPause
        onTriggered: slider.finish()
    }

    QtObject {
        id: edit
        property bool editing: false
        property real lastValue: 0
    }

    Item {
        id: stack
        width: slider.width
        height: slider.thumbSize

        Rectangle {
            id: track
            y: (stack.height - height) / 2
            width: stack.width
            height: 6
            radius: 3
            color: Theme.withAlpha(Theme.gray, 0.4)
        }

        Rectangle {
            y: track.y
            width: slider.fill
            height: 6
            radius: 3
            color: "white"
        }

        Rectangle {
            id: passage
            objectName: "passageBand"
            readonly property real startX: slider.thumbSize / 2 + slider.usable * Math.max(0, Math.min(1, (slider.passageStart - slider.from) / Math.max(0.001, slider.to - slider.from)))
            readonly property real endX: slider.thumbSize / 2 + slider.usable * Math.max(0, Math.min(1, (slider.passageEnd - slider.from) / Math.max(0.001, slider.to - slider.from)))
            visible: slider.passageStart >= 0
            x: startX - 1
            y: track.y - 3
            width: slider.passageEnd >= 0 ? Math.max(2, endX - startX + 2) : 2
            height: track.height + 6
            radius: 2
            color: slider.passageEnd >= 0 ? Qt.rgba(0, 0, 0, 0.35) : "black"
            border.width: slider.passageEnd >= 0 ? 2 : 0
            border.color: "black"
        }

        MouseArea {
            id: area
            anchors.fill: parent
            preventStealing: true
            onPressed: mouse => {
                slider.begin()
                slider.moveTo(slider.valueAt(mouse.x))
            }
            onPositionChanged: mouse => {
                if (pressed)
                    slider.moveTo(slider.valueAt(mouse.x))
            }
            onReleased: slider.finish()
            onCanceled: slider.cancel()
        }

        Rectangle {
            // soft shadow under the thumb
            x: thumb.x - 1
            y: thumb.y
            width: slider.thumbSize + 2
            height: slider.thumbSize + 2
            radius: width / 2
            color: Qt.rgba(0, 0, 0, 0.3)
        }

        Rectangle {
            id: thumb
            x: slider.fill
            width: slider.thumbSize
            height: slider.thumbSize
            radius: width / 2
            color: "black"

            Rectangle {
                // the focus ring, clear of the thumb so it shows on any background
                anchors.centerIn: parent
                width: parent.width + 8
                height: width
                radius: width / 2
                visible: slider.activeFocus
                color: "transparent"
                border.width: 2
                border.color: slider.focusRingColor
            }

            MouseArea {
                id: thumbArea
                property real grabOffset: 0
                anchors.fill: parent
                preventStealing: true
                onPressed: mouse => {
                    grabOffset = mouse.x - slider.thumbSize / 2
                    slider.begin()
                }
                onPositionChanged: mouse => {
                    if (!pressed)
                        return
                    const x = thumbArea.mapToItem(slider, mouse.x, 0).x - grabOffset
                    slider.moveTo(slider.valueAt(x))
                }
                onReleased: slider.finish()
                onCanceled: slider.cancel()
            }
        }
    }
}
