import QtQuick
import QtQuick.Layouts
import QtQuick.Dialogs
import QtQuick.Window
import Kivotra.Ui

Item {
    id: pane
    required property var viewModel

    // One dialog for the zone's click and the button alike; a second request while it is open does nothing.
    function pickFiles() {
        if (!pane.viewModel.listFull && !picker.visible)
            picker.open()
    }

    FileDialog {
        id: picker
        objectName: "filePicker"
        title: qsTr("选择视频文件")
        // Resolved when needed: the pane may be put into its window after the dialog is created.
        parentWindow: pane.Window.window
        fileMode: FileDialog.OpenFiles
        nameFilters: pane.viewModel.pickerFilters
        onAccepted: pane.viewModel.addFiles(selectedFiles)
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: 16
        anchors.bottomMargin: 14
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            Text {
                objectName: "listTitle"
                text: qsTr("待处理文件")
                font.pixelSize: 12
                font.weight: Font.DemiBold
                font.letterSpacing: 1.4
                color: Colors.secondaryLabel
                Layout.alignment: Qt.AlignBaseline
            }
            Item { Layout.fillWidth: true }
            Text {
                objectName: "countText"
                text: pane.viewModel.countText
                color: pane.viewModel.countColor
                font.pixelSize: 11
                font.weight: Font.Medium
                Layout.alignment: Qt.AlignBaseline
            }
        }

        DropZone {
            objectName: "dropZone"
            viewModel: pane.viewModel
            Layout.fillWidth: true
            Layout.preferredHeight: 164
            onPickRequested: pane.pickFiles()
        }

        EmptyHint {
            objectName: "emptyHint"
            visible: pane.viewModel.isEmpty
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        ListView {
            id: list
            objectName: "fileList"
            visible: !pane.viewModel.isEmpty
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            spacing: 9
            bottomMargin: 2
            boundsBehavior: Flickable.StopAtBounds
            model: pane.viewModel.cards
            delegate: FileCard {
                width: ListView.view.width
                viewModel: pane.viewModel
            }
        }
    }
}
