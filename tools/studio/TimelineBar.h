// The whole show as a bar along the bottom of the drawable, under the overlay's
// text: the storyboard's sections in alternating shades (the one at the playhead
// in amber), the soundtrack's beat grid (beats where they stand far enough apart
// to be told from each other, else bars, else every fourth bar), every block's
// window as a span in its lane (the blocks active now lit) and the playhead.
#pragma once

#include "studio/ShowTimeline.h"

#include <cstdint>
#include <vector>

class TimelineBar {
public:
    // The bar for these spans in a width x height drawable, tall enough for
    // their lanes.
    TimelineBar(int width, int height, std::vector<ShowTimeline::Span> spans);

    // The pixel column of demo time t.
    int columnOf(uint32_t t) const;
    // Draws in pixel coordinates (see usePixelCoordinates).
    void draw(uint32_t t) const;

private:
    void drawSections(uint32_t t) const;
    void drawGrid() const;
    void drawSpans() const;
    void drawPlayhead(uint32_t t) const;

    std::vector<ShowTimeline::Span> spans_;
    int left_;
    int right_;
    int top_;
    int bottom_;
    int lanesTop_;
};
