import QtQuick
import QtQuick.Controls
import Kivotra.Ui

// A capsule with a small icon and a word, as used for the card's stop and reveal.
Rectangle {
    id: pill
    property string iconName
    property real iconSize: 11
    property string text
    property real horizontalPadding: 8
    property real restOpacity: 0.1
    property real hoverOpacity: 0.2
    property string tooltip
    readonly property bool hovered: mouse.containsMouse
    signal clicked()

    implicitWidth: row.implicitWidth + 2 * horizontalPadding
    implicitHeight: row.implicitHeight + 6
    radius: height / 2

    activeFocusOnTab: true
    Keys.onSpacePressed: if (enabled) clicked()
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: tooltip
    Accessible.focusable: true
    Accessible.onPressAction: if (enabled) clicked()

    FocusRing { target: pill; cornerRadius: pill.radius }
    color: Colors.alpha(Colors.primary, hovered ? hoverOpacity : restOpacity)

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 3
        Image {
            anchors.verticalCenter: parent.verticalCenter
            source: Colors.icon(pill.iconName, Colors.primary)
            sourceSize: Qt.size(pill.iconSize, pill.iconSize)
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: pill.text
            font.pixelSize: 11
            font.weight: Font.DemiBold
            color: Colors.primary
        }
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: pill.clicked()
    }

    ToolTip.visible: tooltip !== "" && (hovered || activeFocus)
    ToolTip.text: tooltip
    ToolTip.delay: 700
}
