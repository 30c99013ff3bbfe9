import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kivotra.Ui

// One row of the file list. Every text, colour and enabled state comes from the card model.
Rectangle {
    id: card
    required property var viewModel
    required property var model
    required property int index

    objectName: "card" + index
    implicitHeight: content.implicitHeight + 18
    radius: 12
    color: model.cardColor
    border.color: model.borderColor
    border.width: model.borderWidth

    // Keyboard: Tab reaches the card, Space or Enter opens its editor, Delete
    // removes it (also from one of its buttons, whose keys come here unused).
    activeFocusOnTab: true
    Keys.onSpacePressed: if (model.clickable) viewModel.toggleEditing(model.itemId)
    Keys.onReturnPressed: if (model.clickable) viewModel.toggleEditing(model.itemId)
    Keys.onEnterPressed: if (model.clickable) viewModel.toggleEditing(model.itemId)
    Keys.onDeletePressed: if (model.removeEnabled) viewModel.remove(model.itemId)
    Accessible.role: Accessible.ListItem
    Accessible.name: model.spokenText
    Accessible.focusable: true
    Accessible.onPressAction: if (model.clickable) viewModel.toggleEditing(model.itemId)

    FocusRing { target: card; cornerRadius: card.radius }

    // Below the buttons, so a click on one of them performs only its own action.
    MouseArea {
        objectName: "cardMouse"
        anchors.fill: parent
        enabled: card.model.clickable
        hoverEnabled: true
        cursorShape: card.model.clickable ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: card.viewModel.toggleEditing(card.model.itemId)
    }

    ColumnLayout {
        id: content
        x: 10
        y: 10
        width: card.width - 20
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            Rectangle {
                objectName: "thumbnail"
                Layout.preferredWidth: card.model.thumbWidth
                Layout.preferredHeight: 52
                radius: 8
                color: Colors.soft

                // The provider hands the cover already cropped to this size with rounded corners.
                Image {
                    anchors.fill: parent
                    visible: card.model.thumbSource !== ""
                    source: card.model.thumbSource
                    sourceSize: Qt.size(Math.round(parent.width), parent.height)
                    cache: false
                }
                Image {
                    anchors.centerIn: parent
                    visible: card.model.thumbSource === ""
                    source: Colors.icon("film", Colors.alpha(Colors.primary, 0.45))
                    sourceSize: Qt.size(15, 15)
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 8
                    color: "transparent"
                    border.width: 1
                    border.color: Qt.rgba(0, 0, 0, 0.07)
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.minimumWidth: 0
                spacing: 4

                Text {
                    objectName: "fileName"
                    Layout.fillWidth: true
                    text: card.model.fileName
                    elide: Text.ElideMiddle
                    maximumLineCount: 1
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: Colors.label
                }
                Text {
                    objectName: "metaText"
                    Layout.fillWidth: true
                    text: card.model.metaText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    fontSizeMode: Text.HorizontalFit
                    font.pixelSize: 10
                    minimumPixelSize: 7
                    color: Colors.secondaryLabel
                }
                Row {
                    objectName: "tags"
                    spacing: 5
                    Repeater {
                        model: card.model.tags
                        TagView {
                            required property var modelData
                            text: modelData.text
                            tint: modelData.color
                        }
                    }
                }
            }

            Item { Layout.preferredWidth: 4 }

            ColumnLayout {
                Layout.preferredWidth: 88
                Layout.maximumWidth: 88
                spacing: 3
                Text {
                    objectName: "dimsText"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.maximumWidth: 88
                    text: card.model.dimsText
                    font.pixelSize: card.model.isLoading ? 12 : 13
                    font.weight: Font.Bold
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 9
                    maximumLineCount: 1
                    color: card.model.isLoading ? Colors.secondaryLabel : Colors.label
                }
                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: qsTr("输出")
                    font.pixelSize: 9
                    font.weight: Font.Medium
                    font.letterSpacing: 0.5
                    color: Colors.tertiaryLabel
                }
            }

            ColumnLayout {
                objectName: "sizeColumn"
                Layout.preferredWidth: 88
                Layout.maximumWidth: 88
                spacing: 3
                readonly property string kind: card.model.sizeKind

                Text {
                    objectName: "sizeValue"
                    Layout.alignment: Qt.AlignHCenter
                    text: card.model.sizeValue
                    color: card.model.sizeColor
                    font.pixelSize: parent.kind === "loading" || parent.kind === "failed" ? 12 : 13
                    font.weight: parent.kind === "loading" || parent.kind === "failed" ? Font.Bold : Font.Black
                }
                Text {
                    objectName: "sizeNote"
                    visible: text !== ""
                    Layout.alignment: Qt.AlignHCenter
                    text: card.model.sizeNote
                    font.pixelSize: 9
                    font.weight: Font.DemiBold
                    color: Colors.portrait
                }
                Text {
                    objectName: "sizeCaption"
                    visible: parent.kind === "loading" || parent.kind === "estimate" || parent.kind === "failed"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.maximumWidth: parent.kind === "failed" ? 68 : 88
                    horizontalAlignment: Text.AlignHCenter
                    text: card.model.sizeCaption
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    font.pixelSize: parent.kind === "failed" ? 8 : 9
                    font.weight: parent.kind === "estimate" ? Font.Medium : Font.Normal
                    font.letterSpacing: parent.kind === "estimate" ? 0.5 : 0
                    color: parent.kind === "failed" ? Colors.alpha(Colors.danger, 0.75) : Colors.tertiaryLabel

                    // A failure's whole message: on hover or while the card has the focus, and
                    // a click opens it where it can be selected and copied.
                    HoverHandler { id: captionHover }
                    TapHandler {
                        enabled: parent.parent.kind === "failed"
                        onTapped: failurePopup.open()
                    }
                    ToolTip.visible: parent.kind === "failed" && (captionHover.hovered || card.activeFocus) && !failurePopup.opened
                    ToolTip.text: card.model.sizeCaption
                    ToolTip.delay: 300
                }
                PillButton {
                    objectName: "stopButton"
                    visible: card.model.showStop
                    Layout.alignment: Qt.AlignHCenter
                    // The whole 9-pixel box is the square; "stop" leaves a margin around it.
                    iconName: "stop-square"
                    iconSize: 9
                    text: qsTr("停止")
                    horizontalPadding: 8
                    restOpacity: 0.1
                    hoverOpacity: 0.2
                    tooltip: qsTr("停止这一条，队列接着压缩后面的文件")
                    onClicked: card.viewModel.cancelItem(card.model.itemId)
                }
                PillButton {
                    objectName: "revealButton"
                    visible: card.model.showReveal
                    Layout.alignment: Qt.AlignHCenter
                    iconName: "folder"
                    iconSize: 11
                    text: qsTr("查看")
                    horizontalPadding: 6
                    restOpacity: 0.08
                    hoverOpacity: 0.16
                    onClicked: card.viewModel.reveal(card.model.itemId)
                }
            }

            CircleButton {
                id: editButton
                objectName: "editButton"
                iconName: "sliders"
                iconSize: 10
                iconColor: card.model.editIconColor
                color: Colors.alpha(Colors.primary, hovered || card.model.isEditing ? 0.14 : 0.06)
                enabled: card.model.editEnabled
                opacity: card.model.editOpacity
                tooltip: qsTr("单独设置这一条的分辨率、帧率、码率")
                onClicked: card.viewModel.toggleEditing(card.model.itemId)
            }

            CircleButton {
                objectName: "removeButton"
                iconName: "cross"
                iconSize: 8
                iconColor: Colors.secondaryLabel
                color: Colors.alpha(Colors.quaternaryLabel, 0.6)
                enabled: card.model.removeEnabled
                opacity: card.model.removeOpacity
                accessibleName: qsTr("移除")
                onClicked: card.viewModel.remove(card.model.itemId)
            }
        }

        Popup {
            id: failurePopup
            objectName: "failurePopup"
            x: 10
            width: card.width - 40
            padding: 10
            onOpened: failureText.forceActiveFocus()
            TextArea {
                id: failureText
                objectName: "failureText"
                width: parent.width
                text: card.model.sizeCaption
                readOnly: true
                selectByMouse: true
                selectByKeyboard: true
                wrapMode: TextEdit.Wrap
                font.pixelSize: 12
                Accessible.name: qsTr("失败原因")
            }
        }

        Item {
            id: track
            objectName: "progressBar"
            visible: card.model.showProgressBar
            Layout.fillWidth: true
            Layout.preferredHeight: 3

            Rectangle {
                anchors.fill: parent
                radius: 1.5
                color: Colors.alpha(Colors.quaternaryLabel, 0.5)
            }
            Rectangle {
                objectName: "progressFill"
                height: 3
                radius: 1.5
                width: card.viewModel.progressBarWidth(track.width, card.model.progressFraction)
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop { position: 0; color: Colors.deep }
                    GradientStop { position: 0.5; color: Colors.primary }
                    GradientStop { position: 1; color: Colors.light }
                }
            }
        }
    }
}
