// Small numeric helpers shared by the picture generators.
#pragma once

#include <algorithm>
#include <cmath>

namespace pictures {

constexpr float kPi = 3.14159265358979f;

inline float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

inline float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

// Hermite step from 0 at edge0 to 1 at edge1.
inline float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

inline Point operator+(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point operator-(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point operator*(Point a, float k) {
    return {a.x * k, a.y * k};
}
inline float dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
inline float length(Point a) {
    return std::sqrt(dot(a, a));
}

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vec3 normalized(Vec3 v) {
    const float n = std::sqrt(dot(v, v));
    return {v.x / n, v.y / n, v.z / n};
}

} // namespace pictures
