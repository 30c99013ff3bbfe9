import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// The whole main window: file list on the left, parameters on the right.
Rectangle {
    id: root
    required property var viewModel

    implicitWidth: 980
    implicitHeight: 680
    color: Colors.windowBackground

    // The file picker, for the menu's 添加文件… (Ctrl+O).
    function pickFiles() { leftPane.pickFiles() }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        LeftPane {
            id: leftPane
            objectName: "leftPane"
            viewModel: root.viewModel
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        Rectangle {
            objectName: "separator"
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            color: Colors.separator
            opacity: 0.55
        }

        Item {
            objectName: "rightPaneFrame"
            Layout.preferredWidth: 318
            Layout.fillHeight: true

            ColumnLayout {
                id: rightPane
                objectName: "rightPane"
                anchors.fill: parent
                anchors.leftMargin: 18
                anchors.rightMargin: 18
                anchors.topMargin: 16
                anchors.bottomMargin: 16
                spacing: 14

                RightPane {
                    panel: root.viewModel.panel
                    summary: root.viewModel.summary
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                }
            }
        }
    }
}
