// The picture generator's building blocks: noise, coverage masks, composition
// and text.
#include "pictures/Canvas.h"
#include "pictures/Noise.h"
#include "pictures/Shapes.h"
#include "pictures/Typeface.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pictures;

namespace {

double total(const Mask& mask) {
    double sum = 0.0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            sum += mask.at(x, y);
    return sum;
}

std::string fontPath(const char* file) {
    return std::string(GLIMMER_FONT_DIR) + "/" + file;
}

} // namespace

TEST(PictureNoise, RepeatsWithItsPeriodsAndVariesWithin) {
    const Noise noise(7);
    double spread = 0.0;
    for (int i = 0; i < 50; ++i) {
        const float x = 0.37f * i;
        const float y = 0.61f * i + 0.2f;
        EXPECT_NEAR(noise.sample(x, y, 1.3f, 5, 3), noise.sample(x + 5.0f, y - 3.0f, 1.3f, 5, 3),
                    1e-4f);
        EXPECT_NEAR(noise.fractal(x, y, 0.5f, 4, 5, 3),
                    noise.fractal(x - 5.0f, y + 6.0f, 0.5f, 4, 5, 3), 1e-4f);
        EXPECT_NEAR(noise.ridged(x, y, 0.5f, 3, 2, 2),
                    noise.ridged(x + 2.0f, y + 2.0f, 0.5f, 3, 2, 2), 1e-4f);
        spread += std::fabs(noise.sample(x, y, 1.3f));
    }
    EXPECT_GT(spread / 50, 0.05); // not flat
    // Zero at lattice points, different seeds differ.
    EXPECT_FLOAT_EQ(noise.sample(2.0f, 3.0f, 4.0f), 0.0f);
    double seedDifference = 0.0;
    for (int i = 0; i < 20; ++i)
        seedDifference += std::fabs(Noise(1).sample(0.3f * i, 0.7f, 0.2f) -
                                    Noise(2).sample(0.3f * i, 0.7f, 0.2f));
    EXPECT_GT(seedDifference, 0.5);
}

TEST(PictureNoise, RandomStreamIsSeededAndInRange) {
    Random a(42);
    Random b(42);
    Random c(43);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const float value = a.range(2.0f, 3.0f);
        EXPECT_GE(value, 2.0f);
        EXPECT_LT(value, 3.0f);
        EXPECT_EQ(value, b.range(2.0f, 3.0f));
        differs = differs || value != c.range(2.0f, 3.0f);
    }
    EXPECT_TRUE(differs);
}

TEST(PictureMask, CoverageOfShapesMatchesTheirArea) {
    Mask disc(64, 64);
    disc.fill(circle({32.0f, 32.0f}, 20.0f));
    EXPECT_NEAR(total(disc), kPi * 400.0, 2.0);
    EXPECT_FLOAT_EQ(disc.at(32, 32), 1.0f);
    EXPECT_FLOAT_EQ(disc.at(2, 2), 0.0f);

    // A half plane edge through pixel centres covers those pixels by half.
    Mask half(8, 8);
    half.fill([](Point p) { return p.x - 4.5f; });
    EXPECT_NEAR(half.at(4, 3), 0.5f, 1e-4f);
    EXPECT_FLOAT_EQ(half.at(3, 3), 1.0f);
    EXPECT_FLOAT_EQ(half.at(5, 3), 0.0f);

    // A stretched view draws the design-space circle as an ellipse of the same area in design
    // units.
    Mask stretched(64, 64, View{2.0f, 1.0f});
    stretched.fill(circle({64.0f, 32.0f}, 20.0f));
    EXPECT_NEAR(total(stretched) * 2.0, kPi * 400.0, 4.0);
    EXPECT_GT(stretched.at(32, 49), 0.9f); // 17 rows down, within the radius
    EXPECT_LT(stretched.at(45, 32), 0.1f); // 26 design units to the right, outside
}

TEST(PictureMask, BlurSpreadsCoverageButKeepsItsAmount) {
    Mask mask(64, 64);
    mask.fill(roundedBox({32.0f, 32.0f}, {6.0f, 6.0f}, 0.0f));
    const double before = total(mask);
    mask.blur(3.0f);
    EXPECT_NEAR(total(mask), before, 0.01 * before);
    EXPECT_LT(mask.at(32, 32), 1.0f);
    EXPECT_GT(mask.at(32, 42), 0.0f);
    EXPECT_NEAR(mask.at(20, 32), mask.at(43, 32), 1e-4f); // symmetric about the box's centre

    // Wrapping edges: what leaves one side comes in at the other, nothing is lost.
    Mask edge(16, 16);
    edge.fill(roundedBox({1.0f, 8.0f}, {1.0f, 1.0f}, 0.0f));
    const double edgeBefore = total(edge);
    edge.blur(2.0f, Mask::Edges::Wrap);
    EXPECT_NEAR(total(edge), edgeBefore, 1e-3);
    EXPECT_GT(edge.at(15, 8), 0.0f);
    EXPECT_NEAR(edge.at(15, 8), edge.at(2, 8), 1e-5f); // mirror images about the seam at x = 1

    Mask clipped(64, 64);
    clipped.fill(circle({32.0f, 32.0f}, 10.0f)).clip(Mask(64, 64));
    EXPECT_EQ(total(clipped), 0.0);
}

TEST(PictureCanvas, PaintsThroughCoverageWithSourceOver) {
    Canvas canvas(4, 1, View{}, Rgba{0.0f, 0.0f, 1.0f, 1.0f});
    Mask coverage(4, 1);
    coverage.at(1, 0) = 0.5f;
    coverage.at(2, 0) = 1.0f;
    canvas.paint(coverage, Rgba{1.0f, 0.0f, 0.0f, 1.0f});
    EXPECT_FLOAT_EQ(canvas.at(0, 0).r, 0.0f);
    EXPECT_FLOAT_EQ(canvas.at(1, 0).r, 0.5f);
    EXPECT_FLOAT_EQ(canvas.at(1, 0).b, 0.5f);
    EXPECT_FLOAT_EQ(canvas.at(2, 0).r, 1.0f);
    EXPECT_FLOAT_EQ(canvas.at(2, 0).a, 1.0f);

    // Over a transparent ground the colour stays and only the alpha follows the coverage.
    const Rgba onClear = over(Rgba{1.0f, 0.5f, 0.0f, 0.25f}, Rgba{});
    EXPECT_FLOAT_EQ(onClear.g, 0.5f);
    EXPECT_FLOAT_EQ(onClear.a, 0.25f);
}

TEST(PictureCanvas, CarriesColourIntoTransparentSurroundings) {
    Canvas canvas(16, 3);
    canvas.at(4, 1) = Rgba{1.0f, 0.5f, 0.0f, 0.2f};
    canvas.extendColourIntoClear(3);
    for (const int x : {1, 2, 3, 5, 6, 7}) {
        EXPECT_FLOAT_EQ(canvas.at(x, 1).r, 1.0f) << x;
        EXPECT_FLOAT_EQ(canvas.at(x, 1).g, 0.5f) << x;
        EXPECT_FLOAT_EQ(canvas.at(x, 1).a, 0.0f) << x; // still transparent
    }
    EXPECT_FLOAT_EQ(canvas.at(8, 1).r, 0.0f); // beyond reach
    EXPECT_FLOAT_EQ(canvas.at(0, 1).r, 0.0f);
    EXPECT_FLOAT_EQ(canvas.at(4, 0).r, 1.0f);
    EXPECT_FLOAT_EQ(canvas.at(4, 1).a, 0.2f); // drawn pixels untouched
}

TEST(PictureShapes, CombinationsFollowSetRules) {
    const Field a = circle({0.0f, 0.0f}, 10.0f);
    const Field b = circle({12.0f, 0.0f}, 10.0f);
    const Point middle{6.0f, 0.0f};
    const Point onlyA{-5.0f, 0.0f};
    EXPECT_LT(unite(a, b)(onlyA), 0.0f);
    EXPECT_LT(intersect(a, b)(middle), 0.0f);
    EXPECT_GT(intersect(a, b)(onlyA), 0.0f);
    EXPECT_GT(subtract(a, b)(middle), 0.0f);
    EXPECT_LT(subtract(a, b)(onlyA), 0.0f);
    EXPECT_LE(uniteSmoothly(a, b, 4.0f)({6.0f, 8.5f}), unite(a, b)({6.0f, 8.5f}));
    EXPECT_NEAR(outline(a, 1.0f)({10.5f, 0.0f}), -0.5f, 1e-5f);
    // A shape near one edge of a tile comes back at the other.
    const Field wrappedDot = wrapped(circle({1.0f, 1.0f}, 2.0f), 100.0f, 100.0f);
    EXPECT_LT(wrappedDot({99.5f, 0.5f}), 0.0f);
    EXPECT_LT(wrappedDot({0.5f, 99.5f}), 0.0f);
    EXPECT_GT(wrappedDot({50.0f, 0.5f}), 0.0f);
    EXPECT_FLOAT_EQ(mirroredX(b, 0.0f)({-12.0f, 0.0f}), -10.0f);
    // A tapered stroke is wider at its start.
    const Field stroke = taperedPath({{0.0f, 0.0f}, {100.0f, 0.0f}}, taper(8.0f, 1.0f, 2));
    EXPECT_LT(stroke({5.0f, 6.0f}), 0.0f);
    EXPECT_GT(stroke({95.0f, 6.0f}), 0.0f);
    const std::vector<float> radii = swell(1.0f, 4.0f, 9);
    EXPECT_FLOAT_EQ(radii.front(), 1.0f);
    EXPECT_FLOAT_EQ(radii.back(), 1.0f);
    EXPECT_FLOAT_EQ(radii[4], 4.0f);
    EXPECT_GT(radii[2], 3.0f);
}

TEST(PictureText, SetsCentredLettersThatScaleWithSize) {
    Typeface face(fontPath("DejaVuSans-Bold.ttf"));
    ASSERT_TRUE(face.ready());
    EXPECT_FALSE(Typeface(fontPath("missing.ttf")).ready());
    const float width = face.measure("glimmerfell", 40.0f);
    EXPECT_NEAR(face.measure("glimmerfell", 80.0f), 2.0f * width, 0.5f);
    EXPECT_NEAR(face.sizeFor("glimmerfell", width), 40.0f, 0.01f);
    EXPECT_GT(face.measure("glimmerfell", 40.0f, 3.0f), width + 29.0f); // ten gaps

    // Ink extent of the text set at 40 units, centred on x = 150, in a mask
    // whose pixels are scaleX design units wide.
    struct Extent {
        int left = 1 << 20, right = -1, top = 1 << 20;
    };
    auto setAndMeasure = [&](float scaleX) {
        Mask mask(static_cast<int>(300 / scaleX), 60, View{scaleX, 1.0f});
        face.set(mask, "glimmerfell", 150.0f, 40.0f, 40.0f);
        Extent extent;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                if (mask.at(x, y) > 0.5f) {
                    extent.left = std::min(extent.left, x);
                    extent.right = std::max(extent.right, x);
                    extent.top = std::min(extent.top, y);
                }
        return extent;
    };
    const Extent plain = setAndMeasure(1.0f);
    ASSERT_GE(plain.right, 0) << "nothing was set";
    EXPECT_NEAR((plain.left + plain.right) / 2.0, 150.0, 3.0);
    EXPECT_NEAR(plain.right - plain.left, width, 10.0); // the advance includes the side bearings
    EXPECT_NEAR(40 - plain.top, 0.76 * 40, 4.0);        // ascender height of the l and f

    // Pixels twice as wide: half as many columns, the same height.
    const Extent squeezed = setAndMeasure(2.0f);
    EXPECT_NEAR((squeezed.left + squeezed.right) / 2.0, 75.0, 2.0);
    EXPECT_NEAR(squeezed.right - squeezed.left, (plain.right - plain.left) / 2.0, 3.0);
    EXPECT_EQ(squeezed.top, plain.top);
}
