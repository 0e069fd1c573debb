// The eye, the banner that scrolls across it and the bars above and below.
#include "Noise.h"
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include <cmath>

namespace pictures {

namespace {

constexpr Point kEyeCentre{kScreenWidth / 2, kScreenHeight / 2};
constexpr float kEyeHalfWidth = 300.0f;

struct Arc {
    Point centre;
    float radius;
};

// The circle through both corners of the eye and the point `rise` above
// (negative: below) the middle of the eye.
Arc lidArc(float rise) {
    const float h = std::fabs(rise);
    const float radius = (kEyeHalfWidth * kEyeHalfWidth + h * h) / (2.0f * h);
    const float sign = rise > 0.0f ? 1.0f : -1.0f;
    return {{kEyeCentre.x, kEyeCentre.y - sign * (h - radius)}, radius};
}

const Arc kUpperLid = lidArc(150.0f);
const Arc kLowerLid = lidArc(-115.0f);

Field almond() {
    return intersect(circle(kUpperLid.centre, kUpperLid.radius),
                     circle(kLowerLid.centre, kLowerLid.radius));
}

Point onArc(const Arc& arc, float x, float sign) {
    const float dx = x - arc.centre.x;
    return {x, arc.centre.y + sign * std::sqrt(arc.radius * arc.radius - dx * dx)};
}

// Curved lashes along a lid: longest in the middle, leaning to the corners.
void addLashes(Mask& lashes, const Arc& arc, float sign, int count, float longest, Random& random) {
    for (int i = 0; i < count; ++i) {
        const float across = -0.88f + 1.76f * (i + random.range(0.2f, 0.8f)) / count;
        const Point root = onArc(arc, kEyeCentre.x + across * kEyeHalfWidth, sign);
        const Point outward = (root - arc.centre) * (1.0f / arc.radius);
        const Point sideways{across > 0 ? 1.0f : -1.0f, 0.0f};
        const float lean = std::fabs(across);
        const float size = longest * (1.0f - 0.55f * lean * lean) * random.range(0.85f, 1.1f);
        const Point tip =
            root + (outward * (1.0f - 0.5f * lean) + sideways * (0.3f + 0.9f * lean)) * size;
        const Point control = root + outward * (size * 0.7f);
        lashes.fill(taperedPath(bezier(root, control, tip, 10), taper(4.0f, 0.6f, 11)),
                    Point{std::min(root.x, tip.x) - size, std::min(root.y, tip.y) - size},
                    Point{std::max(root.x, tip.x) + size, std::max(root.y, tip.y) + size});
    }
}

// Thin wandering veins from both corners towards the iris.
void addVeins(Mask& veins, Random& random) {
    for (int i = 0; i < 10; ++i) {
        const float side = i % 2 == 0 ? -1.0f : 1.0f;
        Point at{kEyeCentre.x + side * random.range(250.0f, 290.0f),
                 kEyeCentre.y + random.range(-30.0f, 40.0f)};
        float heading = side > 0 ? kPi : 0.0f;
        heading += random.range(-0.4f, 0.4f);
        std::vector<Point> points{at};
        for (int step = 0; step < 9; ++step) {
            heading += random.range(-0.5f, 0.5f);
            at = at + Point{std::cos(heading), std::sin(heading)} * random.range(8.0f, 13.0f);
            points.push_back(at);
        }
        const Point reach{130.0f, 130.0f};
        veins.fill(taperedPath(points, taper(1.6f, 0.3f, points.size())), points[0] - reach,
                   points[0] + reach);
    }
}

Rgba irisColour(Point p, const Noise& noise, Point centre, float radius) {
    const Point d = p - centre;
    const float r = length(d) / radius;
    const float angle = std::atan2(d.y, d.x);
    const float fibres = noise.fractal(std::cos(angle) * 9.0f, std::sin(angle) * 9.0f, r * 2.5f, 4);
    const float heat = clamp01(1.05f - 0.8f * r + 0.35f * fibres);
    Rgba colour = palette::lava().at(0.45f + 0.5f * heat);
    colour = mix(colour, rgb8(30, 4, 4), smoothstep(0.78f, 1.0f, r)); // limbal ring
    colour =
        mix(colour, rgb8(255, 220, 120), 0.5f * smoothstep(0.5f, 0.38f, r) * heat); // collarette
    return colour;
}

Rgba scleraColour(Point p, const Noise& noise) {
    const float toUpperLid = kUpperLid.radius - length(p - kUpperLid.centre);
    const float toCorner = std::fabs(p.x - kEyeCentre.x) / kEyeHalfWidth;
    const float blotches = noise.fractal(p.x * 0.01f, p.y * 0.01f, 2.0f, 3);
    Rgba colour = mix(rgb8(250, 232, 218), rgb8(214, 150, 140),
                      smoothstep(0.4f, 1.0f, toCorner) + 0.2f * blotches);
    return mix(rgb8(96, 30, 30), colour, smoothstep(0.0f, 50.0f, toUpperLid)); // lid shadow
}

// Bars over the top or bottom of the screen, designed in screen pixels: the
// show stretches the 64 rows over 600, so no detail is thinner than a row.
Canvas bar(bool top) {
    Canvas canvas(512, 64, fullScreenView(512, 64));
    // Distance from the screen edge the bar hangs from.
    auto fromEdge = [top](Point p) { return top ? p.y : kScreenHeight - p.y; };
    const float edge = 80.0f;
    const float period = 800.0f / 16.0f;
    const float phase = top ? 0.0f : period / 2;
    canvas.paint([&](Point p) {
        const float depth = fromEdge(p);
        const Rgba band = mix(rgb8(4, 1, 2), rgb8(70, 8, 10), clamp01(depth / edge));
        return depth < edge + 1.0f ? band : Rgba{};
    });
    Mask rim = canvas.newMask();
    rim.fill([&](Point p) { return std::fabs(fromEdge(p) - edge) - 6.0f; });
    // Scallops hanging from the rim, with a drop between each pair.
    Mask lace = canvas.newMask();
    lace.fill([&](Point p) {
        const float x = std::fmod(p.x + phase + 10 * period, period) - period / 2;
        const Point local{x, fromEdge(p) - edge};
        const float arc = std::fabs(length(local) - period / 2 + 2.0f) - 4.0f;
        return std::max(arc, -local.y);
    });
    lace.fill([&](Point p) {
        const float x = std::fmod(p.x + phase + 10 * period + period / 2, period) - period / 2;
        const float y = fromEdge(p) - edge - 40.0f;
        return std::fabs(x) * 1.6f + std::fabs(y) - 16.0f;
    });
    Mask halo = rim;
    canvas.paint(halo.blur(2.0f).scale(1.2f), rgb8(255, 90, 20, 0.6f));
    canvas.paint(lace, rgb8(220, 70, 24, 0.9f));
    canvas.paint(rim, rgb8(255, 190, 90));
    return canvas;
}

} // namespace

Canvas eye() {
    Canvas canvas(512, 512, fullScreenView(512, 512));
    const Noise noise(0xe7e);
    const Field eyeShape = almond();
    Mask socket = canvas.newMask();
    socket.fill(eyeShape);
    Mask shadow = socket;
    canvas.paint(shadow.blur(14.0f).scale(1.3f), rgb8(60, 4, 8, 0.7f));
    canvas.paint(socket, [&](Point p) { return scleraColour(p, noise); });

    Mask veins = canvas.newMask();
    Random veinRandom(0x7e1);
    addVeins(veins, veinRandom);
    canvas.paint(veins.clip(socket), rgb8(200, 50, 50, 0.55f));

    const Point irisCentre{kEyeCentre.x, kEyeCentre.y - 8.0f};
    const float irisRadius = 122.0f;
    Mask iris = canvas.newMask();
    iris.fill(circle(irisCentre, irisRadius)).clip(socket);
    canvas.paint(iris, [&](Point p) { return irisColour(p, noise, irisCentre, irisRadius); });
    Mask pupil = canvas.newMask();
    pupil.fill(circle(irisCentre, 46.0f)).clip(socket);
    canvas.paint(pupil, rgb8(6, 2, 2));
    Mask highlight = canvas.newMask();
    highlight.fill(ellipse({irisCentre.x - 42.0f, irisCentre.y - 40.0f}, 20.0f, 14.0f, -0.5f));
    highlight.fill(circle({irisCentre.x + 30.0f, irisCentre.y + 34.0f}, 7.0f));
    canvas.paint(highlight.clip(socket), rgb8(255, 250, 240, 0.9f));

    Mask lids = canvas.newMask();
    lids.fill(outline(eyeShape, 4.0f));
    lids.fill(taperedPath(bezier({kEyeCentre.x - 270.0f, kEyeCentre.y - 40.0f},
                                 {kEyeCentre.x, kEyeCentre.y - 250.0f},
                                 {kEyeCentre.x + 270.0f, kEyeCentre.y - 40.0f}, 24),
                          swell(1.0f, 4.0f, 25)));
    Random random(0x1a5e);
    addLashes(lids, kUpperLid, -1.0f, 26, 70.0f, random);
    addLashes(lids, kLowerLid, 1.0f, 16, 28.0f, random);
    // A warm rim behind lids and lashes, so they read against a dark scene.
    Mask rim = lids;
    canvas.paint(rim.blur(3.0f).scale(1.6f), rgb8(230, 80, 30, 0.75f));
    canvas.paint(lids, rgb8(20, 4, 6));
    return canvas;
}

// A band that tiles left to right: the name twice with a star between, on a
// dark drifting pattern framed by two glowing wave lines. The scroller shows it
// 4.5 times across the screen or stretched far wider, so the letters keep
// their natural proportions as the middle course.
Canvas eyeBanner(const Fonts& fonts) {
    const int width = 512;
    const int height = 64;
    Canvas canvas(width, height);
    const Noise noise(0xba22e2);
    canvas.shade([&](Point p) {
        const float drift = noise.fractal(p.x / width * 8.0f, p.y / height * 1.5f, 0.0f, 4, 8);
        return palette::dusk().at(clamp01(0.25f + 0.3f * drift));
    });
    Mask lines = canvas.newMask();
    const float waves = 2.0f * kPi * 8.0f / width;
    lines.fill(
        [&](Point p) { return std::fabs(p.y - 6.0f - 2.0f * std::sin(p.x * waves)) - 1.2f; });
    lines.fill(
        [&](Point p) { return std::fabs(p.y - 58.0f + 2.0f * std::sin(p.x * waves)) - 1.2f; });
    Mask lineGlow = lines;
    canvas.paint(lineGlow.blur(2.0f, Mask::Edges::Wrap), rgb8(255, 80, 20, 0.8f));
    canvas.paint(lines, rgb8(255, 170, 80));

    const std::string word = "glimmerfell";
    const float size = fonts.bold.sizeFor(word, 190.0f);
    Mask letters = canvas.newMask();
    Mask stars = canvas.newMask();
    for (int i = 0; i < 2; ++i) {
        fonts.bold.set(letters, word, width * (0.25f + 0.5f * i), 42.0f, size);
        stars.fill(wrapped(
            [=](Point p) {
                const Point d{std::fabs(p.x - width * 0.5f * i), std::fabs(p.y - 32.0f)};
                return std::pow(std::sqrt(d.x) + std::sqrt(d.y), 2.0f) - 9.0f;
            },
            static_cast<float>(width), 0.0f));
    }
    Mask glow = letters;
    canvas.paint(glow.blur(3.0f, Mask::Edges::Wrap).scale(1.5f), rgb8(230, 40, 10, 0.9f));
    canvas.paint(letters, rgb8(255, 214, 140));
    canvas.paint(stars, rgb8(255, 240, 200));
    return canvas;
}

Canvas upperBar() {
    return bar(true);
}

Canvas lowerBar() {
    return bar(false);
}

} // namespace pictures
