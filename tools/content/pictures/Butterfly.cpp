// The butterfly, seen from above. The swarm draws it on a quad folded along
// the picture's vertical centre line (s = 0.5), head at the top (t = 1): so
// the body lies on that line, the wings spread to both sides, every colour is
// mirrored exactly about it, and the border stays fully transparent.
#include "Noise.h"
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include <cmath>

namespace pictures {

namespace {

constexpr int kSize = 256;
constexpr float kAxis = kSize / 2.0f;
const Point kWingRoot{kAxis, 112.0f};

// One side's wings (right of the axis), with a scalloped rim.
Field rightWings() {
    const Field fore = ellipse({kAxis + 58.0f, 78.0f}, 62.0f, 40.0f, -0.5f);
    const Field hind = ellipse({kAxis + 44.0f, 150.0f}, 44.0f, 52.0f, 0.35f);
    const Field wings = uniteSmoothly(fore, hind, 10.0f);
    return [=](Point p) {
        const Point fromRoot = p - kWingRoot;
        const float angle = std::atan2(fromRoot.y, fromRoot.x);
        return wings(p) +
               1.6f * std::sin(angle * 22.0f) * smoothstep(20.0f, 60.0f, length(fromRoot));
    };
}

Field wings() {
    return mirroredX(rightWings(), kAxis);
}

Field body() {
    Field thorax = ellipse({kAxis, 114.0f}, 8.0f, 17.0f);
    Field head = circle({kAxis, 92.0f}, 7.0f);
    Field abdomen = taperedPath(bezier({kAxis, 126.0f}, {kAxis, 160.0f}, {kAxis, 186.0f}, 8),
                                taper(7.0f, 2.0f, 9));
    Field antenna = taperedPath(
        bezier({kAxis + 3.0f, 87.0f}, {kAxis + 8.0f, 55.0f}, {kAxis + 30.0f, 36.0f}, 10),
        taper(1.3f, 0.9f, 11));
    Field club = ellipse({kAxis + 31.0f, 35.0f}, 4.5f, 3.0f, -0.6f);
    return uniteSmoothly(uniteSmoothly(thorax, head, 3.0f),
                         unite(abdomen, mirroredX(unite(antenna, club), kAxis)), 3.0f);
}

// Wing colour at a point, from its distance to the rim and its direction
// from the wing root, mirrored about the axis.
Rgba wingColour(Point p, const Field& wingShape, const Noise& noise) {
    const Point q{kAxis + std::fabs(p.x - kAxis), p.y};
    const float depth = -wingShape(q);
    const Point fromRoot = q - kWingRoot;
    const float reach = length(fromRoot);
    const float angle = std::atan2(fromRoot.y, fromRoot.x);

    const float dusting = noise.fractal(q.x * 0.08f, q.y * 0.08f, 0.0f, 3);
    const Rgba inner = rgb8(70, 10, 8);
    const Rgba flame = mix(rgb8(214, 60, 14), rgb8(255, 150, 40), clamp01(0.5f + dusting));
    Rgba colour = mix(inner, flame, smoothstep(22.0f, 48.0f, reach));
    // The hindwings burn deeper red than the forewings.
    colour = mix(colour, mix(rgb8(150, 20, 12), rgb8(200, 50, 16), clamp01(0.5f + dusting)),
                 smoothstep(110.0f, 130.0f, q.y));
    // Black margin with a row of pale spots along it.
    colour = mix(colour, rgb8(16, 4, 4), smoothstep(13.0f, 9.0f, depth));
    const float spots = std::pow(std::fabs(std::sin(angle * 11.0f)), 10.0f) *
                        smoothstep(2.5f, 0.0f, std::fabs(depth - 5.5f)) *
                        smoothstep(45.0f, 60.0f, reach);
    colour = mix(colour, rgb8(255, 226, 180), spots);
    // Dark veins fanning out from the root.
    const float vein =
        std::pow(std::fabs(std::cos(angle * 7.0f)), 40.0f) * smoothstep(18.0f, 40.0f, reach);
    colour = mix(colour, rgb8(30, 6, 4), 0.8f * vein);
    // An eye spot on each forewing.
    const float eyeDistance = length(q - Point{kAxis + 78.0f, 64.0f});
    if (eyeDistance < 11.0f) {
        const Rgba ring = eyeDistance < 3.5f   ? rgb8(255, 245, 220)
                          : eyeDistance < 7.0f ? rgb8(20, 6, 10)
                                               : rgb8(255, 190, 60);
        colour = mix(colour, ring, smoothstep(11.0f, 9.5f, eyeDistance));
    }
    return colour;
}

} // namespace

Canvas butterfly() {
    Canvas canvas(kSize, kSize);
    const Noise noise(0xb077);
    const Field wingShape = wings();
    const Field bodyShape = body();
    Mask wingMask = canvas.newMask();
    wingMask.fill(wingShape);
    Mask shade = wingMask;
    canvas.paint(shade.blur(2.0f), rgb8(40, 4, 4, 0.35f));
    canvas.paint(wingMask, [&](Point p) { return wingColour(p, wingShape, noise); });
    Mask bodyMask = canvas.newMask();
    bodyMask.fill(bodyShape);
    canvas.paint(bodyMask, [&](Point p) {
        const float fur =
            0.5f + 0.5f * noise.sample(std::fabs(p.x - kAxis) * 0.6f, p.y * 0.6f, 4.0f);
        return mix(rgb8(24, 10, 8), rgb8(90, 40, 24), fur);
    });
    return canvas;
}

} // namespace pictures
