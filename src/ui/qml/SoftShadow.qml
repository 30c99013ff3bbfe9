import QtQuick

// A blurred shadow under its parent's rounded rectangle, drawn as stacked
// translucent outlines (effects that need shaders are unavailable to the
// software renderer). It covers the parent plus the blur around it, as one
// layer, so a scaled parent moves a single picture without seams.
Item {
    id: shadow
    property color color: "black"
    property real blur: 8
    property real offsetY: 0
    property real cornerRadius: 14
    readonly property int layers: 8
    // Per-layer alpha, so the whole stack reaches the colour's own alpha.
    readonly property real layerAlpha: 1 - Math.pow(1 - color.a, 1 / layers)

    anchors.fill: parent
    anchors.leftMargin: -blur
    anchors.rightMargin: -blur
    anchors.topMargin: offsetY - blur
    anchors.bottomMargin: -offsetY - blur
    layer.enabled: true

    Repeater {
        model: shadow.layers
        delegate: Rectangle {
            required property int index
            // From half the blur inside the shape's edge to half the blur outside it.
            readonly property real spread: shadow.blur * (index + 1) / shadow.layers - shadow.blur / 2
            x: shadow.blur - spread
            y: shadow.blur - spread
            width: shadow.width - 2 * shadow.blur + 2 * spread
            height: shadow.height - 2 * shadow.blur + 2 * spread
            radius: Math.max(0, shadow.cornerRadius + spread)
            color: Qt.rgba(shadow.color.r, shadow.color.g, shadow.color.b, shadow.layerAlpha)
        }
    }
}
