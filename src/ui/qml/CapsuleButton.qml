import QtQuick
import QtQuick.Controls
import Kivotra.Ui

// A small word on a capsule, as in the edit header.
Rectangle {
    id: button
    property string text
    property real fontSize: 11
    property int fontWeight: Font.Normal
    property color textColor: Colors.primary
    property color fill: Colors.alpha(Colors.primary, 0.12)
    property real horizontalPadding: 8
    property string tooltip
    readonly property bool hovered: mouse.containsMouse
    signal clicked()

    implicitWidth: label.implicitWidth + 2 * horizontalPadding
    implicitHeight: label.implicitHeight + 6
    radius: height / 2
    color: fill

    activeFocusOnTab: true
    Keys.onSpacePressed: if (enabled) clicked()
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: tooltip
    Accessible.focusable: true
    Accessible.onPressAction: if (enabled) clicked()

    FocusRing { target: button; cornerRadius: button.radius }

    Text {
        id: label
        anchors.centerIn: parent
        text: button.text
        font.pixelSize: button.fontSize
        font.weight: button.fontWeight
        color: button.textColor
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()
    }

    ToolTip.visible: tooltip !== "" && (hovered || activeFocus)
    ToolTip.text: tooltip
    ToolTip.delay: 700
}
