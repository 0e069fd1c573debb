#include "script/Music.h"
#include "ArchiveWriter.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "script/DemoPlayer.h"
#include "script/MixerLibrary.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// The embedded archive replaced by one made for the test, and SDL's silent
// "dummy" audio device so that the device opens on any machine.
class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // The dying child starts afresh: a forked copy of a process that has run
        // GL hangs on exit, waiting for renderer threads that fork did not copy.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        setMessageBoxForTesting([](const std::string& text, const std::string& caption, int) {
            std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
            return IDOK;
        });
    }
    void TearDown() override {
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
        setMessageBoxForTesting(nullptr);
        unsetenv("SDL_AUDIODRIVER");
    }

    void embed(ArchiveWriter& writer) {
        archive = writer.finish();
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                         static_cast<uint32_t>(archive.size()));
    }

    // The built show's soundtrack, alone in the embedded archive.
    void embedSoundtrack() {
        std::ifstream file(std::string(GLIMMER_BUILD_DIR) + "/content/set_18.mp3",
                           std::ios::binary);
        ASSERT_TRUE(file) << "the built soundtrack is missing";
        const Bytes soundtrack{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
        ArchiveWriter writer;
        writer.addStoredFile("data\\set_18.mp3", soundtrack);
        embed(writer);
    }

    Bytes archive;
};

class IdleLayer : public Layer {
    void render(uint32_t) override {}
};

} // namespace

// The music loads the mixer by name when it first needs it: every function it
// calls is found, and is the one the linked mixer answers with. A library that
// is not there gives no functions and a warning that names it.
TEST(MixerLibrary, TakesEveryFunctionOrNone) {
    const MixerFunctions* mixer = mixerFunctions();
    ASSERT_NE(mixer, nullptr);
    EXPECT_EQ(mixer->querySpec, &Mix_QuerySpec);
    EXPECT_EQ(mixer->setPostMix, &Mix_SetPostMix);
    testing::internal::CaptureStderr();
    const MixerFunctions missing = loadMixerFunctions("libno-such-mixer.so.0");
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(missing.loaded);
    EXPECT_EQ(missing.openAudio, nullptr);
    EXPECT_NE(warning.find("libno-such-mixer.so.0"), std::string::npos) << warning;
}

TEST_F(MusicTest, MissingSoundtrackEndsTheProgramWithItsMessage) {
    ArchiveWriter writer;
    writer.addStoredFile("data\\script.txt", Bytes{'#'});
    embed(writer);
    EXPECT_EXIT(Music().open("data\\set_18.mp3"), ::testing::ExitedWithCode(255),
                "\\[Error\\] Could not load data.set_18\\.mp3");
}

TEST_F(MusicTest, UnplayableSoundtrackEndsTheProgramWithItsMessage) {
    ArchiveWriter writer;
    const std::string text = "this is not any kind of sound file";
    writer.addStoredFile("data\\set_18.mp3", Bytes(text.begin(), text.end()));
    embed(writer);
    EXPECT_EXIT(Music().open("data\\set_18.mp3"), ::testing::ExitedWithCode(255),
                "\\[Error\\] Could not init data.set_18\\.mp3");
}

// Without a device (no driver, or one whose output cannot be opened) the show is
// silent, nothing is asked, and the audio subsystem is left at the end.
TEST_F(MusicTest, WithoutAudioDeviceTheShowIsSilentAndNothingIsAsked) {
    bool asked = false;
    setMessageBoxForTesting([&](const std::string&, const std::string&, int) {
        asked = true;
        return IDOK;
    });
    setenv("SDL_DISKAUDIOFILE", "/no/such/folder/out.raw", 1);
    for (const char* driver : {"no-such-driver", "disk"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        {
            Music music;
            EXPECT_FALSE(music.open("data\\set_18.mp3")) << driver;
            EXPECT_FALSE(music.loaded());
            music.play();
            uint32_t tick = 0;
            uint32_t played = 0;
            uint32_t handed = 0;
            EXPECT_FALSE(music.position(&tick, &played, &handed));
            music.stop();
        }
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << driver;
    }
    unsetenv("SDL_DISKAUDIOFILE");
    EXPECT_FALSE(asked);
}

// From the checks at set-up until the music starts the device is closed: an open
// device plays silence, so its output would begin with the time the start-up
// question was on the screen rather than with the music.
TEST_F(MusicTest, TheDeviceOpensWhenTheMusicStarts) {
    embedSoundtrack();
    Music music;
    ASSERT_TRUE(music.open("data\\set_18.mp3"));
    EXPECT_TRUE(music.loaded());
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    music.play();
    // The mixer counts its openings: one means the device of the checks was closed
    // before play opened it again.
    ASSERT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1) << "play did not open the device once";
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    // Its position is reported from the first buffer on (play waits for it, a
    // while at most), a buffer of 46.4 ms handed at a time.
    uint32_t tick = 0;
    uint32_t played = 0;
    uint32_t handed = 0;
    const uint32_t playing = milliseconds();
    while (!music.position(&tick, &played, &handed) && milliseconds() - playing < 2000)
        SDL_Delay(5);
    ASSERT_TRUE(music.position(&tick, &played, &handed));
    EXPECT_GE(handed - played, 46u);
    EXPECT_LE(handed - played, 47u);
    // Once stopped, it reports nothing, so that it holds the show's clock no more.
    music.stop();
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    const uint32_t stopped = milliseconds();
    while (music.position(&tick, &played, &handed) && milliseconds() - stopped < 1000)
        SDL_Delay(5);
    EXPECT_FALSE(music.position(&tick, &played, &handed));
}

TEST_F(MusicTest, ClosedAtDestructionWithoutEverPlaying) {
    embedSoundtrack();
    {
        Music music;
        ASSERT_TRUE(music.open("data\\set_18.mp3"));
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

// A start-up about to end (a picture that failed) leaves no thread in SDL: the
// checked device is closed by the time the player says the music is settled.
TEST_F(MusicTest, AStartUpThatEndsWaitsForTheCheckedDeviceToClose) {
    embedSoundtrack();
    DemoScript script;
    DemoPlayer player(script);
    player.startInitialising();
    player.finishInitialising(false);
    EXPECT_TRUE(player.musicLoaded());
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 0) << "the checked device is still open";
}

// The show's clock starts once the music is playing: however long the device
// takes to open again (here right after the checks closed it), the first frame
// is drawn at a demo time near 0 (a layer active from 0 starts its own clock
// there).
TEST_F(MusicTest, TheShowsClockStartsWithTheMusic) {
    embedSoundtrack();
    DemoScript script;
    script.insert(std::make_unique<LayerEntry>(std::make_unique<IdleLayer>(), 0, 177000, "a",
                                               std::vector<ScriptEvent>{}));
    DemoPlayer player(script);
    player.initialise();
    ASSERT_TRUE(player.musicLoaded());
    const uint32_t before = milliseconds();
    player.renderFrame();
    const uint32_t firstFrame = player.entries()[0]->origin();
    EXPECT_LT(firstFrame, 20u) << "the first frame came " << milliseconds() - before << " ms after";
    player.stopMusic();
}
