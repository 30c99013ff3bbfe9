import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// The estimated total, the saving and the detail line.
Rectangle {
    id: card
    required property var summary

    implicitHeight: rows.implicitHeight + 18
    radius: 9
    color: Colors.alpha(Colors.soft, 0.55)
    border.width: 1
    border.color: Colors.alpha(Colors.primary, 0.16)

    ColumnLayout {
        id: rows
        x: 12
        y: 9
        width: parent.width - 24
        spacing: 3

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Text {
                text: qsTr("预估压缩后总大小")
                font.pixelSize: 11
                font.weight: Font.Medium
                color: Colors.secondaryLabel
                Layout.alignment: Qt.AlignBaseline
            }
            Item {
                Layout.fillWidth: true
            }
            Text {
                objectName: "savingText"
                visible: text !== ""
                text: card.summary.savingText
                font.pixelSize: 10
                font.weight: card.summary.savingIsPercent ? Font.DemiBold : Font.Normal
                color: card.summary.savingIsPercent ? Colors.primary : Colors.tertiaryLabel
                Layout.alignment: Qt.AlignBaseline
            }
        }

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Text {
                objectName: "totalText"
                text: card.summary.totalText
                font.pixelSize: 22
                font.bold: true
                color: Colors.primary
                Layout.alignment: Qt.AlignBaseline
            }
            Text {
                objectName: "countLine"
                text: card.summary.countLine
                font.pixelSize: 10
                color: Colors.tertiaryLabel
                // Two lines at the narrowest pane rather than a cut-off bitrate.
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignBaseline
            }
        }
    }
}
