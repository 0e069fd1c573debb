// What the show holds at a demo time, as the overlay lists it: the storyboard's
// section with the bar and beat, the blocks active then (name, class, time within
// the block, the last event each received), every block's window for the
// timeline bar, and the demo times at which the show's events arrive, for the
// keys that jump from one event to the next. Block states are read live from the
// entries, so they describe the frame the run stepped last.
#pragma once

#include "script/LayerEntry.h"
#include "soundtrack/Storyboard.h"

#include <cstdint>
#include <string>
#include <vector>

class ShowTimeline {
public:
    // A block's window in demo time, in the first lane whose earlier windows
    // have all ended before it starts.
    struct Span {
        uint32_t start;
        uint32_t end;
        int lane;
        bool active;
    };

    // The entries (in rendering order) must outlive the timeline; fps is the
    // run's frame rate, which fixes where each block's clock starts.
    ShowTimeline(const std::vector<LayerEntry*>& entries, uint32_t fps);

    // The storyboard's section at demo time t; null after the last.
    static const storyboard::Section* sectionAt(uint32_t t);

    // The section, bar and beat line, then one line per active block, each cut
    // to columns characters.
    std::vector<std::string> describe(uint32_t t, size_t columns) const;

    // The demo time of the first event after t, or of the last before t, that a
    // run reaches: false when there is none.
    bool eventAfter(uint32_t t, uint32_t& at) const;
    bool eventBefore(uint32_t t, uint32_t& at) const;

    std::vector<Span> spans() const;

private:
    // Every event's demo time, in order.
    std::vector<uint32_t> eventTimes() const;
    std::string blockLine(const LayerEntry& entry, uint32_t t, size_t nameWidth,
                          size_t classWidth) const;

    const std::vector<LayerEntry*>& entries_;
    uint32_t fps_;
    uint32_t lastFrameTime_;
};
