import QtQuick
import QtQuick.Controls
import Kivotra.Ui

// A 20-point round button holding one icon, as used for the card's edit and remove.
Rectangle {
    id: button
    property string iconName
    property real iconSize: 9
    property color iconColor
    property string tooltip
    readonly property bool hovered: mouse.containsMouse
    signal clicked()

    implicitWidth: 20
    implicitHeight: 20
    radius: 10
    // The icon says nothing to a screen reader: the tooltip, or this, is its name.
    property string accessibleName: tooltip

    activeFocusOnTab: true
    Keys.onSpacePressed: if (enabled) clicked()
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.description: tooltip
    Accessible.focusable: true
    Accessible.onPressAction: if (enabled) clicked()

    FocusRing { target: button; cornerRadius: button.radius }

    Image {
        anchors.centerIn: parent
        source: Colors.icon(button.iconName, button.iconColor)
        sourceSize: Qt.size(button.iconSize, button.iconSize)
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: button.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: button.clicked()
    }

    ToolTip.visible: tooltip !== "" && (hovered || activeFocus)
    ToolTip.text: tooltip
    ToolTip.delay: 700
}
