#include "script/LayerEntry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A layer that writes down every call it receives.
class RecordingLayer : public Layer {
public:
    explicit RecordingLayer(std::vector<std::string>& log) : log_(log) {}
    ~RecordingLayer() override { log_.push_back("destroyed"); }

    void releaseGlObjects() override { log_.push_back("released"); }
    void render(uint32_t time) override { log_.push_back("render " + std::to_string(time)); }
    void setParamInt(ParamId, int32_t value) override {
        log_.push_back("int " + std::to_string(value));
    }
    void setParamFloat(ParamId, float value) override {
        log_.push_back("float " + std::to_string(static_cast<int>(value)));
    }
    void setParamString(ParamId, const std::string& value) override {
        log_.push_back("string " + value);
    }

private:
    std::vector<std::string>& log_;
};

ScriptEvent intEvent(uint32_t time, int32_t value) {
    ScriptEvent event;
    event.time = time;
    event.code = param::SHOW;
    event.type = ValueType::Int;
    event.intValue = value;
    return event;
}

class TimelineTest : public ::testing::Test {
protected:
    LayerEntry makeEntry(uint32_t start, uint32_t end, std::vector<ScriptEvent> events = {}) {
        return LayerEntry(std::make_unique<RecordingLayer>(log), start, end, "entry",
                          std::move(events));
    }

    // Runs the frames and returns what the layer saw.
    std::vector<std::string> run(LayerEntry& entry, const std::vector<uint32_t>& frames) {
        for (uint32_t t : frames)
            entry.step(t);
        return log;
    }

    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(TimelineTest, ClockStartsAtTheFirstActiveFrame) {
    LayerEntry entry = makeEntry(1000, 5000, {intEvent(0, 1), intEvent(100, 2), intEvent(520, 3)});
    EXPECT_EQ(run(entry, {999, 1013}), (Log{"int 1", "render 0"}));
    EXPECT_EQ(entry.origin(), 1013u);
    EXPECT_TRUE(entry.active());
    log.clear();
    EXPECT_EQ(run(entry, {1533}), (Log{"int 2", "int 3", "render 520"}));
    EXPECT_EQ(entry.nextEvent(), 3u);
}

TEST_F(TimelineTest, EventsOfAllTypesAreDeliveredOnceBeforeRendering) {
    ScriptEvent floatEvent = intEvent(10, 0);
    floatEvent.type = ValueType::Float;
    floatEvent.floatValue = 7.0f;
    ScriptEvent stringEvent = intEvent(10, 0);
    stringEvent.type = ValueType::String;
    stringEvent.stringValue = "data\\hand.png";
    LayerEntry entry = makeEntry(0, 100, {floatEvent, stringEvent, intEvent(10, 4)});
    EXPECT_EQ(run(entry, {0, 10, 20}), (Log{"render 0", "float 7", "string data\\hand.png", "int 4",
                                            "render 10", "render 20"}));
}

TEST_F(TimelineTest, WindowEndIsInclusiveAndLeavingItRetiresForGood) {
    LayerEntry entry = makeEntry(0, 100, {intEvent(200, 9)});
    EXPECT_EQ(run(entry, {50, 100, 101, 50}),
              (Log{"render 0", "render 50", "released", "destroyed"}));
    EXPECT_EQ(entry.layer(), nullptr);
    EXPECT_FALSE(entry.active());
}

TEST_F(TimelineTest, ZeroWindowNeedsAFrameAtExactlyZero) {
    LayerEntry hit = makeEntry(0, 0);
    EXPECT_EQ(run(hit, {0, 16}), (Log{"render 0", "released", "destroyed"}));
    log.clear();
    LayerEntry missed = makeEntry(0, 0);
    EXPECT_EQ(run(missed, {1, 16}), Log{});
    EXPECT_NE(missed.layer(), nullptr); // destroyed only with the script
}

TEST_F(TimelineTest, StartAfterEndIsNeverActive) {
    LayerEntry entry = makeEntry(500, 100);
    EXPECT_EQ(run(entry, {0, 100, 300, 500, 600}), Log{});
    EXPECT_EQ(entry.origin(), LayerEntry::NOT_ACTIVATED);
}

TEST_F(TimelineTest, EventsBeyondTheLastActiveFrameAreNeverDelivered) {
    LayerEntry entry = makeEntry(0, 1000, {intEvent(0, 1), intEvent(990, 2), intEvent(995, 3)});
    EXPECT_EQ(run(entry, {10, 1000, 1001}),
              (Log{"int 1", "render 0", "int 2", "render 990", "released", "destroyed"}));
}

TEST_F(TimelineTest, DestroyingAWaitingEntryDestroysItsLayer) {
    {
        LayerEntry entry = makeEntry(100, 200);
        entry.step(50);
    }
    EXPECT_EQ(log, Log{"destroyed"});
}
