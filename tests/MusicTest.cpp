#include "script/Music.h"
#include "ArchiveWriter.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

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

    Bytes archive;
};

} // namespace

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

TEST_F(MusicTest, WithoutAudioDeviceTheShowIsSilentAndNothingIsAsked) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    bool asked = false;
    setMessageBoxForTesting([&](const std::string&, const std::string&, int) {
        asked = true;
        return IDOK;
    });
    Music music;
    EXPECT_FALSE(music.open("data\\set_18.mp3"));
    EXPECT_FALSE(music.loaded());
    EXPECT_FALSE(asked);
    music.play();
    music.stop();
}

// From the checks at set-up until the music starts the device is closed: an open
// device plays silence, so its output would begin with the time the start-up
// question was on the screen rather than with the music.
TEST_F(MusicTest, TheDeviceOpensWhenTheMusicStarts) {
    std::ifstream file(std::string(GLIMMER_BUILD_DIR) + "/content/set_18.mp3", std::ios::binary);
    ASSERT_TRUE(file) << "the built soundtrack is missing";
    const Bytes soundtrack{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ArchiveWriter writer;
    writer.addStoredFile("data\\set_18.mp3", soundtrack);
    embed(writer);

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
    music.stop();
    EXPECT_EQ(Mix_PlayingMusic(), 0);
}
