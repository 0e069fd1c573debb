// Deterministic randomness for the pictures: lattice gradient noise with
// optional periods (for pictures that tile), its fractal sum, and a seeded
// number stream. Nothing depends on the time or on the C library's rand.
#pragma once

#include <cstdint>

namespace pictures {

class Noise {
public:
    explicit Noise(uint32_t seed) : seed_(seed) {}

    // Gradient noise, about -1..1, smooth, zero at lattice points. An axis with
    // a period > 0 repeats after that many lattice cells.
    float sample(float x, float y, float z, int periodX = 0, int periodY = 0,
                 int periodZ = 0) const;

    // Fractal sum: each octave has twice the frequency and half the amplitude
    // of the one before; periods double with the frequency, so a tiling base
    // octave gives a tiling sum. Normalised to about -1..1.
    float fractal(float x, float y, float z, int octaves, int periodX = 0, int periodY = 0) const;

    // Like fractal, but sums 1 - |noise|: sharp ridges where the noise crosses zero.
    float ridged(float x, float y, float z, int octaves, int periodX = 0, int periodY = 0) const;

private:
    float gradientDot(int ix, int iy, int iz, float fx, float fy, float fz) const;

    uint32_t seed_;
};

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next();
    // Uniform in [low, high).
    float range(float low, float high);

private:
    uint64_t state_;
};

} // namespace pictures
