import QtQuick

// The seek slider: a thin track with a white filled part and a round black thumb.
// Pressing anywhere on it moves the thumb under the pointer and follows the pointer;
// grabbing the thumb drags it from where it was grabbed. `moved` reports every new
// value while the pointer is down (the owner writes it back to `value`), `changed`
// reports the final value once, on release. `isEditing` is true from press to release.
Item {
    id: slider

    property real value: 0
    property real from: 0
    property real to: 1
    readonly property alias isEditing: edit.editing

    signal moved(real value)
    signal changed(real value)

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
        if (!edit.editing)
            return
        edit.editing = false
        slider.changed(edit.lastValue)
    }

    implicitWidth: 200
    implicitHeight: 28

    Accessible.role: Accessible.Slider
    Accessible.name: qsTr("Posisi pemutaran")

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
            onCanceled: slider.finish()
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
                onCanceled: slider.finish()
            }
        }
    }
}
