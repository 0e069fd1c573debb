// Float pictures and coverage masks, with anti-aliased filling of shapes.
//
// Shapes are fields: functions of a design-space point that are negative
// inside and grow outwards. Coverage of a pixel is worked out from the field's
// value and slope at the pixel centre, so edges are anti-aliased whether or not
// the field is an exact distance.
#pragma once

#include "Maths.h"

#include <functional>
#include <vector>

namespace pictures {

// Straight (not premultiplied) colour, every channel 0..1.
struct Rgba {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

Rgba mix(Rgba from, Rgba to, float t);
Rgba withAlpha(Rgba colour, float alpha);
// Source-over composition of straight colours.
Rgba over(Rgba top, Rgba bottom);

// Maps pixel coordinates to the coordinates a picture is designed in. Pictures
// that the show stretches over the screen are designed in screen pixels, so
// their shapes and letters keep their proportions once stretched.
struct View {
    float scaleX = 1.0f;
    float scaleY = 1.0f;

    Point design(float pixelX, float pixelY) const { return {pixelX * scaleX, pixelY * scaleY}; }
};

using Field = std::function<float(Point)>;
using Paint = std::function<Rgba(Point)>;

class Mask {
public:
    Mask(int width, int height, View view = {});

    int width() const { return width_; }
    int height() const { return height_; }
    const View& view() const { return view_; }
    float at(int x, int y) const { return values_[index(x, y)]; }
    float& at(int x, int y) { return values_[index(x, y)]; }

    // Adds the shape (union) within the design-space rectangle given by its corners.
    Mask& fill(const Field& shape);
    Mask& fill(const Field& shape, Point designMin, Point designMax);
    // Adds the other mask's coverage (union).
    Mask& merge(const Mask& other);
    // Keeps coverage only where the other mask covers too.
    Mask& clip(const Mask& other);
    // How a blur treats the border: as empty, or as continuing on the
    // opposite side (for pictures that tile).
    enum class Edges { Clear, Wrap };

    // Gaussian-like blur: three box passes in each direction, radius in pixels.
    Mask& blur(float radius, Edges edges = Edges::Clear);
    Mask& scale(float factor);

private:
    int index(int x, int y) const { return y * width_ + x; }
    void boxPass(int radius, bool horizontal, Edges edges);

    int width_;
    int height_;
    View view_;
    std::vector<float> values_;
};

class Canvas {
public:
    Canvas(int width, int height, View view = {}, Rgba background = {});

    int width() const { return width_; }
    int height() const { return height_; }
    const View& view() const { return view_; }
    Rgba at(int x, int y) const { return pixels_[index(x, y)]; }
    Rgba& at(int x, int y) { return pixels_[index(x, y)]; }
    // A mask of the same size and view, empty.
    Mask newMask() const { return Mask(width_, height_, view_); }

    // Composites colour over the picture where the mask covers it.
    void paint(const Mask& coverage, Rgba colour);
    void paint(const Mask& coverage, const Paint& colour);
    // Composites a colour function over the whole picture.
    void paint(const Paint& colour);
    // Sets every pixel from a function of its design-space centre.
    void shade(const Paint& colour);
    // Gives fully transparent pixels within reach of drawn ones the colour of
    // their drawn neighbours, alpha staying 0. Filtering and mipmapping mix
    // the colour of transparent pixels into the edges; this keeps dark fringes
    // away from them.
    void extendColourIntoClear(int reach);

private:
    int index(int x, int y) const { return y * width_ + x; }

    int width_;
    int height_;
    View view_;
    std::vector<Rgba> pixels_;
};

} // namespace pictures
