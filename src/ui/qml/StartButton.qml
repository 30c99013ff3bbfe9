import QtQuick
import QtQuick.Shapes
import Kivotra.Ui

// "开始压缩" on the accent gradient; while the queue runs, "取消压缩" on red,
// which stops the whole queue.
Item {
    id: button
    objectName: "startButton"
    required property var summary
    property bool isButtonHover: false

    implicitHeight: 70

    activeFocusOnTab: true
    Keys.onSpacePressed: if (enabled) summary.pressStart()
    Keys.onReturnPressed: if (enabled) summary.pressStart()
    Keys.onEnterPressed: if (enabled) summary.pressStart()
    Accessible.role: Accessible.Button
    Accessible.name: summary.startTitle
    Accessible.focusable: true
    Accessible.onPressAction: if (enabled) summary.pressStart()

    FocusRing { target: button; cornerRadius: 14 }
    enabled: summary.startEnabled
    opacity: summary.startOpacity
    scale: summary.startScale(enabled, isButtonHover)
    Behavior on scale {
        SpringAnimation {
            spring: button.summary.springStrength
            damping: button.summary.springDamping
            epsilon: 0.0005
        }
    }

    SoftShadow {
        objectName: "startShadow"
        offsetY: button.summary.startShadowOffset(button.summary.isRunning, button.isButtonHover)
        blur: button.summary.startShadowRadius(button.summary.isRunning, button.isButtonHover)
        color: button.summary.startShadowColor(button.summary.isRunning, button.isButtonHover)
        cornerRadius: 14
    }

    // Drawn as one layer, so the hover scale moves a single picture (the
    // software renderer leaves seams between scaled rounded shapes).
    Item {
        anchors.fill: parent
        layer.enabled: true
        layer.smooth: true

        Shape {
            id: gradientFill
            objectName: "startGradient"
            anchors.fill: parent
            visible: !button.summary.isRunning
            readonly property real r: 14
            ShapePath {
                strokeWidth: -1
                fillGradient: LinearGradient {
                    x1: 0; y1: 0
                    x2: gradientFill.width; y2: gradientFill.height
                    GradientStop { position: 0; color: Colors.deep }
                    GradientStop { position: 0.5; color: Colors.primary }
                    GradientStop { position: 1; color: Colors.light }
                }
                startX: gradientFill.r; startY: 0
                PathLine { x: gradientFill.width - gradientFill.r; y: 0 }
                PathArc { x: gradientFill.width; y: gradientFill.r; radiusX: gradientFill.r; radiusY: gradientFill.r }
                PathLine { x: gradientFill.width; y: gradientFill.height - gradientFill.r }
                PathArc { x: gradientFill.width - gradientFill.r; y: gradientFill.height; radiusX: gradientFill.r; radiusY: gradientFill.r }
                PathLine { x: gradientFill.r; y: gradientFill.height }
                PathArc { x: 0; y: gradientFill.height - gradientFill.r; radiusX: gradientFill.r; radiusY: gradientFill.r }
                PathLine { x: 0; y: gradientFill.r }
                PathArc { x: gradientFill.r; y: 0; radiusX: gradientFill.r; radiusY: gradientFill.r }
            }
        }

        Rectangle {
            objectName: "startRedFill"
            anchors.fill: parent
            visible: button.summary.isRunning
            radius: 14
            color: button.summary.startFill
        }

        Rectangle {
            objectName: "startHighlight"
            anchors.fill: parent
            radius: 14
            color: "white"
            opacity: button.summary.startHighlight(button.isButtonHover)
        }

        Row {
            anchors.centerIn: parent
            spacing: 9
            Image {
                anchors.verticalCenter: parent.verticalCenter
                source: Colors.icon(button.summary.startIcon, Qt.rgba(1, 1, 1, 1))
                sourceSize: Qt.size(16, 16)
            }
            Text {
                objectName: "startTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: button.summary.startTitle
                font.pixelSize: 16
                font.bold: true
                font.letterSpacing: 2
                color: "white"
            }
        }
    }

    MouseArea {
        objectName: "startMouse"
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: button.enabled && containsMouse ? Qt.PointingHandCursor : Qt.ArrowCursor
        onContainsMouseChanged: button.isButtonHover = containsMouse
        onClicked: button.summary.pressStart()
    }
}
