import QtQuick
import QtQuick.Controls
import Kivotra.Ui

ApplicationWindow {
    id: window
    required property var viewModel
    required property var delegate

    title: "KivotraMP4"
    visible: true
    color: Colors.windowBackground

    // The content is 980 × 680; the menu bar sits above it.
    readonly property int contentHeight: 680
    width: 980
    height: contentHeight + (menuBar ? menuBar.height : 0)
    minimumWidth: 980
    maximumWidth: 980
    minimumHeight: height
    maximumHeight: height

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
        objectName: "contentView"
        anchors.fill: parent
        viewModel: window.viewModel
    }
}
