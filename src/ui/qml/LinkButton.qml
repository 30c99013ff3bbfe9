import QtQuick
import Kivotra.Ui

// A word in the accent colour that acts like a link.
Text {
    id: link
    signal clicked()

    font.pixelSize: 11
    font.underline: mouse.containsMouse
    color: Colors.primary

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: link.clicked()
    }
}
