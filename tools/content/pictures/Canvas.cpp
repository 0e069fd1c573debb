#include "Canvas.h"

#include <cmath>

namespace pictures {

Rgba mix(Rgba from, Rgba to, float t) {
    return {lerp(from.r, to.r, t), lerp(from.g, to.g, t), lerp(from.b, to.b, t),
            lerp(from.a, to.a, t)};
}

Rgba withAlpha(Rgba colour, float alpha) {
    colour.a = alpha;
    return colour;
}

Rgba over(Rgba top, Rgba bottom) {
    const float alpha = top.a + bottom.a * (1.0f - top.a);
    if (alpha <= 0.0f)
        return {};
    const float keep = bottom.a * (1.0f - top.a);
    return {(top.r * top.a + bottom.r * keep) / alpha, (top.g * top.a + bottom.g * keep) / alpha,
            (top.b * top.a + bottom.b * keep) / alpha, alpha};
}

Mask::Mask(int width, int height, View view)
    : width_(width), height_(height), view_(view),
      values_(static_cast<size_t>(width) * height, 0.0f) {}

Mask& Mask::fill(const Field& shape) {
    return fill(shape, view_.design(0, 0), view_.design(width_, height_));
}

Mask& Mask::fill(const Field& shape, Point designMin, Point designMax) {
    const int x0 = std::max(0, static_cast<int>(std::floor(designMin.x / view_.scaleX)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(designMin.y / view_.scaleY)) - 1);
    const int x1 = std::min(width_, static_cast<int>(std::ceil(designMax.x / view_.scaleX)) + 1);
    const int y1 = std::min(height_, static_cast<int>(std::ceil(designMax.y / view_.scaleY)) + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            // Value and slope per pixel give the distance to the edge in pixels.
            // Central differences keep mirrored shapes exactly mirrored.
            const float here = shape(view_.design(x + 0.5f, y + 0.5f));
            const float slopeX =
                shape(view_.design(x + 1.0f, y + 0.5f)) - shape(view_.design(x, y + 0.5f));
            const float slopeY =
                shape(view_.design(x + 0.5f, y + 1.0f)) - shape(view_.design(x + 0.5f, y));
            const float slope = std::sqrt(slopeX * slopeX + slopeY * slopeY);
            const float coverage =
                slope > 1e-6f ? clamp01(0.5f - here / slope) : (here < 0.0f ? 1.0f : 0.0f);
            float& value = at(x, y);
            value = std::max(value, coverage);
        }
    }
    return *this;
}

Mask& Mask::merge(const Mask& other) {
    for (size_t i = 0; i < values_.size(); ++i)
        values_[i] = std::max(values_[i], other.values_[i]);
    return *this;
}

Mask& Mask::clip(const Mask& other) {
    for (size_t i = 0; i < values_.size(); ++i)
        values_[i] *= other.values_[i];
    return *this;
}

Mask& Mask::scale(float factor) {
    for (float& value : values_)
        value = clamp01(value * factor);
    return *this;
}

Mask& Mask::blur(float radius, Edges edges) {
    const int box = std::max(1, static_cast<int>(std::lround(radius)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(box, true, edges);
        boxPass(box, false, edges);
    }
    return *this;
}

// One running-sum box filter along rows or columns.
void Mask::boxPass(int radius, bool horizontal, Edges edges) {
    const int lines = horizontal ? height_ : width_;
    const int length = horizontal ? width_ : height_;
    const float weight = 1.0f / static_cast<float>(2 * radius + 1);
    std::vector<float> line(static_cast<size_t>(length));
    auto sample = [&](int i) {
        if (edges == Edges::Wrap)
            return line[static_cast<size_t>(((i % length) + length) % length)];
        return i >= 0 && i < length ? line[static_cast<size_t>(i)] : 0.0f;
    };
    for (int l = 0; l < lines; ++l) {
        auto cell = [&](int i) -> float& { return horizontal ? at(i, l) : at(l, i); };
        for (int i = 0; i < length; ++i)
            line[i] = cell(i);
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i)
            sum += sample(i);
        for (int i = 0; i < length; ++i) {
            cell(i) = sum * weight;
            sum += sample(i + radius + 1) - sample(i - radius);
        }
    }
}

Canvas::Canvas(int width, int height, View view, Rgba background)
    : width_(width), height_(height), view_(view),
      pixels_(static_cast<size_t>(width) * height, background) {}

void Canvas::paint(const Mask& coverage, Rgba colour) {
    paint(coverage, [colour](Point) { return colour; });
}

void Canvas::paint(const Mask& coverage, const Paint& colour) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float amount = coverage.at(x, y);
            if (amount <= 0.0f)
                continue;
            Rgba top = colour(view_.design(x + 0.5f, y + 0.5f));
            top.a *= amount;
            at(x, y) = over(top, at(x, y));
        }
    }
}

void Canvas::paint(const Paint& colour) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            at(x, y) = over(colour(view_.design(x + 0.5f, y + 0.5f)), at(x, y));
}

void Canvas::shade(const Paint& colour) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            at(x, y) = colour(view_.design(x + 0.5f, y + 0.5f));
}

void Canvas::extendColourIntoClear(int reach) {
    std::vector<bool> coloured(pixels_.size());
    for (size_t i = 0; i < pixels_.size(); ++i)
        coloured[i] = pixels_[i].a > 0.0f;
    for (int step = 0; step < reach; ++step) {
        std::vector<bool> next = coloured;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (coloured[index(x, y)])
                    continue;
                Rgba sum;
                int count = 0;
                const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
                for (const auto& n : neighbours) {
                    if (n[0] < 0 || n[1] < 0 || n[0] >= width_ || n[1] >= height_ ||
                        !coloured[index(n[0], n[1])])
                        continue;
                    const Rgba& c = pixels_[index(n[0], n[1])];
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, 0.0f};
                    ++count;
                }
                if (count == 0)
                    continue;
                pixels_[index(x, y)] = {sum.r / count, sum.g / count, sum.b / count, 0.0f};
                next[index(x, y)] = true;
            }
        }
        coloured.swap(next);
    }
}

} // namespace pictures
