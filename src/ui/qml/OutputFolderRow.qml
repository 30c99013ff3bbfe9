import QtQuick
import QtQuick.Dialogs
import QtQuick.Layouts
import Kivotra.Ui

// The chosen folder with "更换" / "恢复默认", or the large button that picks one.
Item {
    id: row
    required property var panel
    readonly property string folderName: panel.state.outputFolderName
    property bool isFolderBtnHover: false

    implicitHeight: folderName !== "" ? chosen.implicitHeight : 54

    function choose() { dialog.open() }

    FolderDialog {
        id: dialog
        objectName: "outputFolderDialog"
        title: qsTr("选择压缩后文件的保存位置")
        onAccepted: row.panel.chooseOutputFolder(selectedFolder)
    }

    RowLayout {
        id: chosen
        objectName: "chosenFolder"
        visible: row.folderName !== ""
        width: parent.width
        spacing: 6

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Image {
                source: Colors.icon("folder", Colors.primary)
                sourceSize: Qt.size(11, 11)
            }
            Text {
                objectName: "outputFolderName"
                text: row.folderName
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Colors.label
                maximumLineCount: 1
                elide: Text.ElideRight
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 10
                Layout.fillWidth: true
            }
        }
        LinkButton {
            objectName: "changeFolderButton"
            text: qsTr("更换")
            onClicked: row.choose()
        }
        LinkButton {
            objectName: "clearFolderButton"
            text: qsTr("恢复默认")
            onClicked: row.panel.clearOutputFolder()
        }
    }

    Rectangle {
        objectName: "pickFolderButton"
        visible: row.folderName === ""
        width: parent.width
        height: 54
        id: pickFolder
        radius: 9
        color: Colors.alpha(Colors.primary, row.isFolderBtnHover ? 0.12 : 0.06)
        activeFocusOnTab: visible
        Keys.onSpacePressed: row.choose()
        Keys.onReturnPressed: row.choose()
        Keys.onEnterPressed: row.choose()
        Accessible.role: Accessible.Button
        Accessible.name: pickFolderText.text
        Accessible.focusable: true
        Accessible.onPressAction: row.choose()
        FocusRing { target: pickFolder; cornerRadius: 9 }

        Row {
            anchors.centerIn: parent
            spacing: 6
            Image {
                anchors.verticalCenter: parent.verticalCenter
                source: Colors.icon("folder-plus", Colors.primary)
                sourceSize: Qt.size(14, 14)
            }
            Text {
                id: pickFolderText
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("指定其他文件夹…")
                font.pixelSize: 13
                font.weight: Font.Medium
                color: Colors.primary
            }
        }

        MouseArea {
            objectName: "pickFolderMouse"
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: containsMouse ? Qt.PointingHandCursor : Qt.ArrowCursor
            onContainsMouseChanged: row.isFolderBtnHover = containsMouse
            onClicked: row.choose()
        }
    }
}
