import QtQuick
import Kivotra.Ui

Rectangle {
    id: tag
    property string text
    property color tint

    implicitWidth: label.implicitWidth + 11
    implicitHeight: label.implicitHeight + 3
    radius: height / 2
    color: Colors.alpha(tint, 0.12)

    Text {
        id: label
        anchors.centerIn: parent
        text: tag.text
        color: tag.tint
        font.pixelSize: 9
        font.weight: Font.DemiBold
    }
}
