import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kivotra.Ui

// The size mode's field: every output (or the edited file's) stays under it.
RowLayout {
    id: row
    required property var panel

    spacing: 6

    Text {
        text: qsTr("每个不超过")
        font.pixelSize: 12
        color: Colors.secondaryLabel
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
                objectName: "sizeLimitField"
                Layout.preferredWidth: 52
                padding: 0
                background: null
                horizontalAlignment: TextInput.AlignRight
                font.pixelSize: 13
                font.bold: true
                color: Colors.label
                selectByMouse: true
                text: row.panel.sizeLimitText
                onEditingFinished: {
                    row.panel.setSizeLimitText(text)
                    // Back to the stored value when the text was refused.
                    text = Qt.binding(() => row.panel.sizeLimitText)
                }
            }
            Text {
                text: "MB"
                font.pixelSize: 10
                color: Colors.secondaryLabel
            }
        }
    }

    Item {
        Layout.fillWidth: true
    }
}
