// An open hand, palm towards the viewer: a half transparent silhouette that
// glows towards its rim, with a bright outline. Stretched over the screen by
// the show, so designed in screen pixels.
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include <cmath>

namespace pictures {

namespace {

// A finger from its knuckle through its middle joint to its tip.
Field finger(Point knuckle, Point joint, Point tip, float width) {
    return taperedPath({knuckle, joint, tip}, {width, width * 0.9f, width * 0.78f});
}

Field handShape() {
    Field palm = roundedBox({400.0f, 400.0f}, {108.0f, 110.0f}, 70.0f);
    Field wrist = capsule({400.0f, 470.0f}, {405.0f, 700.0f}, 78.0f);
    Field fingers = unite(unite(finger({330, 320}, {312, 210}, {300, 120}, 25.0f),
                                finger({392, 305}, {392, 180}, {394, 82}, 26.0f)),
                          unite(finger({452, 312}, {470, 200}, {482, 118}, 25.0f),
                                finger({500, 345}, {535, 260}, {562, 195}, 21.0f)));
    Field thumb =
        taperedPath({{318, 450}, {258, 390}, {218, 330}, {196, 285}}, {38.0f, 30.0f, 27.0f, 23.0f});
    return uniteSmoothly(uniteSmoothly(palm, wrist, 30.0f), uniteSmoothly(fingers, thumb, 12.0f),
                         26.0f);
}

// Lines across the palm and the finger joints.
Field creases() {
    Field heart =
        taperedPath(bezier({505, 350}, {430, 330}, {345, 365}, 12), taper(1.0f, 3.0f, 13));
    Field head = taperedPath(bezier({320, 380}, {400, 375}, {480, 420}, 12), taper(3.0f, 1.0f, 13));
    Field life = taperedPath(bezier({330, 370}, {345, 450}, {395, 500}, 12), taper(3.0f, 1.0f, 13));
    Field joints =
        unite(unite(capsule({300, 212}, {324, 208}, 2.0f), capsule({380, 180}, {404, 180}, 2.0f)),
              unite(capsule({458, 198}, {482, 202}, 2.0f), capsule({523, 255}, {545, 265}, 2.0f)));
    return unite(unite(heart, head), unite(life, joints));
}

// Fades the wrist out towards the bottom of the screen.
float wristFade(Point p) {
    return smoothstep(600.0f, 480.0f, p.y);
}

} // namespace

Canvas hand() {
    Canvas canvas(512, 512, fullScreenView(512, 512));
    const Field shape = handShape();
    Mask silhouette = canvas.newMask();
    silhouette.fill(shape);
    Mask halo = silhouette;
    canvas.paint(halo.blur(10.0f),
                 [](Point p) { return withAlpha(palette::glow(), 0.35f * wristFade(p)); });
    canvas.paint(silhouette, [&](Point p) {
        const float inside = clamp01(-shape(p) / 60.0f);
        const Rgba rim = rgb8(240, 110, 50);
        const Rgba core = rgb8(120, 20, 20);
        return withAlpha(mix(rim, core, inside), (0.62f - 0.3f * inside) * wristFade(p));
    });
    Mask lines = canvas.newMask();
    lines.fill(creases());
    canvas.paint(lines.clip(silhouette), rgb8(60, 6, 8, 0.45f));
    Mask edge = canvas.newMask();
    edge.fill(outline(shape, 2.5f));
    canvas.paint(edge,
                 [](Point p) { return withAlpha(rgb8(255, 200, 120), 0.95f * wristFade(p)); });
    return canvas;
}

} // namespace pictures
