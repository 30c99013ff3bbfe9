import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// A segmented picker: one segment per choice ({label, value}), the current
// value raised on a white segment.
Rectangle {
    id: picker
    property var choices: []
    property var currentValue
    signal activated(var value)
    // What a screen reader calls the picker, e.g. its block's title.
    property string accessibleName

    activeFocusOnTab: true
    Accessible.role: Accessible.List
    Accessible.name: accessibleName
    Accessible.focusable: true

    function step(by) {
        let at = -1
        for (let i = 0; i < choices.length; ++i)
            if (choices[i].value === currentValue) at = i
        const next = Math.max(0, Math.min(choices.length - 1, at + by))
        if (next !== at && choices.length > 0) activated(choices[next].value)
    }
    Keys.onLeftPressed: step(-1)
    Keys.onRightPressed: step(1)
    Keys.onUpPressed: step(-1)
    Keys.onDownPressed: step(1)

    FocusRing { target: picker; cornerRadius: picker.radius }

    implicitHeight: 22
    radius: 6
    color: Colors.alpha(Colors.label, 0.07)

    Row {
        id: segments
        anchors.fill: parent
        anchors.margins: 2

        Repeater {
            model: picker.choices
            delegate: Item {
                id: segment
                required property var modelData
                required property int index
                readonly property bool selected: modelData.value === picker.currentValue
                objectName: "segment_" + modelData.label
                width: segments.width / picker.choices.length
                height: segments.height
                Accessible.role: Accessible.RadioButton
                Accessible.name: modelData.label
                Accessible.checkable: true
                Accessible.checked: selected
                Accessible.onPressAction: picker.activated(modelData.value)

                // The divider between two unselected segments.
                Rectangle {
                    visible: segment.index > 0 && !segment.selected
                             && picker.choices[segment.index - 1].value !== picker.currentValue
                    width: 1
                    height: parent.height - 8
                    anchors.verticalCenter: parent.verticalCenter
                    color: Colors.alpha(Colors.label, 0.12)
                }

                Rectangle {
                    anchors.fill: parent
                    visible: segment.selected
                    radius: 5
                    color: Colors.raisedBackground
                    border.width: 0.5
                    border.color: Colors.alpha(Colors.label, 0.12)
                }

                Text {
                    anchors.centerIn: parent
                    text: segment.modelData.label
                    font.pixelSize: 11
                    font.weight: segment.selected ? Font.DemiBold : Font.Normal
                    color: segment.selected ? Colors.label : Colors.secondaryLabel
                }

                MouseArea {
                    anchors.fill: parent
                    onClicked: picker.activated(segment.modelData.value)
                }
            }
        }
    }
}
