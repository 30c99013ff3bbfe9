import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

ColumnLayout {
    spacing: 8
    Item { Layout.fillHeight: true }
    Image {
        Layout.alignment: Qt.AlignHCenter
        source: Colors.icon("film-stack", Colors.quaternaryLabel)
        sourceSize: Qt.size(30, 30)
    }
    Text {
        // Filling the width lets the hint spread over the pane, so both lines centre in it.
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        text: qsTr("拖入视频后，这里会显示封面、输出尺寸与预估大小")
        font.pixelSize: 11
        color: Colors.tertiaryLabel
    }
    Item { Layout.fillHeight: true }
}
