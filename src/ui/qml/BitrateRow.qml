import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kivotra.Ui

// The bitrate slider and the number field beside it with its unit.
RowLayout {
    id: row
    required property var panel

    spacing: 10

    Slider {
        id: slider
        objectName: "bitrateSlider"
        Layout.fillWidth: true
        from: row.panel.sliderFrom
        to: row.panel.sliderTo
        stepSize: row.panel.sliderStep
        snapMode: Slider.SnapAlways
        Accessible.name: qsTr("视频码率")
        value: row.panel.settings.bitrateKbps
        // Every step is stored, so an edited file gets each value as it goes by.
        onMoved: row.panel.setBitrateFromSlider(value)

        background: Rectangle {
            x: slider.leftPadding
            y: slider.topPadding + slider.availableHeight / 2 - height / 2
            implicitWidth: 120
            implicitHeight: 4
            width: slider.availableWidth
            height: implicitHeight
            radius: 2
            color: Colors.alpha(Colors.label, 0.1)
            Rectangle {
                width: slider.visualPosition * parent.width
                height: parent.height
                radius: 2
                color: Colors.primary
            }
        }
        // Implicit sizes, so the layout gives the slider the handle's height to be pressed in.
        handle: Rectangle {
            x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
            y: slider.topPadding + slider.availableHeight / 2 - height / 2
            implicitWidth: 16
            implicitHeight: 16
            radius: 8
            color: slider.pressed ? "#f2f2f2" : "white"
            border.width: 0.5
            border.color: Colors.alpha(Colors.label, 0.25)
        }
    }

    Rectangle {
        implicitWidth: fieldRow.implicitWidth + 18
        implicitHeight: fieldRow.implicitHeight + 10
        radius: 7
        color: Colors.textBackground
        border.width: 1
        border.color: Colors.separator

        RowLayout {
            id: fieldRow
            anchors.centerIn: parent
            spacing: 3

            TextField {
                id: field
                objectName: "bitrateField"
                Layout.preferredWidth: 52
                padding: 0
                background: null
                horizontalAlignment: TextInput.AlignRight
                font.pixelSize: 13
                font.bold: true
                color: Colors.label
                selectByMouse: true
                Accessible.name: qsTr("视频码率（kbps）")
                text: row.panel.bitrateText
                // Stored as soon as it reads as a bitrate, so the summary follows the
                // typing and a start without Enter uses what the field shows.
                onTextEdited: row.panel.setBitrateText(text)
                // A text that is no bitrate when the editing ends puts back the one it started from.
                property int valueBeforeEditing
                onActiveFocusChanged: if (activeFocus) valueBeforeEditing = row.panel.settings.bitrateKbps
                onEditingFinished: {
                    if (!row.panel.setBitrateText(text))
                        row.panel.setBitrateText(String(valueBeforeEditing))
                    // Back to the stored value: a refused text, or 0 typed as "0".
                    text = Qt.binding(() => row.panel.bitrateText)
                    valueBeforeEditing = row.panel.settings.bitrateKbps
                }
            }
            Text {
                text: "kbps"
                font.pixelSize: 10
                color: Colors.secondaryLabel
            }
        }
    }
}
