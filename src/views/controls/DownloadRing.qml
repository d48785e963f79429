import QtQuick
import Talvora

// The received share of a download in flight as a green arc around the cancel glyph;
// a quarter arc when the size is unknown.
Canvas {
    id: ring

    property real progress: -1

    width: 20
    height: 20
    onProgressChanged: requestPaint()

    onPaint: {
        const ctx = getContext("2d")
        ctx.reset()
        const share = progress >= 0 ? Math.min(1, progress) : 0.25
        ctx.strokeStyle = Theme.green
        ctx.lineWidth = 2
        ctx.lineCap = "round"
        ctx.beginPath()
        const start = -Math.PI / 2
        ctx.arc(width / 2, height / 2, width / 2 - 1.7, start, start + Math.max(0.05, share) * 2 * Math.PI, false)
        ctx.stroke()
    }
}
