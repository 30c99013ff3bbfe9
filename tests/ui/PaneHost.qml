import QtQuick
import QtQuick.Layouts
import Kivotra.Ui

// The right pane in a frame like the window's: 318 wide, padded 18 / 16.
Rectangle {
    id: host
    required property var panel
    required property var summary

    width: 318
    height: 680
    color: Colors.windowBackground

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: 16
        anchors.bottomMargin: 16
        spacing: 14

        RightPane {
            panel: host.panel
            summary: host.summary
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }
}
