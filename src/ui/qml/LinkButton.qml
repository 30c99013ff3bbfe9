import QtQuick
import Kivotra.Ui

// A word in the accent colour that acts like a link.
Text {
    id: link
    signal clicked()

    font.pixelSize: 11
    font.underline: mouse.containsMouse
    color: Colors.primary

    activeFocusOnTab: true
    Keys.onSpacePressed: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Accessible.role: Accessible.Link
    Accessible.name: text
    Accessible.focusable: true
    Accessible.onPressAction: clicked()

    FocusRing { target: link; cornerRadius: 2 }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: link.clicked()
    }
}
