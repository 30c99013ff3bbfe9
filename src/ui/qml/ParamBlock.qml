import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// A labelled block of the parameter panel: title, optional note, then the control.
ColumnLayout {
    id: block
    property string title
    property string note
    default property alias content: holder.data

    spacing: 6

    RowLayout {
        spacing: 5
        Text {
            text: block.title
            font.pixelSize: 12
            font.weight: Font.Medium
            color: Colors.alpha(Colors.label, 0.8)
        }
        Text {
            objectName: "blockNote"
            visible: block.note !== ""
            text: block.note
            font.pixelSize: 10
            color: Colors.tertiaryLabel
        }
    }

    ColumnLayout {
        id: holder
        spacing: 0
        Layout.fillWidth: true
    }
}
