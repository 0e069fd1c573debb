// The program's icon for desktops: the show's butterfly over its lava horizon,
// on a rounded square with a dark rim so that it reads on light and dark panels.
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

namespace pictures {

namespace {

constexpr int kSize = 256;
constexpr float kInset = 6.0f;
constexpr float kCorner = 44.0f;
constexpr float kRim = 3.0f;
// The butterfly's wings sit above its picture's centre: lowered this far, they
// sit in the middle of the icon.
constexpr int kButterflyDrop = 14;

Rgba pixelOrClear(const Canvas& canvas, int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.width() || y >= canvas.height())
        return {};
    return canvas.at(x, y);
}

} // namespace

Canvas icon() {
    Canvas canvas(kSize, kSize);
    // Looking along +Z: the horizon across the middle. The face's rows are
    // stored bottom-up, as the cube map reads them: turned over here, the dusk
    // is above and the lava below.
    const Canvas horizon = lavaFace(CubeFace::PositiveZ);
    const Canvas wings = butterfly();
    const float half = kSize / 2.0f;
    const Field tile = roundedBox({half, half}, {half - kInset, half - kInset}, kCorner);
    Mask tileMask = canvas.newMask();
    tileMask.fill(tile);
    canvas.paint(tileMask, [&](Point p) {
        const int x = static_cast<int>(p.x);
        const int y = static_cast<int>(p.y);
        return over(pixelOrClear(wings, x, y - kButterflyDrop),
                    pixelOrClear(horizon, x, kSize - 1 - y));
    });
    Mask rimMask = canvas.newMask();
    rimMask.fill(outline(tile, kRim));
    canvas.paint(rimMask, rgb8(24, 4, 6));
    return canvas;
}

} // namespace pictures
