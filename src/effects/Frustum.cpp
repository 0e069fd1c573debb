#include "effects/Frustum.h"

#include <cmath>

namespace {

// Which row of clip each plane adds to (+1) or takes from (-1) the fourth row.
struct PlaneRow {
    int row;
    float sign;
};
constexpr PlaneRow PLANE_ROWS[6] = {{0, -1}, {0, 1}, {1, 1}, {1, -1}, {2, -1}, {2, 1}};

bool normalise(Plane& plane) {
    const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!(length > 0.0f) || !std::isfinite(length))
        return false;
    for (float& value : plane)
        value /= length;
    return std::isfinite(plane[3]);
}

} // namespace

Frustum extractFrustum(const float* projection, const float* modelView) {
    float clip[16];
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + row] * modelView[column * 4 + k];
            clip[column * 4 + row] = sum;
        }
    Frustum frustum;
    for (int p = 0; p < 6; ++p) {
        const PlaneRow& from = PLANE_ROWS[p];
        Plane& plane = frustum.planes[p];
        for (int column = 0; column < 4; ++column)
            plane[column] = clip[column * 4 + 3] + from.sign * clip[column * 4 + from.row];
        if (!normalise(plane))
            frustum.degenerate = true;
    }
    return frustum;
}

bool boxInFrustum(const Frustum& frustum, const std::array<float, 6>& box) {
    if (frustum.degenerate)
        return false;
    for (const Plane& plane : frustum.planes) {
        bool someCornerInside = false;
        for (int corner = 0; corner < 8 && !someCornerInside; ++corner) {
            const float x = box[corner & 1 ? 3 : 0];
            const float y = box[corner & 2 ? 4 : 1];
            const float z = box[corner & 4 ? 5 : 2];
            someCornerInside = plane[0] * x + plane[1] * y + plane[2] * z + plane[3] > 0.0f;
        }
        if (!someCornerInside)
            return false;
    }
    return true;
}
