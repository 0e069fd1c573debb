#include "studio/TimelineBar.h"

#include "studio/FixedStep.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int SIDE_MARGIN = 12;
constexpr int PADDING = 5;
constexpr int SECTION_HEIGHT = 8;
constexpr int LANE_HEIGHT = 5;
constexpr int LANE_STEP = 7;
constexpr int PLAYHEAD_WIDTH = 2;
constexpr int PLAYHEAD_RISE = 4; // above the band, to be found at a glance
constexpr int MIN_GRID_SPACING = 4;

struct Colour {
    float red, green, blue, alpha;
};
constexpr Colour BAND{0.0f, 0.0f, 0.0f, 0.65f};
constexpr Colour SECTION_SHADES[2] = {{0.28f, 0.28f, 0.34f, 1.0f}, {0.44f, 0.44f, 0.5f, 1.0f}};
constexpr Colour CURRENT_SECTION{0.95f, 0.8f, 0.3f, 1.0f};
constexpr Colour BEAT_LINE{1.0f, 1.0f, 1.0f, 0.12f};
constexpr Colour SPAN{0.35f, 0.5f, 0.75f, 0.9f};
constexpr Colour ACTIVE_SPAN{1.0f, 0.5f, 0.15f, 1.0f};
constexpr Colour PLAYHEAD{1.0f, 1.0f, 0.0f, 1.0f};

// The finest of beats, bars and groups of four bars that stand at least
// MIN_GRID_SPACING pixels apart on a bar width pixels wide.
uint32_t gridStep(int width) {
    for (uint32_t step : {storyboard::kBeatMs, storyboard::kBarMs, 4 * storyboard::kBarMs}) {
        if (int64_t{step} * width / fixedstep::SHOW_LENGTH_MS >= MIN_GRID_SPACING)
            return step;
    }
    return 4 * storyboard::kBarMs;
}

void fill(const Colour& colour, int left, int top, int right, int bottom) {
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    glRecti(left, top, right, bottom);
}

} // namespace

TimelineBar::TimelineBar(int width, int height, std::vector<ShowTimeline::Span> spans)
    : spans_(std::move(spans)), left_(SIDE_MARGIN), right_(width - SIDE_MARGIN), top_(0),
      bottom_(height), lanesTop_(0) {
    int lanes = 1;
    for (const ShowTimeline::Span& span : spans_)
        lanes = std::max(lanes, span.lane + 1);
    const int lanesHeight = lanes * LANE_STEP;
    top_ = bottom_ - PADDING - lanesHeight - SECTION_HEIGHT - PADDING;
    lanesTop_ = top_ + PADDING + SECTION_HEIGHT + (LANE_STEP - LANE_HEIGHT);
}

int TimelineBar::columnOf(uint32_t t) const {
    return left_ + static_cast<int>(int64_t{t} * (right_ - left_) / fixedstep::SHOW_LENGTH_MS);
}

void TimelineBar::draw(uint32_t t) const {
    glDisable(GL_TEXTURE_2D);
    fill(BAND, 0, top_, right_ + SIDE_MARGIN, bottom_);
    drawSections(t);
    drawGrid();
    drawSpans();
    drawPlayhead(t);
}

void TimelineBar::drawSections(uint32_t t) const {
    const storyboard::Section* current = ShowTimeline::sectionAt(t);
    const int top = top_ + PADDING;
    for (size_t i = 0; i < storyboard::kSections.size(); ++i) {
        const storyboard::Section& section = storyboard::kSections[i];
        const int left = columnOf(section.firstBar * storyboard::kBarMs);
        const int right = std::min(columnOf(section.endBar * storyboard::kBarMs), right_);
        fill(&section == current ? CURRENT_SECTION : SECTION_SHADES[i % 2], left, top, right,
             top + SECTION_HEIGHT);
    }
}

void TimelineBar::drawGrid() const {
    const uint32_t step = gridStep(right_ - left_);
    for (uint32_t t = 0; t <= fixedstep::SHOW_LENGTH_MS; t += step) {
        const int x = columnOf(t);
        fill(BEAT_LINE, x, lanesTop_ - (LANE_STEP - LANE_HEIGHT), x + 1, bottom_ - PADDING);
    }
}

void TimelineBar::drawSpans() const {
    for (const ShowTimeline::Span& span : spans_) {
        const int top = lanesTop_ + span.lane * LANE_STEP;
        const int left = columnOf(std::min(span.start, fixedstep::SHOW_LENGTH_MS));
        const int right =
            std::max(left + 1, columnOf(std::min(span.end, fixedstep::SHOW_LENGTH_MS)));
        fill(span.active ? ACTIVE_SPAN : SPAN, left, top, right, top + LANE_HEIGHT);
    }
}

void TimelineBar::drawPlayhead(uint32_t t) const {
    const int x = columnOf(t);
    fill(PLAYHEAD, x, top_ - PLAYHEAD_RISE, x + PLAYHEAD_WIDTH, bottom_);
}
