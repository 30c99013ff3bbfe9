import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Kivotra.Ui

Item {
    id: zone
    required property var viewModel
    signal pickRequested()

    readonly property bool isTargeted: dropArea.containsDrag
    property bool isDropHover: false
    property bool isPickHover: false

    opacity: viewModel.dropZoneOpacity

    Rectangle {
        objectName: "dropZoneBackground"
        anchors.fill: parent
        radius: 12
        color: zone.isTargeted ? Colors.soft
             : zone.isDropHover ? Colors.alpha(Colors.soft, 0.55)
             : Colors.controlBackground
        Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
    }

    // Dashed inner border: the stroke runs 0.75 inside the edge so all 1.5 of it lies within the zone.
    Shape {
        id: border
        anchors.fill: parent
        readonly property real inset: 0.75
        readonly property real r: 12 - inset
        ShapePath {
            objectName: "dropZoneBorder"
            fillColor: "transparent"
            strokeWidth: 1.5
            strokeStyle: ShapePath.DashLine
            dashPattern: [6 / 1.5, 4 / 1.5]
            strokeColor: zone.isTargeted ? Colors.primary
                       : zone.isDropHover ? Colors.alpha(Colors.primary, 0.55)
                       : Colors.separator
            startX: border.inset + border.r; startY: border.inset
            PathLine { x: border.width - border.inset - border.r; y: border.inset }
            PathArc { x: border.width - border.inset; y: border.inset + border.r; radiusX: border.r; radiusY: border.r }
            PathLine { x: border.width - border.inset; y: border.height - border.inset - border.r }
            PathArc { x: border.width - border.inset - border.r; y: border.height - border.inset; radiusX: border.r; radiusY: border.r }
            PathLine { x: border.inset + border.r; y: border.height - border.inset }
            PathArc { x: border.inset; y: border.height - border.inset - border.r; radiusX: border.r; radiusY: border.r }
            PathLine { x: border.inset; y: border.inset + border.r }
            PathArc { x: border.inset + border.r; y: border.inset; radiusX: border.r; radiusY: border.r }
        }
    }

    MouseArea {
        id: zoneMouse
        objectName: "dropZoneMouse"
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: zone.isDropHover ? Qt.PointingHandCursor : Qt.ArrowCursor
        onContainsMouseChanged: if (!zone.viewModel.listFull) zone.isDropHover = containsMouse
        onClicked: if (!zone.viewModel.listFull) zone.pickRequested()

        RowLayout {
            anchors.centerIn: parent
            spacing: 20

            Image {
                objectName: "dropIcon"
                source: Colors.gradientIcon("drop-doc")
                sourceSize: Qt.size(50, 50)
                Layout.preferredWidth: 50
                Layout.preferredHeight: 50
            }

            ColumnLayout {
                spacing: 8
                Text {
                    text: qsTr("拖入 MOV / MP4 文件")
                    font.pixelSize: 16
                    font.weight: Font.DemiBold
                    color: Colors.label
                }
                RowLayout {
                    spacing: 6
                    Text {
                        objectName: "dropHint"
                        text: zone.viewModel.dropHint
                        font.pixelSize: 12
                        color: Colors.secondaryLabel
                    }
                    Rectangle {
                        id: pickButton
                        objectName: "pickButton"
                        visible: !zone.viewModel.listFull
                        implicitWidth: pickLabel.implicitWidth + 14
                        implicitHeight: pickLabel.implicitHeight + 6
                        radius: 5
                        color: Colors.alpha(Colors.primary, zone.isPickHover ? 0.12 : 0)
                        activeFocusOnTab: visible
                        Keys.onSpacePressed: zone.pickRequested()
                        Keys.onReturnPressed: zone.pickRequested()
                        Keys.onEnterPressed: zone.pickRequested()
                        Accessible.role: Accessible.Button
                        Accessible.name: pickLabel.text
                        Accessible.focusable: true
                        Accessible.onPressAction: zone.pickRequested()
                        FocusRing { target: pickButton; cornerRadius: 5 }
                        Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
                        Text {
                            id: pickLabel
                            anchors.centerIn: parent
                            text: qsTr("选择文件")
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: Colors.primary
                        }
                        MouseArea {
                            objectName: "pickButtonMouse"
                            anchors.fill: parent
                            hoverEnabled: true
                            cursorShape: Qt.PointingHandCursor
                            onContainsMouseChanged: zone.isPickHover = containsMouse
                            onClicked: zone.pickRequested()
                        }
                    }
                }
            }
        }
    }

    DropArea {
        id: dropArea
        objectName: "dropArea"
        anchors.fill: parent
        keys: ["text/uri-list"]
        onDropped: (drop) => {
            if (zone.viewModel.handleDrop(drop.urls))
                drop.accept(Qt.CopyAction)
            else
                drop.accepted = false
        }
    }
}
