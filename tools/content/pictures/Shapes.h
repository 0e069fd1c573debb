// Building blocks for fields (see Canvas.h): primitives in design space and
// ways to combine them.
#pragma once

#include "Canvas.h"

#include <vector>

namespace pictures {

Field circle(Point centre, float radius);
// An ellipse turned by angle (radians) about its centre.
Field ellipse(Point centre, float radiusX, float radiusY, float angle = 0.0f);
// Rectangle with rounded corners, given by centre and half sizes.
Field roundedBox(Point centre, Point halfSize, float cornerRadius);
// A stroke along a polyline whose half width runs from the first radius to the
// last one point by point (radii.size() == points.size()).
Field taperedPath(std::vector<Point> points, std::vector<float> radii);
Field capsule(Point from, Point to, float radius);

Field unite(Field a, Field b);
// Union with a rounded join of the given size.
Field uniteSmoothly(Field a, Field b, float blend);
Field intersect(Field a, Field b);
Field subtract(Field from, Field cut);
// A band of the given half width around the shape's edge.
Field outline(Field shape, float halfWidth);
// The shape repeated with the given periods (0: no repetition on that axis),
// so it wraps across the edges of a tiling picture.
Field wrapped(Field shape, float periodX, float periodY);
Field mirroredX(Field shape, float axisX);

// Points along a quadratic Bezier curve, both ends included.
std::vector<Point> bezier(Point from, Point control, Point to, int segments);
// Radii falling linearly from the first to the last over count points.
std::vector<float> taper(float first, float last, size_t count);
// Radii growing from the ends towards the middle of count points, full width
// over most of the length.
std::vector<float> swell(float ends, float middle, size_t count);

} // namespace pictures
