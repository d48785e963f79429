import QtQuick

// One vendored line icon, drawn at `size` in `color` (see IconProvider).
Image {
    id: icon

    property string name
    property color color: Theme.primaryText
    property int size: 20
    property bool filled: false

    function hex(c: color): string {
        const channel = v => {
            const s = Math.round(v * 255).toString(16)
            return s.length < 2 ? "0" + s : s
        }
        return channel(c.a) + channel(c.r) + channel(c.g) + channel(c.b)
    }

    width: size
    height: size
    sourceSize.width: size
    sourceSize.height: size
    fillMode: Image.PreserveAspectFit
    smooth: true
    source: name.length > 0 ? "image://icon/" + name + "/" + hex(color) + (filled ? "/fill" : "") : ""
}
