import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Kivotra.Ui

// The right pane's content, top to bottom: header, parameter blocks, output
// folder, tip, summary and the start control. The window frames it (318 wide,
// padded 18 / 16) and gives it the panel and summary view-models.
//
// The root is a plain Item on purpose: a layout placed directly in the frame's
// layout keeps its size when only its content changes, and Qt 6.4 then never
// lays it out again.
Item {
    id: pane
    objectName: "rightPaneContent"
    required property var panel
    required property var summary
    readonly property var settings: panel.settings

    // A window too short for the column (a small screen) scrolls it instead of cutting it off.
    Flickable {
        id: scroller
        objectName: "rightPaneScroller"
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: column.height
        boundsBehavior: Flickable.StopAtBounds
        interactive: contentHeight > height

        // The control Tab reaches is scrolled into view.
        function reveal(item) {
            if (!item || !interactive) return
            for (let p = item; p; p = p.parent)
                if (p === column) {
                    const top = item.mapToItem(column, 0, 0).y
                    if (top < contentY) contentY = Math.max(0, top - 6)
                    else if (top + item.height > contentY + height)
                        contentY = Math.min(contentHeight - height, top + item.height - height + 6)
                    return
                }
        }
        Connections {
            target: pane.Window.window
            function onActiveFocusItemChanged() { scroller.reveal(pane.Window.window.activeFocusItem) }
        }

    ColumnLayout {
        id: column
        width: scroller.width
        // The pane's height while everything fits at the smallest gaps, else what it needs.
        height: Math.max(scroller.height, neededHeight)
        readonly property real neededHeight: {
            let content = 0
            let parts = 0
            for (let i = 0; i < children.length; ++i) {
                if (!children[i].visible) continue
                content += children[i].implicitHeight
                ++parts
            }
            return content + minimumSpacing * Math.max(1, parts - 1)
        }

        // 14 between the parts while they fit; when the edit header makes the
        // column taller than the pane, the gaps give way (down to 6) before
        // anything is cut off.
        readonly property real fullSpacing: 14
        readonly property real minimumSpacing: 6
        spacing: {
            let content = 0
            let parts = 0
            for (let i = 0; i < children.length; ++i) {
                if (!children[i].visible) continue
                content += children[i].implicitHeight
                ++parts
            }
            const gaps = Math.max(1, parts - 1)
            const room = (height - content) / gaps
            return Math.max(minimumSpacing, Math.min(fullSpacing, room))
        }

        PanelHeader {
            panel: pane.panel
            Layout.fillWidth: true
        }

        ParamBlock {
            title: qsTr("输出分辨率")
            note: qsTr("按短边定义")
            Layout.fillWidth: true
            SegmentedPicker {
                objectName: "tierPicker"
                accessibleName: qsTr("输出分辨率")
                Layout.fillWidth: true
                choices: pane.panel.tierChoices
                currentValue: pane.settings.shortSide
                onActivated: (value) => pane.panel.selectShortSide(value)
            }
        }

        ParamBlock {
            title: qsTr("输出帧率")
            note: qsTr("原始 = 与源文件一致")
            Layout.fillWidth: true
            SegmentedPicker {
                objectName: "fpsPicker"
                accessibleName: qsTr("输出帧率")
                Layout.fillWidth: true
                choices: pane.panel.fpsChoices
                currentValue: pane.settings.fps
                onActivated: (value) => pane.panel.selectFps(value)
            }
        }

        ParamBlock {
            title: qsTr("视频码率")
            note: pane.panel.bitrateMode === 0 ? qsTr("切换分辨率时自动匹配推荐值") : qsTr("按各文件时长算出码率")
            Layout.fillWidth: true
            SegmentedPicker {
                objectName: "bitrateModePicker"
                Layout.fillWidth: true
                Layout.bottomMargin: 6
                choices: pane.panel.bitrateModeChoices
                currentValue: pane.panel.bitrateMode
                onActivated: (value) => pane.panel.selectBitrateMode(value)
            }
            BitrateRow {
                visible: pane.panel.bitrateMode === 0
                panel: pane.panel
                Layout.fillWidth: true
            }
            SizeLimitRow {
                visible: pane.panel.bitrateMode === 1
                panel: pane.panel
                Layout.fillWidth: true
            }
        }

        ParamBlock {
            title: qsTr("画面比例处理")
            Layout.fillWidth: true
            SegmentedPicker {
                objectName: "fitPicker"
                accessibleName: qsTr("画面比例处理")
                Layout.fillWidth: true
                choices: pane.panel.fitChoices
                currentValue: pane.settings.fit
                onActivated: (value) => pane.panel.selectFit(value)
            }
        }

        CheckRow {
            objectName: "noUpscaleCheck"
            text: qsTr("源画质更低时保持原尺寸（不放大）")
            checked: pane.settings.noUpscale
            onToggled: (value) => pane.panel.setNoUpscale(value)
            Layout.fillWidth: true
        }

        ParamBlock {
            title: qsTr("输出位置")
            note: pane.panel.outputNote
            Layout.fillWidth: true
            OutputFolderRow {
                panel: pane.panel
                Layout.fillWidth: true
            }
        }

        TipBox {
            text: pane.summary.tipText
            Layout.fillWidth: true
        }

        SummaryCard {
            summary: pane.summary
            Layout.fillWidth: true
        }

        Item {
            Layout.fillHeight: true
        }

        StartButton {
            summary: pane.summary
            Layout.fillWidth: true
        }
    }
    }
}
