import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

Window {
    id: about
    required property var delegate

    title: qsTr("关于KivotraMP4")
    flags: Qt.Dialog | Qt.WindowTitleHint | Qt.WindowCloseButtonHint
    width: 280
    height: 320
    minimumWidth: 280
    maximumWidth: 280
    minimumHeight: 320
    maximumHeight: 320
    color: Colors.windowBackground

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 26
        anchors.rightMargin: 26
        anchors.topMargin: 22
        anchors.bottomMargin: 22
        spacing: 10

        Item { Layout.fillHeight: true }
        Image {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 96
            Layout.preferredHeight: 96
            source: "qrc:/kivotra/icons/app-icon.svg"
            sourceSize: Qt.size(96, 96)
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: "KivotraMP4"
            font.pixelSize: 17
            font.bold: true
            color: Colors.label
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("版本 1.0")
            font.pixelSize: 11
            color: Colors.secondaryLabel
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("视频压缩转换工具 · MOV/MP4 转 MP4")
            font.pixelSize: 11
            color: Colors.secondaryLabel
        }
        Text {
            objectName: "websiteLink"
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("官方网站：%1").arg(about.delegate.websiteHost)
            font.pixelSize: 11
            font.underline: linkMouse.containsMouse
            color: Colors.primary
            MouseArea {
                id: linkMouse
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: about.delegate.openWebsite()
            }
        }
        Item { Layout.fillHeight: true }
    }
}
