import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Kivotra.Ui

ApplicationWindow {
    id: window
    required property var viewModel
    required property var delegate

    title: "KivotraMP4"
    visible: true
    color: Colors.windowBackground

    // The content opens at 980 × 680 (the menu bar above it), smaller when the
    // screen is; it may be resized down to what a 1366 × 768 screen at 125 %
    // leaves for a window: the right pane then scrolls, the list already does.
    readonly property int contentHeight: 680
    readonly property int menuHeight: menuBar ? menuBar.height : 0
    width: 980
    height: Math.min(contentHeight + menuHeight, Screen.desktopAvailableHeight - 40)
    minimumWidth: 760
    minimumHeight: 480 + menuHeight

    // Closing the one window ends the program, also when the About window is
    // still open; during a run the view model asks first and ends it later.
    onClosing: (close) => {
        close.accepted = window.viewModel.requestQuit()
        if (close.accepted)
            Qt.quit()
    }

    menuBar: MenuBar {
        objectName: "menuBar"
        Menu {
            title: "KivotraMP4"
            Action { objectName: "aboutAction"; text: qsTr("关于KivotraMP4"); onTriggered: window.delegate.showAbout() }
            MenuSeparator {}
            Action { objectName: "quitAction"; text: qsTr("退出"); shortcut: StandardKey.Quit; onTriggered: if (window.viewModel.requestQuit()) Qt.quit() }
        }
        Menu {
            title: qsTr("文件")
            Action {
                objectName: "addFilesAction"
                text: qsTr("添加文件…")
                shortcut: StandardKey.Open
                enabled: !window.viewModel.listFull
                onTriggered: contentView.pickFiles()
            }
            Action {
                objectName: "startAction"
                text: window.viewModel.summary.startTitle
                shortcut: "Ctrl+Return"
                enabled: window.viewModel.summary.startEnabled
                onTriggered: window.viewModel.summary.pressStart()
            }
            Action {
                objectName: "leaveEditingAction"
                text: qsTr("结束单独设置")
                shortcut: "Escape"
                enabled: window.viewModel.panel.isEditing
                onTriggered: window.viewModel.panel.endEditing()
            }
        }
        Menu {
            title: qsTr("窗口")
            Action { objectName: "closeAction"; text: qsTr("关闭"); shortcut: "Ctrl+W"; onTriggered: window.close() }
            Action { objectName: "minimizeAction"; text: qsTr("最小化"); shortcut: "Ctrl+M"; onTriggered: window.showMinimized() }
            Action {
                objectName: "zoomAction"
                text: qsTr("缩放")
                onTriggered: window.visibility === Window.Maximized ? window.showNormal() : window.showMaximized()
            }
        }
        Menu {
            title: qsTr("帮助")
            Action { objectName: "websiteAction"; text: qsTr("KivotraMP4 官方网站"); onTriggered: window.delegate.openWebsite() }
        }
    }

    Dialog {
        id: closeQuestion
        objectName: "closeQuestion"
        anchors.centerIn: parent
        modal: true
        closePolicy: Popup.NoAutoClose
        Label { objectName: "closeQuestionText"; text: window.viewModel.closeQuestion }
        footer: DialogButtonBox {
            Button {
                objectName: "stopAndQuitButton"
                text: window.viewModel.stopAndQuitText
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
            Button {
                objectName: "keepCompressingButton"
                text: window.viewModel.keepCompressingText
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
        onAccepted: window.viewModel.confirmQuit()
        onRejected: window.viewModel.keepCompressing()
    }

    Connections {
        target: window.viewModel
        function onQuitRequested() { Qt.quit() }
        function onCloseQuestionChanged() {
            if (window.viewModel.closeQuestionShown)
                closeQuestion.open()
            else
                closeQuestion.close()
        }
    }

    ContentView {
        id: contentView
        objectName: "contentView"
        anchors.fill: parent
        viewModel: window.viewModel
    }
}
