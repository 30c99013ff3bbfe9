import QtQuick

// A blurred shadow of a rounded rectangle, drawn as stacked translucent
// outlines (effects that need shaders are unavailable to the software renderer).
Item {
    id: shadow
    property color color: "black"
    property real blur: 8
    property real cornerRadius: 14
    readonly property int layers: 8
    // Per-layer alpha, so the whole stack reaches the colour's own alpha.
    readonly property real layerAlpha: 1 - Math.pow(1 - color.a, 1 / layers)

    Repeater {
        model: shadow.layers
        delegate: Rectangle {
            required property int index
            readonly property real spread: shadow.blur * (index + 1) / shadow.layers - shadow.blur / 2
            x: -spread
            y: -spread
            width: shadow.width + 2 * spread
            height: shadow.height + 2 * spread
            radius: Math.max(0, shadow.cornerRadius + spread)
            color: Qt.rgba(shadow.color.r, shadow.color.g, shadow.color.b, shadow.layerAlpha)
        }
    }
}
