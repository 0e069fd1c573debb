#include "Noise.h"

#include "Maths.h"

namespace pictures {

namespace {

uint32_t hash(uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

int wrapLattice(int index, int period) {
    if (period <= 0)
        return index;
    const int wrappedIndex = index % period;
    return wrappedIndex < 0 ? wrappedIndex + period : wrappedIndex;
}

// Quintic fade: smooth in value, slope and curvature at lattice points.
float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

int floorToInt(float v) {
    const int i = static_cast<int>(v);
    return v < static_cast<float>(i) ? i - 1 : i;
}

struct Octave {
    float x, y, z;
    int periodX, periodY;
    int index;
};

// Weighted mean of one term per octave; frequency and periods double, weight halves.
template <typename Term>
float sumOctaves(float x, float y, float z, int octaves, int periodX, int periodY, Term term) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int index = 0; index < octaves; ++index) {
        sum += amplitude * term(Octave{x, y, z, periodX, periodY, index});
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        z *= 2.0f;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5f;
    }
    return sum / total;
}

} // namespace

float Noise::gradientDot(int ix, int iy, int iz, float fx, float fy, float fz) const {
    const uint32_t h =
        hash(static_cast<uint32_t>(ix) * 0x8da6b343U ^ static_cast<uint32_t>(iy) * 0xd8163841U ^
             static_cast<uint32_t>(iz) * 0xcb1ab31fU ^ hash(seed_));
    // The twelve edge directions of a cube, as in improved Perlin noise.
    switch (h % 12) {
    case 0:
        return fx + fy;
    case 1:
        return -fx + fy;
    case 2:
        return fx - fy;
    case 3:
        return -fx - fy;
    case 4:
        return fx + fz;
    case 5:
        return -fx + fz;
    case 6:
        return fx - fz;
    case 7:
        return -fx - fz;
    case 8:
        return fy + fz;
    case 9:
        return -fy + fz;
    case 10:
        return fy - fz;
    default:
        return -fy - fz;
    }
}

float Noise::sample(float x, float y, float z, int periodX, int periodY, int periodZ) const {
    const int x0 = floorToInt(x);
    const int y0 = floorToInt(y);
    const int z0 = floorToInt(z);
    const float fx = x - x0;
    const float fy = y - y0;
    const float fz = z - z0;
    float corners[2][2][2];
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                corners[k][j][i] =
                    gradientDot(wrapLattice(x0 + i, periodX), wrapLattice(y0 + j, periodY),
                                wrapLattice(z0 + k, periodZ), fx - i, fy - j, fz - k);
    const float u = fade(fx);
    const float v = fade(fy);
    const float w = fade(fz);
    auto plane = [&](int k) {
        return lerp(lerp(corners[k][0][0], corners[k][0][1], u),
                    lerp(corners[k][1][0], corners[k][1][1], u), v);
    };
    return lerp(plane(0), plane(1), w);
}

float Noise::fractal(float x, float y, float z, int octaves, int periodX, int periodY) const {
    const float sum = sumOctaves(x, y, z, octaves, periodX, periodY, [&](const Octave& o) {
        return sample(o.x, o.y, o.z + 17.0f * o.index, o.periodX, o.periodY);
    });
    return sum * 1.4f;
}

float Noise::ridged(float x, float y, float z, int octaves, int periodX, int periodY) const {
    return sumOctaves(x, y, z, octaves, periodX, periodY, [&](const Octave& o) {
        const float ridge =
            1.0f - std::fabs(sample(o.x, o.y, o.z + 31.0f * o.index, o.periodX, o.periodY));
        return ridge * ridge;
    });
}

uint64_t Random::next() {
    // splitmix64
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

float Random::range(float low, float high) {
    const float unit = static_cast<float>(next() >> 40) / static_cast<float>(1ULL << 24);
    return low + (high - low) * unit;
}

} // namespace pictures
