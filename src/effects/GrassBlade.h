// The two shapes of a grass blade, as the vertices of one triangle strip, worked
// out in single precision for a moment in time. Pure arithmetic: the display lists
// of the grass field are compiled from these.
#pragma once

#include <array>
#include <cstdint>

struct BladeVertex {
    std::array<float, 3> normal{};
    std::array<float, 2> texCoord{};
    std::array<float, 3> position{};
};

struct BladeShape {
    static constexpr int MAX_VERTICES = 42;
    std::array<BladeVertex, MAX_VERTICES> vertices{};
    int count = 0;
    // Only textured shapes give their vertices texture coordinates.
    bool textured = false;
};

// SINE: a tapering blade 6.18 high whose upper part swings to and fro in z, 21
// vertices (ten pairs and a tip), untextured. Its root stays at z 0.
BladeShape swayingBlade(uint32_t time);

// DIRC: a textured blade of twenty segments of 0.8, each bent from the one below
// by the same angle, which the wind turns from one side to the other; 42 vertices
// (the root pair and twenty pairs). Upright when the angle is 0.
BladeShape curlingBlade(uint32_t time);
