import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// "压缩参数" normally; the edit header while a listed file is being edited.
Item {
    id: header
    required property var panel

    implicitHeight: panel.isEditing ? editHeader.implicitHeight : normalHeader.implicitHeight

    ColumnLayout {
        id: normalHeader
        objectName: "normalHeader"
        visible: !header.panel.isEditing
        width: parent.width
        spacing: 3

        Text {
            text: qsTr("压缩参数")
            font.pixelSize: 12
            font.weight: Font.DemiBold
            font.letterSpacing: 1.4
            color: Colors.secondaryLabel
        }
        Text {
            text: qsTr("点选左侧条目可为其单独设置")
            font.pixelSize: 9
            color: Colors.tertiaryLabel
        }
    }

    Rectangle {
        id: editHeader
        objectName: "editHeader"
        visible: header.panel.isEditing
        width: parent.width
        implicitHeight: lines.implicitHeight + 16
        radius: 8
        color: Colors.soft
        border.width: 1
        border.color: Colors.alpha(Colors.primary, 0.28)

        ColumnLayout {
            id: lines
            x: 10
            y: 8
            width: parent.width - 20
            spacing: 7

            RowLayout {
                spacing: 6
                Layout.fillWidth: true
                Image {
                    source: Colors.icon("sliders", Colors.primary)
                    sourceSize: Qt.size(10, 10)
                }
                Text {
                    text: qsTr("单独设置")
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.2
                    color: Colors.primary
                }
                Item {
                    Layout.fillWidth: true
                }
                CapsuleButton {
                    objectName: "followGlobalButton"
                    visible: header.panel.canFollowGlobal
                    text: qsTr("跟随全局")
                    fontSize: 10
                    fontWeight: Font.Medium
                    textColor: Colors.secondaryLabel
                    fill: Colors.alpha(Colors.quaternaryLabel, 0.35)
                    horizontalPadding: 7
                    tooltip: qsTr("放弃单独设置，改用全局参数")
                    onClicked: header.panel.followGlobal()
                }
                CapsuleButton {
                    objectName: "doneButton"
                    text: qsTr("完成")
                    fontSize: 11
                    fontWeight: Font.DemiBold
                    textColor: Colors.primary
                    fill: Colors.alpha(Colors.primary, 0.12)
                    horizontalPadding: 8
                    tooltip: qsTr("改动已实时保存，点完成只是收起编辑面板")
                    onClicked: header.panel.endEditing()
                }
            }

            Text {
                text: qsTr("改动实时保存 · 点选其他条目可直接切换")
                font.pixelSize: 9
                color: Colors.tertiaryLabel
            }

            Text {
                objectName: "editingFileName"
                text: header.panel.editingFileName
                font.pixelSize: 11
                font.weight: Font.Medium
                color: Colors.secondaryLabel
                elide: Text.ElideMiddle
                maximumLineCount: 1
                Layout.fillWidth: true
            }

            Text {
                text: qsTr("这里的改动只作用于这一条，其余文件仍用全局参数")
                font.pixelSize: 10
                color: Colors.tertiaryLabel
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
        }
    }
}
