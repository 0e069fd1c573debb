// Lettering cards: the title, credits, greetings, closing words and "IMPACT".
// All are stretched over the screen by the show, so they are laid out in
// screen pixels (800 x 600) and set with letters scaled to match.
#include "Noise.h"
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include <cmath>
#include <vector>

namespace pictures {

namespace {

struct Line {
    const Typeface* face;
    std::string text;
    float baseline;
    float size;
    Paint colour;
    float tracking = 0.0f;
};

Paint solid(Rgba colour) {
    return [colour](Point) { return colour; };
}

// A vertical gradient between two screen heights.
Paint verticalGradient(Rgba top, Rgba bottom, float topY, float bottomY) {
    return [=](Point p) { return mix(top, bottom, clamp01((p.y - topY) / (bottomY - topY))); };
}

// Sets the lines over a soft glow that surrounds all of them.
void setLines(Canvas& canvas, const std::vector<Line>& lines, Rgba glow, float glowRadius,
              float glowStrength) {
    std::vector<Mask> masks;
    Mask halo = canvas.newMask();
    for (const Line& line : lines) {
        masks.push_back(canvas.newMask());
        line.face->set(masks.back(), line.text, kScreenWidth / 2, line.baseline, line.size,
                       line.tracking);
        halo.merge(masks.back());
    }
    canvas.paint(halo.blur(glowRadius).scale(glowStrength), glow);
    for (size_t i = 0; i < lines.size(); ++i)
        canvas.paint(masks[i], lines[i].colour);
}

// A dark, soft-edged panel that keeps lettering readable over any scene.
void darkPanel(Canvas& canvas, Point halfSize) {
    Mask panel = canvas.newMask();
    panel.fill(roundedBox({kScreenWidth / 2, kScreenHeight / 2}, halfSize, 40.0f));
    canvas.paint(panel.blur(6.0f), rgb8(12, 2, 4, 0.62f));
}

// A thin horizontal rule that fades at both ends, with a small diamond in the middle.
void ornamentRule(Canvas& canvas, float y, float halfLength, Rgba colour) {
    Mask rule = canvas.newMask();
    const float cx = kScreenWidth / 2;
    rule.fill(taperedPath({{cx - halfLength, y}, {cx - 14, y}}, {0.2f, 1.6f}));
    rule.fill(taperedPath({{cx + 14, y}, {cx + halfLength, y}}, {1.6f, 0.2f}));
    rule.fill([=](Point p) { return std::fabs(p.x - cx) + std::fabs(p.y - y) - 8.0f; });
    canvas.paint(rule, colour);
}

Canvas textCard(int size, const std::vector<Line>& lines, float ruleY) {
    Canvas canvas(size, size, fullScreenView(size, size));
    darkPanel(canvas, {330.0f, 250.0f});
    ornamentRule(canvas, ruleY, 220.0f, rgb8(230, 110, 40));
    setLines(canvas, lines, withAlpha(palette::glow(), 0.9f), 5.0f, 1.4f);
    return canvas;
}

Paint headingColour(float baseline, float size) {
    return verticalGradient(rgb8(255, 236, 190), rgb8(240, 120, 40), baseline - size * 0.75f,
                            baseline);
}

// A four-pointed glint: two thin rays crossing, each tapering to its ends.
Field sparkle(Point centre, float length, float width) {
    auto ray = [=](Point d) {
        const float along = std::fabs(d.x) / length;
        const float left = 1.0f - std::min(along, 1.0f);
        return std::max(std::fabs(d.y) - width * left * left, (along - 1.0f) * length);
    };
    return [=](Point p) {
        const Point d = p - centre;
        return std::min(ray(d), ray({d.y, d.x}));
    };
}

} // namespace

Canvas titleCard(const Fonts& fonts) {
    Canvas canvas(512, 256, fullScreenView(512, 256));
    const std::string word = "glimmerfell";
    const float size = fonts.bold.sizeFor(word, 660.0f);
    const float baseline = kScreenHeight / 2 + size * 0.26f;
    Mask letters = canvas.newMask();
    fonts.bold.set(letters, word, kScreenWidth / 2, baseline, size);
    Mask wideGlow = letters;
    Mask nearGlow = letters;
    canvas.paint(wideGlow.blur(14.0f).scale(1.6f), rgb8(190, 24, 10, 0.85f));
    canvas.paint(nearGlow.blur(3.0f).scale(1.2f), rgb8(255, 120, 40, 0.6f));
    canvas.paint(letters, verticalGradient(rgb8(255, 248, 226), rgb8(255, 176, 84),
                                           baseline - size * 0.75f, baseline));
    Mask glint = canvas.newMask();
    glint.fill(sparkle({kScreenWidth / 2 + 300.0f, baseline - size * 0.78f}, 60.0f, 5.0f));
    canvas.paint(glint.blur(1.0f), rgb8(255, 245, 220, 0.95f));
    return canvas;
}

Canvas creditsCard(const Fonts& fonts) {
    const Rgba body = palette::lettering();
    std::vector<Line> lines{{&fonts.bold, "credits", 150, 76, headingColour(150, 76), 4.0f}};
    const char* rows[] = {"code · tessary", "pictures · grown from noise",
                          "music · our own synthesiser", "scenes · written at build time",
                          "letters · DejaVu"};
    float y = 250.0f;
    for (const char* row : rows) {
        lines.push_back({&fonts.regular, row, y, 34, solid(body)});
        y += 56.0f;
    }
    return textCard(512, lines, 190.0f);
}

Canvas greetingsCard(const Fonts& fonts) {
    const Rgba body = palette::lettering();
    const Rgba warm = rgb8(255, 170, 90);
    std::vector<Line> lines{
        {&fonts.bold, "greetings", 150, 76, headingColour(150, 76), 4.0f},
        {&fonts.regular, "to everyone who keeps", 255, 36, solid(body)},
        {&fonts.regular, "the demo art alive", 303, 36, solid(body)},
        {&fonts.condensedBold, "coders · musicians · painters", 385, 30, solid(warm)},
        {&fonts.condensedBold, "organisers · party people", 430, 30, solid(warm)},
        {&fonts.condensedBold, "and you, watching", 475, 30, solid(warm)},
    };
    return textCard(512, lines, 190.0f);
}

Canvas outroCard(const Fonts& fonts) {
    const Rgba body = palette::lettering();
    std::vector<Line> lines{
        {&fonts.regular, "thank you for watching", 175, 38, solid(body)},
        {&fonts.bold, "glimmerfell", 320, 96, headingColour(320, 96)},
        {&fonts.regular, "a summer evening on a fell", 400, 32, solid(body)},
        {&fonts.condensedBold, "tessary", 480, 34, solid(rgb8(255, 150, 70)), 6.0f},
    };
    return textCard(512, lines, 225.0f);
}

Canvas impactCard(const Fonts& fonts) {
    Canvas canvas(800, 336, fullScreenView(800, 336));
    const Point centre{kScreenWidth / 2, kScreenHeight / 2};
    const float radius = 262.0f;

    // The shock ring: a hard bright front with a glow trailing inwards.
    canvas.paint([=](Point p) {
        const float r = length(p - centre);
        const float trail = smoothstep(radius - 150.0f, radius, r) * (r < radius ? 1.0f : 0.0f);
        return withAlpha(palette::lava().at(0.55f + 0.3f * trail), 0.55f * trail * trail);
    });
    Mask ring = canvas.newMask();
    ring.fill(outline(circle(centre, radius), 5.0f));
    Mask ringGlow = ring;
    canvas.paint(ringGlow.blur(6.0f).scale(1.5f), rgb8(255, 120, 30, 0.9f));
    canvas.paint(ring, rgb8(255, 235, 180));

    // Streaks flying out from the centre.
    Random random(0x1a2b);
    Mask streaks = canvas.newMask();
    for (int i = 0; i < 36; ++i) {
        const float angle = (i + random.range(-0.3f, 0.3f)) * 2.0f * kPi / 36.0f;
        const Point direction{std::cos(angle), std::sin(angle)};
        const float from = random.range(150.0f, 220.0f);
        const float to = from + random.range(60.0f, 140.0f);
        const Point start = centre + direction * from;
        const Point end = centre + direction * to;
        streaks.fill(taperedPath({start, end}, {0.3f, random.range(2.0f, 4.0f)}),
                     {std::min(start.x, end.x) - 6.0f, std::min(start.y, end.y) - 6.0f},
                     {std::max(start.x, end.x) + 6.0f, std::max(start.y, end.y) + 6.0f});
    }
    canvas.paint(streaks, rgb8(255, 200, 120, 0.85f));

    const std::string word = "IMPACT";
    const float size = fonts.bold.sizeFor(word, 720.0f);
    const float baseline = centre.y + size * 0.36f;
    Mask letters = canvas.newMask();
    fonts.bold.set(letters, word, centre.x, baseline, size);
    Mask rim = letters;
    Mask glow = letters;
    canvas.paint(glow.blur(10.0f).scale(1.6f), rgb8(200, 30, 8, 0.9f));
    canvas.paint(rim.blur(2.0f).scale(4.0f), rgb8(60, 4, 2));
    canvas.paint(letters, verticalGradient(rgb8(255, 250, 220), rgb8(255, 100, 20),
                                           baseline - size * 0.72f, baseline));
    return canvas;
}

} // namespace pictures
