#include "script/DemoPlayer.h"
#include "platform/Platform.h"
#include "script/DemoClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A layer that writes its name and what it is asked to do into a shared log.
class NamedLayer : public Layer {
public:
    NamedLayer(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
    ~NamedLayer() override { log_.push_back(name_ + " gone"); }
    void load() override { log_.push_back(name_ + " load"); }
    void render(uint32_t time) override { log_.push_back(name_ + " " + std::to_string(time)); }

private:
    Log& log_;
    std::string name_;
};

class DemoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No audio device: the show runs silently.
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        setClockForTesting([this] { return now; });
        clearQuitMessagesForTesting();
    }
    void TearDown() override {
        setClockForTesting(nullptr);
        clearQuitMessagesForTesting();
        unsetenv("SDL_AUDIODRIVER");
    }

    void addLayer(const std::string& name, uint32_t start, uint32_t end) {
        script.insert(std::make_unique<LayerEntry>(std::make_unique<NamedLayer>(log, name), start,
                                                   end, name, std::vector<ScriptEvent>{}));
    }

    // Renders one frame with the clock at the given reading.
    void frameAt(uint32_t reading) {
        now = reading;
        player.renderFrame();
    }

    bool quitPosted() {
        int code = 1;
        const bool posted = takeQuitMessage(&code);
        if (posted) {
            EXPECT_EQ(code, 0);
        }
        return posted;
    }

    uint32_t now = 0;
    Log log;
    DemoScript script;
    DemoPlayer player{script};
};

} // namespace

TEST_F(DemoPlayerTest, LoadsAndRendersInNameOrderWithoutMusicDevice) {
    addLayer("b", 0, 1000);
    addLayer("a", 0, 1000);
    addLayer("c", 0, 1000);
    player.initialise();
    EXPECT_FALSE(player.musicLoaded());
    EXPECT_EQ(log, (Log{"a load", "b load", "c load"}));
    log.clear();
    frameAt(5000);
    frameAt(5016);
    EXPECT_EQ(log, (Log{"a 0", "b 0", "c 0", "a 16", "b 16", "c 16"}));
}

TEST_F(DemoPlayerTest, ClockStartsAtTheFirstFrame) {
    addLayer("late", 100, 1000);
    player.initialise();
    log.clear();
    int readings = 0;
    // The first frame reads the clock twice: the start, then the frame's time.
    setClockForTesting([&] { return 7000u + 3u * static_cast<uint32_t>(readings++); });
    player.renderFrame();
    EXPECT_EQ(readings, 2);
    EXPECT_TRUE(log.empty()); // demo time 3 is before the layer's window
    setClockForTesting([this] { return now; });
    frameAt(7100);
    frameAt(7150);
    EXPECT_EQ(log, (Log{"late 0", "late 50"}));
}

TEST_F(DemoPlayerTest, QuitIsPostedOnlyAfterTheShowLengthAcrossClockWrap) {
    addLayer("whole", 0, 200000);
    player.initialise();
    const uint32_t start = 0xFFFFF000u;
    frameAt(start);
    frameAt(start + DemoPlayer::SHOW_LENGTH_MS);
    EXPECT_FALSE(quitPosted());
    frameAt(start + DemoPlayer::SHOW_LENGTH_MS + 1);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(log.back(), "whole 177001"); // the frame is still rendered in full
    frameAt(start + DemoPlayer::SHOW_LENGTH_MS + 2);
    EXPECT_TRUE(quitPosted());
}

TEST_F(DemoPlayerTest, ClockReadingZeroAtTheFirstFrameDoesNotRestartTheShow) {
    addLayer("a", 0, 1000);
    player.initialise();
    log.clear();
    frameAt(0);
    frameAt(400);
    EXPECT_EQ(log, (Log{"a 0", "a 400"}));
}

TEST_F(DemoPlayerTest, LayersPastTheirWindowAreRetiredAndTheRestGoOn) {
    addLayer("a", 0, 100);
    addLayer("b", 50, 1000);
    player.initialise();
    log.clear();
    frameAt(1000);
    frameAt(1060);
    frameAt(1101);
    frameAt(1200);
    EXPECT_EQ(log, (Log{"a 0", "a 60", "b 0", "a gone", "b 41", "b 140"}));
    player.musicStopper().renderFrame(); // no music: nothing to stop, nothing breaks
}

TEST_F(DemoPlayerTest, EmptyScriptStillEndsTheShow) {
    player.initialise();
    EXPECT_TRUE(player.entries().empty());
    frameAt(10);
    frameAt(10 + DemoPlayer::SHOW_LENGTH_MS + 1);
    EXPECT_TRUE(quitPosted());
}

// The clock against a music that plays faster or slower than real time: reports
// every 46 ms (a mixer buffer), with frames every 5 ms between them.
class DemoClockTest : public ::testing::Test {
protected:
    // Runs the show from reading 1000 for the given milliseconds of real time,
    // the music playing musicRate times as fast as the clock; returns the last
    // lead of the picture over the music.
    int32_t run(uint32_t realMs, double musicRate) {
        clock.start(1000);
        for (uint32_t elapsed = 0; elapsed <= realMs; elapsed += 5) {
            if (elapsed % 46 < 5) {
                const uint32_t reportAt = elapsed - elapsed % 46;
                clock.hearMusic(1000 + reportAt, static_cast<uint32_t>(reportAt * musicRate));
            }
            const uint32_t t = clock.time(1000 + elapsed);
            EXPECT_GE(t, last) << "the clock went back at " << elapsed;
            // Eased at most a tenth of real time, plus the rounding to whole ms.
            EXPECT_LE(t - last, elapsed == 0 ? 0u : 5u + 1u) << "a jump ahead at " << elapsed;
            last = t;
            lead = static_cast<int32_t>(t) - static_cast<int32_t>(elapsed * musicRate);
        }
        return lead;
    }

    DemoClock clock;
    uint32_t last = 0;
    int32_t lead = 0;
};

TEST_F(DemoClockTest, FollowsAMusicThatRunsFastOrSlowWithinAFrame) {
    EXPECT_LE(std::abs(run(177000, 1.005)), 16) << "music 0.5 % fast";
    last = 0; // start() begins the clock afresh
    EXPECT_LE(std::abs(run(177000, 0.995)), 16) << "music 0.5 % slow";
}

// One report that comes late (its tick is late, the music's position is not)
// makes the music look behind; the clock takes no notice of it.
TEST_F(DemoClockTest, ALateReportIsNotTakenForDrift) {
    clock.start(0);
    for (uint32_t report = 0; report < 20; ++report)
        clock.hearMusic(report * 46 + (report == 10 ? 30 : 0), report * 46);
    EXPECT_EQ(clock.time(1000), 1000u);
    EXPECT_EQ(clock.time(5000), 5000u);
}
