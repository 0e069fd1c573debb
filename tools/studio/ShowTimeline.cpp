#include "studio/ShowTimeline.h"

#include "studio/FixedStep.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* BLOCKS_HEADING = "active blocks: name, class, time in block, last event";

// The time of the first frame at or after t on the run's fixed-rate line: where
// a block that starts at t gets its first active frame.
uint32_t firstFrameFrom(uint32_t t, uint32_t fps) {
    const uint32_t frame = fixedstep::frameAtOrBefore(t, fps);
    const uint32_t time = fixedstep::frameTime(frame, fps);
    return time < t ? fixedstep::frameTime(frame + 1, fps) : time;
}

std::string minutes(int milliseconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", milliseconds / 60000, milliseconds / 1000 % 60);
    return text;
}

std::string codeText(ParamId code) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>(code >> shift & 0xFF);
        text += c >= ' ' && c <= '~' ? c : '?';
    }
    return text;
}

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// The value an event carries as the overlay writes it: colours (RGBA, RGBC) in
// hexadecimal, strings in quotes.
std::string eventText(const ScriptEvent& event) {
    char text[32];
    switch (event.type) {
    case ValueType::Int:
        if (event.code == param::RGBA || event.code == param::RGBC)
            std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(event.intValue));
        else
            std::snprintf(text, sizeof text, "%d", event.intValue);
        return text;
    case ValueType::Float:
        std::snprintf(text, sizeof text, "%g", static_cast<double>(event.floatValue));
        return text;
    case ValueType::String:
        break;
    }
    return "\"" + event.stringValue + "\"";
}

} // namespace

ShowTimeline::ShowTimeline(const std::vector<LayerEntry*>& entries, uint32_t fps)
    : entries_(entries), fps_(fps),
      lastFrameTime_(
          fixedstep::frameTime(fixedstep::framesBefore(fixedstep::SHOW_LENGTH_MS, fps) - 1, fps)) {}

const storyboard::Section* ShowTimeline::sectionAt(uint32_t t) {
    for (const storyboard::Section& section : storyboard::kSections) {
        if (t < static_cast<uint32_t>(section.endBar) * storyboard::kBarMs)
            return &section;
    }
    return nullptr;
}

std::vector<std::string> ShowTimeline::describe(uint32_t t, size_t columns) const {
    std::vector<std::string> lines;
    const storyboard::Section* section = sectionAt(t);
    const uint32_t bar = t / storyboard::kBarMs;
    const uint32_t beat = t % storyboard::kBarMs / storyboard::kBeatMs;
    lines.push_back(section ? "section " + minutes(section->firstBar * storyboard::kBarMs) + "-" +
                                  minutes(section->endBar * storyboard::kBarMs) + " " +
                                  section->name + "   bar " + std::to_string(bar + 1) + " beat " +
                                  std::to_string(beat + 1)
                            : std::string("after the storyboard's last section"));
    lines.push_back(BLOCKS_HEADING);
    size_t nameWidth = 0;
    size_t classWidth = 0;
    for (const LayerEntry* entry : entries_) {
        if (entry->active()) {
            nameWidth = std::max(nameWidth, entry->name().size());
            classWidth = std::max(classWidth, entry->className().size());
        }
    }
    for (const LayerEntry* entry : entries_) {
        if (entry->active())
            lines.push_back(blockLine(*entry, t, nameWidth, classWidth));
    }
    for (std::string& line : lines)
        line.resize(std::min(line.size(), columns));
    return lines;
}

std::string ShowTimeline::blockLine(const LayerEntry& entry, uint32_t t, size_t nameWidth,
                                    size_t classWidth) const {
    char localTime[24];
    std::snprintf(localTime, sizeof localTime, "%8.3f s  ", (t - entry.origin()) / 1000.0);
    std::string line = "  " + padded(entry.name(), nameWidth) + "  " +
                       padded(entry.className(), classWidth) + localTime;
    if (entry.nextEvent() == 0)
        return line + "no event yet";
    const ScriptEvent& last = entry.events()[entry.nextEvent() - 1];
    return line + codeText(last.code) + " " + eventText(last);
}

std::vector<uint32_t> ShowTimeline::eventTimes() const {
    std::vector<uint32_t> times;
    for (const LayerEntry* entry : entries_) {
        const uint32_t origin = firstFrameFrom(entry->start(), fps_);
        const uint32_t last = std::min(entry->end(), lastFrameTime_);
        for (const ScriptEvent& event : entry->events()) {
            if (origin <= last && event.time <= last - origin)
                times.push_back(origin + event.time);
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

bool ShowTimeline::eventAfter(uint32_t t, uint32_t& at) const {
    const std::vector<uint32_t> times = eventTimes();
    const auto after = std::upper_bound(times.begin(), times.end(), t);
    if (after == times.end())
        return false;
    at = *after;
    return true;
}

bool ShowTimeline::eventBefore(uint32_t t, uint32_t& at) const {
    const std::vector<uint32_t> times = eventTimes();
    const auto notBefore = std::lower_bound(times.begin(), times.end(), t);
    if (notBefore == times.begin())
        return false;
    at = *(notBefore - 1);
    return true;
}

std::vector<ShowTimeline::Span> ShowTimeline::spans() const {
    std::vector<Span> spans;
    for (const LayerEntry* entry : entries_)
        spans.push_back({entry->start(), entry->end(), 0, entry->active()});
    std::vector<size_t> byStart(spans.size());
    for (size_t i = 0; i < byStart.size(); ++i)
        byStart[i] = i;
    std::stable_sort(byStart.begin(), byStart.end(),
                     [&](size_t a, size_t b) { return spans[a].start < spans[b].start; });
    std::vector<uint32_t> laneEnds;
    for (size_t i : byStart) {
        Span& span = spans[i];
        const auto free = std::find_if(laneEnds.begin(), laneEnds.end(),
                                       [&](uint32_t end) { return end < span.start; });
        span.lane = static_cast<int>(free - laneEnds.begin());
        if (free == laneEnds.end())
            laneEnds.push_back(span.end);
        else
            *free = span.end;
    }
    return spans;
}
