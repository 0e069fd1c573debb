#include "script/DemoPlayer.h"
#include "platform/Platform.h"
#include "script/DemoClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
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

// The clock against a music that reports a mixer buffer (46 ms) at a time, with
// frames every 5 ms between the reports.
class DemoClockTest : public ::testing::Test {
protected:
    static constexpr uint32_t BUFFER_MS = 46;
    static constexpr uint32_t START = 1000;

    // The music's report k: the reading it comes at, after START.
    using ReportTick = std::function<uint32_t(uint32_t k)>;
    // The music's position, in ms, at a reading after START.
    using MusicAt = std::function<double(uint32_t elapsed)>;

    // Runs the show for realMs of real time, the music's report k (it has played
    // k buffers) coming at tickOf(k), and none from report lastReport on. Checks that the clock
    // never goes back or jumps; returns the last lead of the picture over the music, which is
    // musicAt(elapsed).
    double run(uint32_t realMs, const ReportTick& tickOf, const MusicAt& musicAt,
               uint32_t lastReport = ~0u) {
        clock.start(START);
        last = 0;
        uint32_t report = 0;
        for (uint32_t elapsed = 0; elapsed <= realMs; elapsed += 5) {
            for (; report < lastReport && tickOf(report) <= elapsed; ++report) {
                clock.hearMusic(START + tickOf(report), report * BUFFER_MS,
                                (report + 1) * BUFFER_MS);
            }
            const uint32_t t = clock.time(START + elapsed);
            EXPECT_GE(t, last) << "the clock went back at " << elapsed;
            // Eased at most a tenth of real time, plus the rounding to whole ms.
            EXPECT_LE(t - last, elapsed == 0 ? 0u : 5u + 1u) << "a jump ahead at " << elapsed;
            last = t;
            times[elapsed] = t;
            lead = t - musicAt(elapsed);
            maxLead = std::max(maxLead, lead);
        }
        return lead;
    }

    // A music playing steadily at rate, reporting on time.
    double steady(uint32_t realMs, double rate) {
        return run(
            realMs, [rate](uint32_t k) { return uint32_t(std::ceil(k * BUFFER_MS / rate)); },
            [rate](uint32_t elapsed) { return elapsed * rate; });
    }

    DemoClock clock;
    uint32_t last = 0;
    std::map<uint32_t, uint32_t> times; // the clock at each frame, by real time
    double lead = 0;
    double maxLead = -1e9;
};

TEST_F(DemoClockTest, FollowsAMusicThatRunsFastOrSlowWithinAFrame) {
    EXPECT_LE(std::abs(steady(177000, 1.005)), 16) << "music 0.5 % fast";
    EXPECT_LE(std::abs(steady(177000, 0.995)), 16) << "music 0.5 % slow";
}

// A report that comes late (its tick is late, the music's position is not, the
// device's queue covering the wait) neither moves nor holds the clock.
TEST_F(DemoClockTest, ALateReportIsNotTakenForDrift) {
    const auto lateTenth = [](uint32_t k) { return k * BUFFER_MS + (k == 10 ? 10 : 0); };
    run(2000, lateTenth, [](uint32_t elapsed) { return double(elapsed); });
    EXPECT_EQ(lead, 0.0);
    EXPECT_EQ(maxLead, 0.0) << "the picture was held or moved";
}

// The music stalls for 100 ms after its tenth buffer (the output waited): the
// picture waits for it, never more than a frame ahead, and then keeps in step.
TEST_F(DemoClockTest, APictureWaitsForAStalledMusic) {
    const auto stalled = [](uint32_t k) { return k * BUFFER_MS + (k > 10 ? 100 : 0); };
    const auto musicAt = [](uint32_t elapsed) {
        const double handed = 11 * BUFFER_MS;
        return elapsed < handed ? elapsed : elapsed < handed + 100 ? handed : elapsed - 100.0;
    };
    EXPECT_LE(std::abs(run(3000, stalled, musicAt)), DemoClock::DRIFT_TOLERANCE_MS + 1);
    EXPECT_LE(maxLead, DemoClock::STALL_TOLERANCE_MS + 1);
}

// A music that stops reporting for good (its device gone) holds the picture for
// STALL_LIMIT_MS, then no more: the clock goes on at real time from where it
// waited. One that is heard to end holds it no more at once.
TEST_F(DemoClockTest, AMusicThatEndsOrIsGoneLetsTheClockRun) {
    const auto onTime = [](uint32_t k) { return k * BUFFER_MS; };
    const auto music = [](uint32_t elapsed) { return double(elapsed); };
    run(1000, onTime, music, 10);
    // Held at the end of the tenth buffer until 250 ms after its report.
    const uint32_t held = 10 * BUFFER_MS + DemoClock::STALL_TOLERANCE_MS;
    EXPECT_EQ(times[660], held);
    EXPECT_EQ(times[1000] - times[700], 300u) << "the clock does not run at real time again";

    run(1000, onTime, music);
    clock.hearMusicEnd();
    EXPECT_EQ(clock.time(START + 1100), 1100u) << "ended: the clock is not held";
}
