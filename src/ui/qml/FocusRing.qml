import QtQuick
import Kivotra.Ui

// The accent ring drawn around a control that has the keyboard focus.
Rectangle {
    required property Item target
    property real cornerRadius: 6

    anchors.fill: parent
    anchors.margins: -3
    radius: cornerRadius + 3
    color: "transparent"
    border.width: 2
    border.color: Colors.alpha(Colors.primary, 0.7)
    visible: target.activeFocus
}
