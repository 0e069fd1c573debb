// The lava environment: one colour function of the viewing direction,
// sampled through each face of a cube, so neighbouring faces meet without
// seams. Below the horizon a lava sea with glowing cracks, above it the dusk.
#include "Noise.h"
#include "Palette.h"
#include "Pictures.h"

#include <cmath>

namespace pictures {

namespace {

constexpr int kFaceSize = 256;

// OpenGL picks the face by the direction's major axis (ma) and reads it at
// s = (sc / |ma| + 1) / 2 and t = (tc / |ma| + 1) / 2, where
//   +X: sc = -z, tc = -y        -X: sc = +z, tc = -y
//   +Y: sc = +x, tc = +z        -Y: sc = +x, tc = -z
//   +Z: sc = +x, tc = -y        -Z: sc = -x, tc = -y
// s runs along a row of the uploaded face, t across rows, t = 0 being the
// first row uploaded. The show's image decoder delivers rows bottom-up, so the
// first row uploaded is the bottom row of the PNG: the PNG pixel in column c
// and row r (counted from the top) is sampled at s = (c + 0.5) / W and
// t = 1 - (r + 0.5) / H. The function below inverts the table for one face.
Vec3 faceDirection(CubeFace face, float sc, float tc) {
    switch (face) {
    case CubeFace::PositiveX:
        return {1.0f, -tc, -sc};
    case CubeFace::NegativeX:
        return {-1.0f, -tc, sc};
    case CubeFace::PositiveY:
        return {sc, 1.0f, tc};
    case CubeFace::NegativeY:
        return {sc, -1.0f, -tc};
    case CubeFace::PositiveZ:
        return {sc, -tc, 1.0f};
    default:
        return {-sc, -tc, -1.0f};
    }
}

const Noise& lavaNoise() {
    static const Noise noise(0x1a7a);
    return noise;
}

Rgba lavaSea(Vec3 d) {
    const Noise& noise = lavaNoise();
    // Heat: broad molten patches; cracks: a network of thin ridges between crust plates.
    const float heat = clamp01(0.5f + 0.9f * noise.fractal(d.x * 1.6f, d.y * 1.6f, d.z * 1.6f, 3));
    const float warp = noise.fractal(d.x * 3.0f + 5.0f, d.y * 3.0f, d.z * 3.0f, 2) * 0.35f;
    const float ridges = noise.ridged(d.x * 5.0f + warp, d.y * 5.0f, d.z * 5.0f - warp, 4);
    const float cracks = std::pow(clamp01(ridges), 6.0f);
    const float crust = 0.5f + 0.5f * noise.fractal(d.x * 14.0f, d.y * 14.0f, d.z * 14.0f, 3);
    const float glow = cracks * (0.55f + 0.6f * heat) + heat * heat * 0.35f + crust * 0.12f;
    return palette::lava().at(clamp01(glow));
}

Rgba duskSky(Vec3 d) {
    const Noise& noise = lavaNoise();
    const float height = clamp01(d.y);
    const float smoke = noise.fractal(d.x * 2.5f + 40.0f, d.y * 4.0f, d.z * 2.5f, 5);
    const float light = std::pow(1.0f - height, 1.7f) * (0.8f + 0.4f * smoke);
    Rgba sky = palette::dusk().at(clamp01(light));
    // Banks of smoke, lit red from the lava below, fading towards the zenith.
    const float bank = smoothstep(-0.05f, 0.45f, smoke);
    const Rgba underlit = mix(rgb8(70, 14, 20), rgb8(150, 36, 22), std::pow(1.0f - height, 2.0f));
    sky = mix(sky, underlit, bank * (0.35f + 0.4f * (1.0f - height)));
    // Embers rising from the lava: sparse bright specks near the horizon.
    const float speck = noise.sample(d.x * 60.0f, d.y * 60.0f, d.z * 60.0f);
    const float ember = smoothstep(0.5f, 0.68f, speck) * std::pow(1.0f - height, 6.0f);
    return mix(sky, palette::lava().at(0.9f), ember);
}

Rgba environment(Vec3 direction) {
    const Vec3 d = normalized(direction);
    const float wobble = lavaNoise().fractal(d.x * 3.0f, 7.0f, d.z * 3.0f, 3) * 0.06f;
    const float horizon = smoothstep(-0.05f, 0.05f, d.y + wobble);
    // Heat haze over the far lava.
    const float haze = 0.45f * std::exp(-std::fabs(d.y) * 9.0f);
    return mix(mix(lavaSea(d), duskSky(d), horizon), palette::lava().at(0.68f), haze);
}

} // namespace

Canvas lavaFace(CubeFace face) {
    Canvas canvas(kFaceSize, kFaceSize);
    for (int row = 0; row < kFaceSize; ++row) {
        for (int column = 0; column < kFaceSize; ++column) {
            const float s = (column + 0.5f) / kFaceSize;
            const float t = 1.0f - (row + 0.5f) / kFaceSize;
            canvas.at(column, row) =
                environment(faceDirection(face, 2.0f * s - 1.0f, 2.0f * t - 1.0f));
        }
    }
    return canvas;
}

} // namespace pictures
