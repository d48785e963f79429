pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Talvora

// "Jeda saat waktu shalat" in the settings: the switch, the place (a city of the shipped list
// found by typing, or coordinates), the authority's method, playing on by itself, and
// today's times for the chosen place. One section; the settings sheet stacks it with others.
Column {
    id: section

    required property PrayerPause prayerPause
    readonly property var resumeChoices: [0, 10, 15, 20]

    spacing: 10
    width: 520

    component Label: Text {
        font.family: Theme.fontFamily
        font.pixelSize: 13
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
    }

    component Field: TextField {
        id: field
        placeholderTextColor: Theme.secondaryText
        color: Theme.primaryText
        selectionColor: Theme.withAlpha(Theme.green, 0.5)
        font.family: Theme.fontFamily
        font.pixelSize: 14
        leftPadding: 8
        rightPadding: 8
        topPadding: 5
        bottomPadding: 5
        background: Rectangle {
            radius: 6
            color: Theme.fieldBackground
            border.width: field.activeFocus ? 2 : 1
            border.color: field.activeFocus ? Theme.green : Qt.rgba(1, 1, 1, 0.15)
        }
    }

    component Choice: ComboBox {
        id: choice
        width: 260
        font.family: Theme.fontFamily
        font.pixelSize: 13
        palette.buttonText: Theme.primaryText
        palette.text: Theme.primaryText
        palette.window: "#2a2a2a"
        palette.light: "#2a2a2a"
        palette.highlight: Theme.withAlpha(Theme.green, 0.6)
        palette.highlightedText: Theme.primaryText
        background: Rectangle {
            implicitWidth: 260
            implicitHeight: 32
            radius: 6
            color: Theme.fieldBackground
            border.width: choice.visualFocus ? 2 : 1
            border.color: choice.visualFocus ? Theme.green : Qt.rgba(1, 1, 1, 0.15)
        }
    }

    Text {
        text: qsTr("Jeda saat waktu shalat")
        font.family: Theme.fontFamily
        font.weight: Font.Bold
        font.pixelSize: 16
        color: Theme.primaryText
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    Label {
        width: section.width
        text: qsTr("Pada tiap waktu shalat, kajian yang sedang diputar dipelankan lalu dijeda, dan tempatnya disimpan.")
    }

    Switch {
        id: enabledSwitch
        objectName: "prayerPauseSwitch"
        text: qsTr("Jeda kajian saat waktu shalat")
        checked: section.prayerPause.enabled
        onToggled: {
            section.prayerPause.enabled = checked;
            checked = Qt.binding(() => section.prayerPause.enabled);
        }
        font.family: Theme.fontFamily
        Accessible.name: text
        indicator: Rectangle {
            x: enabledSwitch.leftPadding
            anchors.verticalCenter: parent.verticalCenter
            implicitWidth: 38
            implicitHeight: 20
            radius: 10
            color: enabledSwitch.checked ? Theme.green : Qt.rgba(1, 1, 1, 0.15)
            border.width: enabledSwitch.visualFocus ? 2 : 0
            border.color: Theme.primaryText
            Rectangle {
                x: enabledSwitch.checked ? parent.width - width - 3 : 3
                anchors.verticalCenter: parent.verticalCenter
                width: 14
                height: 14
                radius: 7
                color: Theme.primaryText
            }
        }
        contentItem: Text {
            leftPadding: enabledSwitch.indicator.width + enabledSwitch.spacing
            verticalAlignment: Text.AlignVCenter
            text: enabledSwitch.text
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.primaryText
        }
        Accessible.onToggleAction: section.prayerPause.enabled = !section.prayerPause.enabled
        Accessible.onPressAction: section.prayerPause.enabled = !section.prayerPause.enabled
    }

    Label {
        objectName: "prayerPlace"
        width: section.width
        color: section.prayerPause.hasPlace ? Theme.primaryText : Theme.secondaryText
        text: section.prayerPause.hasPlace ? qsTr("Tempat: %1").arg(section.prayerPause.placeName)
                                           : qsTr("Belum ada tempat: pilih kota atau isi koordinat.")
    }

    Field {
        id: citySearch
        objectName: "citySearch"
        width: section.width
        placeholderText: qsTr("Cari kota...")
        onTextEdited: cities.filter = text
        Accessible.name: qsTr("Cari kota")
        Keys.onDownPressed: cityList.forceActiveFocus()
    }

    ListView {
        id: cityList
        objectName: "cityList"
        width: section.width
        height: 132
        clip: true
        keyNavigationEnabled: true
        activeFocusOnTab: true
        boundsBehavior: Flickable.StopAtBounds
        model: CityListModel {
            id: cities
        }
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Daftar kota")

        Text {
            anchors.centerIn: parent
            visible: cityList.count === 0
            text: qsTr("Tidak ada kota yang cocok")
            font.family: Theme.fontFamily
            font.pixelSize: 13
            color: Theme.secondaryText
        }

        delegate: Rectangle {
            id: row
            required property int index
            required property string name
            required property string province
            required property string country
            required property real latitude
            required property real longitude
            readonly property bool chosen: section.prayerPause.placeName === name

            function choose() {
                section.prayerPause.chooseCity(name, latitude, longitude, country);
            }

            width: ListView.view.width
            height: 26
            radius: 4
            color: chosen ? Theme.withAlpha(Theme.green, 0.3)
                  : hover.hovered ? Qt.rgba(1, 1, 1, 0.08) : "transparent"
            border.width: row.ListView.isCurrentItem && cityList.activeFocus ? 2 : 0
            border.color: Theme.green

            Text {
                x: 8
                anchors.verticalCenter: parent.verticalCenter
                text: row.name + "  ·  " + row.province
                font.family: Theme.fontFamily
                font.pixelSize: 13
                color: Theme.primaryText
            }
            HoverHandler { id: hover }
            TapHandler { onTapped: row.choose() }
            Keys.onReturnPressed: choose()
            Keys.onSpacePressed: choose()
            Accessible.role: Accessible.ListItem
            Accessible.name: name + ", " + province
            Accessible.selected: chosen
            Accessible.onPressAction: choose()
        }
    }

    Row {
        spacing: 8

        Field {
            id: latitudeField
            objectName: "latitudeField"
            width: 130
            placeholderText: qsTr("Lintang")
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Lintang")
        }
        Field {
            id: longitudeField
            objectName: "longitudeField"
            width: 130
            placeholderText: qsTr("Bujur")
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Bujur")
            onAccepted: useCoordinates.clicked()
        }
        BorderedButton {
            id: useCoordinates
            objectName: "useCoordinates"
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Pakai koordinat")
            onClicked: {
                const lat = Number(latitudeField.text.replace(",", "."));
                const lon = Number(longitudeField.text.replace(",", "."));
                const ok = latitudeField.text.trim() !== "" && longitudeField.text.trim() !== ""
                        && section.prayerPause.chooseCoordinates(lat, lon);
                coordinateError.visible = !ok;
            }
        }
    }

    Label {
        id: coordinateError
        objectName: "coordinateError"
        visible: false
        color: Theme.red
        text: qsTr("Koordinat tidak sah: lintang -90 sampai 90, bujur -180 sampai 180.")
    }

    Row {
        spacing: 12
        Label {
            width: 150
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Metode perhitungan")
        }
        Choice {
            objectName: "authorityChoice"
            model: section.prayerPause.authorityNames
            currentIndex: section.prayerPause.authority
            onActivated: index => section.prayerPause.authority = index
            Accessible.name: qsTr("Metode perhitungan")
        }
    }

    Row {
        spacing: 12
        Label {
            width: 150
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Putar lagi sendiri")
        }
        Choice {
            objectName: "resumeChoice"
            model: [qsTr("Tidak"), qsTr("Setelah 10 menit"), qsTr("Setelah 15 menit"), qsTr("Setelah 20 menit")]
            currentIndex: Math.max(0, section.resumeChoices.indexOf(section.prayerPause.resumeAfterMinutes))
            onActivated: index => section.prayerPause.resumeAfterMinutes = section.resumeChoices[index]
            Accessible.name: qsTr("Putar lagi sendiri")
        }
    }

    Label {
        objectName: "todayTimes"
        width: section.width
        visible: section.prayerPause.hasPlace
        color: Theme.primaryText
        text: qsTr("Hari ini: %1").arg(section.prayerPause.todayText)
    }
}
