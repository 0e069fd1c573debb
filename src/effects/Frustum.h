// The six clip planes of a view, in the coordinates of whatever the model-view
// matrix maps from, and the eight-corner test of a box against them.
#pragma once

#include <array>

// nx, ny, nz, d: a point p is inside where nx·px + ny·py + nz·pz + d > 0.
using Plane = std::array<float, 4>;

struct Frustum {
    // Right, left, bottom, top, far, near.
    std::array<Plane, 6> planes{};
    // A plane of zero length or with a part that is not finite (a view through
    // a node scaled to nothing, or a broken matrix): nothing is inside.
    bool degenerate = false;
};

// From the projection and model-view matrices (16 floats each, column-major as
// OpenGL keeps them): the planes of clip = projection × modelView, each divided
// by the length of its normal.
Frustum extractFrustum(const float* projection, const float* modelView);

// True when, for every plane, at least one corner of the box (x from min/max x,
// and so on) lies strictly inside. A box touching a plane from outside fails.
bool boxInFrustum(const Frustum& frustum, const std::array<float, 6>& box);
