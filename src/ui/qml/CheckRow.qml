import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// A checkbox with its label, the box filled with the accent when checked.
Item {
    id: check
    property string text
    property bool checked
    signal toggled(bool value)

    implicitHeight: Math.max(box.height, label.implicitHeight)

    activeFocusOnTab: true
    Keys.onSpacePressed: toggled(!checked)
    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.focusable: true
    Accessible.onPressAction: toggled(!checked)
    Accessible.onToggleAction: toggled(!checked)

    FocusRing { target: check; cornerRadius: 3 }

    Rectangle {
        id: box
        objectName: "checkBox"
        anchors.verticalCenter: parent.verticalCenter
        width: 14
        height: 14
        radius: 3
        color: check.checked ? Colors.primary : Colors.textBackground
        border.width: check.checked ? 0 : 1
        border.color: Colors.alpha(Colors.label, 0.3)

        Image {
            anchors.centerIn: parent
            visible: check.checked
            source: Colors.icon("checkmark", Qt.rgba(1, 1, 1, 1))
            sourceSize: Qt.size(10, 10)
        }
    }

    Text {
        id: label
        anchors.left: box.right
        anchors.leftMargin: 6
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        text: check.text
        font.pixelSize: 11
        color: Colors.label
        elide: Text.ElideRight
    }

    MouseArea {
        objectName: "checkMouse"
        anchors.fill: parent
        onClicked: check.toggled(!check.checked)
    }
}
