#include "Shapes.h"

#include <cmath>

namespace pictures {

Field circle(Point centre, float radius) {
    return [=](Point p) { return length(p - centre) - radius; };
}

Field ellipse(Point centre, float radiusX, float radiusY, float angle) {
    const float scale = std::min(radiusX, radiusY);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return [=](Point p) {
        const Point d = p - centre;
        const Point q{(d.x * c + d.y * s) / radiusX, (-d.x * s + d.y * c) / radiusY};
        return (length(q) - 1.0f) * scale;
    };
}

Field roundedBox(Point centre, Point halfSize, float cornerRadius) {
    return [=](Point p) {
        const float qx = std::fabs(p.x - centre.x) - halfSize.x + cornerRadius;
        const float qy = std::fabs(p.y - centre.y) - halfSize.y + cornerRadius;
        const Point outside{std::max(qx, 0.0f), std::max(qy, 0.0f)};
        return length(outside) + std::min(std::max(qx, qy), 0.0f) - cornerRadius;
    };
}

Field taperedPath(std::vector<Point> points, std::vector<float> radii) {
    return [points = std::move(points), radii = std::move(radii)](Point p) {
        float best = 1e30f;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            const Point a = points[i];
            const Point along = points[i + 1] - a;
            const float span = std::max(dot(along, along), 1e-12f);
            const float t = clamp01(dot(p - a, along) / span);
            const float radius = lerp(radii[i], radii[i + 1], t);
            best = std::min(best, length(p - (a + along * t)) - radius);
        }
        return best;
    };
}

Field capsule(Point from, Point to, float radius) {
    return taperedPath({from, to}, {radius, radius});
}

Field unite(Field a, Field b) {
    return [=](Point p) { return std::min(a(p), b(p)); };
}

Field uniteSmoothly(Field a, Field b, float blend) {
    return [=](Point p) {
        const float da = a(p);
        const float db = b(p);
        const float h = clamp01(0.5f + 0.5f * (db - da) / blend);
        return lerp(db, da, h) - blend * h * (1.0f - h);
    };
}

Field intersect(Field a, Field b) {
    return [=](Point p) { return std::max(a(p), b(p)); };
}

Field subtract(Field from, Field cut) {
    return [=](Point p) { return std::max(from(p), -cut(p)); };
}

Field outline(Field shape, float halfWidth) {
    return [=](Point p) { return std::fabs(shape(p)) - halfWidth; };
}

Field wrapped(Field shape, float periodX, float periodY) {
    const int reachX = periodX > 0.0f ? 1 : 0;
    const int reachY = periodY > 0.0f ? 1 : 0;
    return [=](Point p) {
        float best = 1e30f;
        for (int j = -reachY; j <= reachY; ++j)
            for (int i = -reachX; i <= reachX; ++i)
                best = std::min(best, shape({p.x + i * periodX, p.y + j * periodY}));
        return best;
    };
}

Field mirroredX(Field shape, float axisX) {
    return [=](Point p) { return shape({axisX + std::fabs(p.x - axisX), p.y}); };
}

std::vector<Point> bezier(Point from, Point control, Point to, int segments) {
    std::vector<Point> points;
    for (int i = 0; i <= segments; ++i) {
        const float t = static_cast<float>(i) / segments;
        const float u = 1.0f - t;
        points.push_back(from * (u * u) + control * (2.0f * u * t) + to * (t * t));
    }
    return points;
}

std::vector<float> taper(float first, float last, size_t count) {
    std::vector<float> radii;
    for (size_t i = 0; i < count; ++i)
        radii.push_back(lerp(first, last, count > 1 ? static_cast<float>(i) / (count - 1) : 0.0f));
    return radii;
}

std::vector<float> swell(float ends, float middle, size_t count) {
    std::vector<float> radii;
    for (size_t i = 0; i < count; ++i) {
        const float t = count > 1 ? static_cast<float>(i) / (count - 1) : 0.5f;
        radii.push_back(lerp(ends, middle, std::sqrt(std::max(0.0f, std::sin(t * kPi)))));
    }
    return radii;
}

} // namespace pictures
