import QtQuick
import QtQuick.Layouts
import QtQuick.Dialogs
import QtQuick.Window
import Kivotra.Ui

Item {
    id: pane
    required property var viewModel

    // The picker's choice; also the way in for a test that stands in for the dialog.
    function filesChosen(urls) { pane.viewModel.addFiles(urls) }

    // One dialog for the zone's click, the button and Ctrl+O alike; a second request while it is open does nothing.
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
        onAccepted: pane.filesChosen(selectedFiles)
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

        // What was left out of the last files handed over, and why; or that they wait for the run's end.
        Rectangle {
            id: notice
            objectName: "notice"
            visible: pane.viewModel.notice !== ""
            Layout.fillWidth: true
            implicitHeight: noticeText.implicitHeight + 14
            radius: 8
            color: Colors.alpha(Colors.portrait, 0.12)
            border.width: 1
            border.color: Colors.alpha(Colors.portrait, 0.35)
            Accessible.role: Accessible.AlertMessage
            Accessible.name: pane.viewModel.notice

            TextEdit {
                id: noticeText
                objectName: "noticeText"
                x: 10
                y: 7
                width: parent.width - 20 - closeNotice.width - 6
                text: pane.viewModel.notice
                wrapMode: TextEdit.Wrap
                readOnly: true
                selectByMouse: true
                font.pixelSize: 11
                color: Colors.label
            }
            CircleButton {
                id: closeNotice
                objectName: "closeNoticeButton"
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.top: parent.top
                anchors.topMargin: 5
                iconName: "cross"
                iconSize: 7
                iconColor: Colors.secondaryLabel
                color: Colors.alpha(Colors.quaternaryLabel, 0.6)
                accessibleName: qsTr("关闭提示")
                onClicked: pane.viewModel.dismissNotice()
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
            // Tab moves through the cards, not only into the first one.
            keyNavigationEnabled: true
            activeFocusOnTab: false
            delegate: FileCard {
                width: ListView.view.width
                viewModel: pane.viewModel
            }
        }
    }
}
