import QtQuick
import Kivotra.Ui

// How the output canvas is sized under the panel's parameters.
Rectangle {
    id: tip
    property alias text: label.text

    implicitHeight: label.implicitHeight + 16
    radius: 8
    color: Colors.alpha(Colors.soft, 0.7)

    Text {
        id: label
        objectName: "tipText"
        x: 10
        y: 8
        width: parent.width - 20
        font.pixelSize: 10
        lineHeightMode: Text.FixedHeight
        lineHeight: 16
        wrapMode: Text.Wrap
        color: Colors.secondaryLabel
    }
}
