pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// The window's keys, in a sheet over the window (F1 or "?"); Escape closes it.
Popup {
    id: sheet

    readonly property var keys: [
        ["Tab / Shift+Tab", qsTr("Pindah antar bagian")],
        ["↑ / ↓", qsTr("Pilih kajian atau ustadz")],
        ["Page Up / Page Down", qsTr("Lompat satu halaman daftar")],
        ["Home / End", qsTr("Ke awal atau akhir daftar")],
        ["Enter", qsTr("Putar kajian atau buka ustadz")],
        ["Spasi", qsTr("Putar atau jeda")],
        ["← / →", qsTr("Mundur atau maju")],
        ["[ / ]", qsTr("Kecepatan lebih lambat atau lebih cepat")],
        ["Backspace", qsTr("Kecepatan normal")],
        ["N", qsTr("Catat momen ini")],
        ["T", qsTr("Pengatur waktu tidur")],
        ["Ctrl+1 … Ctrl+6", qsTr("Beranda, Ustadz, Riwayat, Unduhan, Cari, Catatan")],
        ["Ctrl+F", qsTr("Cari")],
        ["Esc", qsTr("Kembali ke daftar ustadz")],
        ["S", qsTr("Tandai selesai atau belum selesai")],
        ["Ctrl+,", qsTr("Pengaturan")],
        ["Ctrl+M", qsTr("Mini Player")],
        ["Ctrl+N", qsTr("Jendela baru")],
        ["Ctrl+Q", qsTr("Keluar")],
        ["F1 / ?", qsTr("Pintasan papan ketik")]
    ]

    anchors.centerIn: Overlay.overlay
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    background: Rectangle {
        radius: 12
        color: Qt.rgba(0.13, 0.13, 0.14, 1)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.15)
    }

    Column {
        spacing: 8
        Accessible.role: Accessible.Dialog
        Accessible.name: qsTr("Pintasan papan ketik")

        Text {
            text: qsTr("Pintasan papan ketik")
            font.family: Theme.fontFamily
            font.weight: Font.Bold
            font.pixelSize: 18
            color: Theme.primaryText
            bottomPadding: 6
        }

        Repeater {
            model: sheet.keys

            delegate: Row {
                id: line

                required property var modelData

                spacing: 16
                Accessible.role: Accessible.StaticText
                Accessible.name: modelData[0] + ": " + modelData[1]

                Text {
                    width: 170
                    text: line.modelData[0]
                    font.family: Theme.fontFamily
                    font.weight: Font.Medium
                    font.pixelSize: 14
                    color: Theme.green
                }
                Text {
                    text: line.modelData[1]
                    font.family: Theme.fontFamily
                    font.pixelSize: 14
                    color: Theme.primaryText
                }
            }
        }

        Text {
            text: qsTr("Esc untuk menutup")
            font.family: Theme.fontFamily
            font.pixelSize: 12
            color: Theme.secondaryText
            topPadding: 6
        }
    }
}
