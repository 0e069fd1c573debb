// Tiling dark red surfaces. Every noise here repeats over the picture (whole
// lattice periods across it), so the pictures tile in both directions.
#include "Noise.h"
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include <cmath>

namespace pictures {

namespace {

constexpr int kSurfaceSize = 256;

// Shades every pixel from its position in the tile, u and v in 0..1.
template <typename Shader>
Canvas tile(Shader shader) {
    Canvas canvas(kSurfaceSize, kSurfaceSize);
    canvas.shade([&](Point p) { return shader(p.x / kSurfaceSize, p.y / kSurfaceSize); });
    return canvas;
}

// Distance from u to the tile's left (and, wrapping, right) edge, 0..0.5.
float edgeDistance(float u) {
    return std::min(u, 1.0f - u);
}

} // namespace

// The grass blade draws this with s from -g to g across the blade and t
// running 16 times along it: so the blade's midrib is the picture's left and
// right edge, and the streaks run vertically and continue across the top and
// bottom edges.
Canvas bladeSurface() {
    const Noise noise(0xb1ade);
    const ColourRamp blade{{0.0f, rgb8(28, 3, 6)},
                           {0.45f, rgb8(92, 10, 14)},
                           {0.8f, rgb8(168, 28, 22)},
                           {1.0f, rgb8(230, 96, 44)}};
    return tile([&](float u, float v) {
        const float fibres = noise.fractal(u * 24.0f, v * 2.0f, 0.0f, 4, 24, 2);
        const float sway = noise.fractal(u * 4.0f, v * 3.0f, 9.0f, 2, 4, 3);
        const float rib = std::exp(-std::pow(edgeDistance(u) * 40.0f, 2.0f));
        const float veins = std::pow(std::fabs(std::cos(u * kPi * 14.0f)), 18.0f);
        const float shade = 0.45f + 0.45f * fibres + 0.15f * sway + 0.35f * rib + 0.12f * veins;
        return blade.at(clamp01(shade));
    });
}

// Brushed metal: fine scratches along the rows and a broad sheen across them.
Canvas brushedMetal() {
    const Noise noise(0xd0e1);
    const ColourRamp metal{{0.0f, rgb8(34, 5, 7)},
                           {0.5f, rgb8(104, 20, 22)},
                           {0.85f, rgb8(170, 60, 52)},
                           {1.0f, rgb8(236, 150, 130)}};
    return tile([&](float u, float v) {
        const float scratches = noise.fractal(u * 2.0f, v * 96.0f, 0.0f, 3, 2, 96);
        const float grain = noise.sample(u * 1.0f, v * 256.0f, 3.0f, 1, 256);
        const float sheen =
            0.5f + 0.5f * std::cos((v + 0.08f * std::sin(u * 2.0f * kPi)) * 4.0f * kPi);
        const float shade = 0.35f + 0.25f * scratches + 0.1f * grain + 0.35f * sheen * sheen;
        return metal.at(clamp01(shade));
    });
}

// Polished stone: dark red marble, broad cloudy bands and thin pale veins,
// both bent by fractal noise.
Canvas polishedStone() {
    const Noise noise(0x5701e);
    const ColourRamp stone{{0.0f, rgb8(18, 3, 5)},
                           {0.45f, rgb8(66, 9, 14)},
                           {0.75f, rgb8(132, 28, 32)},
                           {1.0f, rgb8(236, 186, 176)}};
    return tile([&](float u, float v) {
        const float bend = noise.fractal(u * 3.0f, v * 3.0f, 0.0f, 5, 3, 3);
        const float band = 0.5f + 0.5f * std::sin((u + v * 2.0f + bend * 0.7f) * 2.0f * kPi);
        const float clouds = 0.5f + 0.5f * noise.fractal(u * 6.0f, v * 6.0f, 5.0f, 4, 6, 6);
        const float shade =
            0.15f + 0.2f * clouds + 0.45f * band * band + 0.4f * std::pow(band, 30.0f);
        return stone.at(clamp01(shade));
    });
}

// Glazed icing: a wavy cherry glaze lit from the top left, with sprinkles
// scattered so that those crossing an edge come back on the other side.
Canvas donutGlaze() {
    const Noise noise(0xd0);
    const float size = kSurfaceSize;
    auto height = [&](float u, float v) {
        return noise.fractal(u * 4.0f, v * 4.0f, 0.0f, 3, 4, 4);
    };
    Canvas canvas = tile([&](float u, float v) {
        const float step = 1.0f / size;
        const float h = height(u, v);
        const float slopeU = (height(u + step, v) - h) / step;
        const float slopeV = (height(u, v + step) - h) / step;
        const Vec3 normal = normalized({-slopeU * 0.06f, -slopeV * 0.06f, 1.0f});
        // Lit from the top left; the highlight halfway between light and viewer.
        const Vec3 light = normalized({-0.5f, -0.6f, 0.8f});
        const Vec3 halfway = normalized({light.x, light.y, light.z + 1.0f});
        const float diffuse = clamp01(dot(normal, light));
        const float gloss = std::pow(clamp01(dot(normal, halfway)), 40.0f);
        const Rgba glaze = mix(rgb8(80, 4, 18), rgb8(176, 24, 48), diffuse * (0.7f + 0.3f * h));
        return mix(glaze, rgb8(255, 230, 235), 0.85f * gloss);
    });

    const Rgba colours[] = {rgb8(250, 246, 236), rgb8(255, 204, 60), rgb8(255, 130, 170),
                            rgb8(255, 120, 30), rgb8(120, 220, 190)};
    Random random(0x5b11);
    Mask shadow = canvas.newMask();
    Mask shine = canvas.newMask();
    std::vector<Mask> sprinkles(std::size(colours), canvas.newMask());
    for (int i = 0; i < 150; ++i) {
        const Point centre{random.range(0.0f, size), random.range(0.0f, size)};
        const float angle = random.range(0.0f, kPi);
        const Point half = Point{std::cos(angle), std::sin(angle)} * random.range(4.0f, 7.0f);
        Mask& mask = sprinkles[static_cast<size_t>(random.next() % std::size(colours))];
        const Point lower{1.5f, 2.0f};
        // Each sprinkle and its copies one tile away, clipped to the picture by the fill.
        for (int j = -1; j <= 1; ++j) {
            for (int k = -1; k <= 1; ++k) {
                const Point at = centre + Point{k * size, j * size};
                const Point reach{10.0f, 10.0f};
                shadow.fill(capsule(at - half + lower, at + half + lower, 2.4f), at - reach,
                            at + reach + lower);
                mask.fill(capsule(at - half, at + half, 2.2f), at - reach, at + reach);
                const Point upper = at - Point{0.7f, 0.9f};
                shine.fill(capsule(upper - half * 0.8f, upper + half * 0.8f, 0.8f), at - reach,
                           at + reach);
            }
        }
    }
    canvas.paint(shadow.blur(1.0f, Mask::Edges::Wrap), rgb8(30, 0, 8, 0.55f));
    for (size_t i = 0; i < sprinkles.size(); ++i)
        canvas.paint(sprinkles[i], colours[i]);
    canvas.paint(shine, rgb8(255, 255, 255, 0.45f));
    return canvas;
}

} // namespace pictures
