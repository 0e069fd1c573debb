#include "studio/ShowTimeline.h"
#include "studio/FixedStep.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FPS = 60;

class SilentLayer : public Layer {
public:
    void render(uint32_t) override {}
};

ScriptEvent event(uint32_t time, const char (&code)[5], int32_t value) {
    ScriptEvent made;
    made.time = time;
    made.code = makeParamId(code);
    made.intValue = value;
    return made;
}

ScriptEvent floatEvent(uint32_t time, const char (&code)[5], float value) {
    ScriptEvent made = event(time, code, 0);
    made.type = ValueType::Float;
    made.floatValue = value;
    return made;
}

// Blocks stepped frame by frame at 60 frames a second, as a run steps them.
class ShowTimelineTest : public ::testing::Test {
protected:
    void add(const std::string& name, const std::string& className, uint32_t start, uint32_t end,
             std::vector<ScriptEvent> events) {
        owned_.push_back(std::make_unique<LayerEntry>(std::make_unique<SilentLayer>(), start, end,
                                                      name, std::move(events), className));
        entries.push_back(owned_.back().get());
    }

    // Steps every frame up to the last at or before t.
    void stepTo(uint32_t t) {
        for (uint32_t frame = 0; frame <= fixedstep::frameAtOrBefore(t, FPS); ++frame) {
            for (LayerEntry* entry : entries)
                entry->step(fixedstep::frameTime(frame, FPS));
        }
    }

    std::vector<LayerEntry*> entries;
    ShowTimeline timeline{entries, FPS};

private:
    std::vector<std::unique_ptr<LayerEntry>> owned_;
};

} // namespace

TEST(ShowTimelineSections, SectionsChangeOnTheirFirstBar) {
    EXPECT_STREQ(ShowTimeline::sectionAt(0)->name, "pad intro");
    EXPECT_STREQ(ShowTimeline::sectionAt(15999)->name, "pad intro");
    EXPECT_STREQ(ShowTimeline::sectionAt(16000)->name, "drums enter");
    EXPECT_STREQ(ShowTimeline::sectionAt(96000)->name, "break");
    EXPECT_STREQ(ShowTimeline::sectionAt(176999)->name, "outro");
    EXPECT_EQ(ShowTimeline::sectionAt(178000), nullptr);
}

TEST_F(ShowTimelineTest, ListsTheSectionAndTheActiveBlocksWithTheirLastEvents) {
    add("00 clear", "ClearLayer", 0, 177000,
        {event(0, "RGBA", static_cast<int32_t>(0xFF000000)), event(64000, "RGBA", -1)});
    add("10 fade", "Fader", 64000, 70000,
        {floatEvent(0, "OPAC", 1.0f), floatEvent(250, "OPAC", 0.5f)});
    add("20 late", "ImageLayer", 64000, 70000, {event(900, "SHOW", 1)});
    add("30 over", "Fader", 1000, 2000, {floatEvent(0, "OPAC", 1.0f)});
    stepTo(64500);
    const std::vector<std::string> lines = timeline.describe(64500, 200);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "section 1:04-1:36 main theme   bar 33 beat 2");
    EXPECT_EQ(lines[2], "  00 clear  ClearLayer  64.500 s  RGBA 0xFFFFFFFF");
    EXPECT_EQ(lines[3], "  10 fade   Fader        0.500 s  OPAC 0.5");
    EXPECT_EQ(lines[4], "  20 late   ImageLayer   0.500 s  no event yet");
    // Lines are cut to the columns the overlay has.
    EXPECT_EQ(timeline.describe(64500, 13)[2], "  00 clear  C");
}

TEST_F(ShowTimelineTest, TimeInABlockCountsFromItsFirstFrame) {
    // At 60 frames a second a block starting at 1001 ms first runs at 1016 ms.
    add("a", "Fader", 1001, 5000, {floatEvent(0, "OPAC", 1.0f)});
    stepTo(1100);
    EXPECT_EQ(timeline.describe(1100, 200)[2], "  a  Fader   0.084 s  OPAC 1");
}

TEST_F(ShowTimelineTest, EventTimesAreWhereARunDeliversThem) {
    add("a", "Fader", 1001, 5000,
        {floatEvent(0, "OPAC", 1.0f), floatEvent(100, "OPAC", 0.5f), floatEvent(3984, "OPAC", 0),
         floatEvent(3985, "OPAC", 0)}); // 1016 + 3985 lies past the block's end
    add("b", "ClearLayer", 170000, 177000, {event(6983, "RGBA", 0), event(7000, "RGBA", 1)});
    uint32_t at = 0;
    ASSERT_TRUE(timeline.eventAfter(0, at));
    EXPECT_EQ(at, 1016u);
    ASSERT_TRUE(timeline.eventAfter(1016, at));
    EXPECT_EQ(at, 1116u);
    ASSERT_TRUE(timeline.eventAfter(1116, at));
    EXPECT_EQ(at, 5000u);
    ASSERT_TRUE(timeline.eventAfter(5000, at));
    EXPECT_EQ(at, 176983u); // the show's last frame; 177000 is never drawn
    EXPECT_FALSE(timeline.eventAfter(176983, at));

    ASSERT_TRUE(timeline.eventBefore(176983, at));
    EXPECT_EQ(at, 5000u);
    ASSERT_TRUE(timeline.eventBefore(1116, at));
    EXPECT_EQ(at, 1016u);
    EXPECT_FALSE(timeline.eventBefore(1016, at));
}

TEST_F(ShowTimelineTest, BlocksShareALaneOnlyWhenTheirWindowsDoNotMeet) {
    add("a", "Fader", 0, 1000, {});
    add("b", "Fader", 500, 3000, {});
    add("c", "Fader", 1000, 2000, {}); // meets a at 1000: both windows hold it
    add("d", "Fader", 1001, 1500, {});
    stepTo(700);
    const std::vector<ShowTimeline::Span> spans = timeline.spans();
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[0].lane, 0);
    EXPECT_EQ(spans[1].lane, 1);
    EXPECT_EQ(spans[2].lane, 2);
    EXPECT_EQ(spans[3].lane, 0);
    EXPECT_TRUE(spans[0].active && spans[1].active);
    EXPECT_FALSE(spans[2].active || spans[3].active);
}
