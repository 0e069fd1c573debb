#include "app/Program.h"
#include "ArchiveWriter.h"
#include "ImageFiles.h"
#include "XvfbDisplay.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "textures/TextureCache.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string SCRIPT = "[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 1\r\n@\r\n";

struct Box {
    std::string caption;
    std::string text;
    int style;
    bool operator==(const Box& other) const {
        return caption == other.caption && text == other.text && style == other.style;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "[" << box.caption << "] " << box.text << " (" << box.style << ")";
}

const Box QUESTION{"tessary::glimmerfell", "Full screen experience?", MB_YESNO};

// The whole program on a private X server, with an archive made here embedded in
// place of the show's, no audio device, and a clock that runs 10 s per reading so
// the show is over after a few frames.
class ProgramTest : public XvfbTest {
protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        // The dying child starts afresh: a forked copy of a process that has run
        // GL hangs on exit, waiting for renderer threads that fork did not copy.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        clearQuitMessagesForTesting();
        setClockForTesting([this] {
            observeWindow();
            if (++readings == failAtReading)
                postQuitMessage(-1); // as a layer does when it fails mid-show
            return 10000u * readings;
        });
        setMessageBoxForTesting(
            [this](const std::string& text, const std::string& caption, int style) {
                boxes.push_back({caption, text, style});
                std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
                return answer;
            });
    }
    void TearDown() override {
        setClockForTesting(nullptr);
        setMessageBoxForTesting(nullptr);
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
        clearQuitMessagesForTesting();
        unsetenv("SDL_AUDIODRIVER");
    }

    // Embeds the script (unless empty) and the preloaded pictures, one of them
    // replaced by the given bytes.
    void embed(const std::string& script, const std::string& replaced = "",
               const Bytes& replacement = {}) {
        ArchiveWriter writer;
        const Bytes picture = encodePng(2, 2, PNG_COLOR_TYPE_RGB, 8, Bytes(12, 0x80));
        for (const char* name : PRELOADED_PICTURES)
            writer.addStoredFile(name, name == replaced ? replacement : picture);
        if (!script.empty())
            writer.addStoredFile("DATA\\SCRIPT.TXT", Bytes(script.begin(), script.end()));
        archive = writer.finish();
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                         static_cast<uint32_t>(archive.size()));
    }

    // The window the frames go to, as the show runs.
    void observeWindow() {
        if (SDL_Window* window = SDL_GL_GetCurrentWindow())
            windowFlags = SDL_GetWindowFlags(window);
    }

    Bytes archive;
    std::vector<Box> boxes;
    int answer = IDNO;
    uint32_t readings = 0;
    uint32_t failAtReading = 0;
    uint32_t windowFlags = 0;
};

} // namespace

TEST_F(ProgramTest, AnsweringNoRunsTheShowWindowedToItsEnd) {
    embed(SCRIPT);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(boxes, (std::vector<Box>{QUESTION}));
    // Start, then one reading per frame: the frame at 180 s is past the end, and
    // the loop takes the quit request one turn later.
    EXPECT_EQ(readings, 20u);
    EXPECT_NE(windowFlags & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(windowFlags & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(TextureCache::size(), 0u);
}

TEST_F(ProgramTest, AnsweringYesRunsTheShowFullScreen) {
    embed(SCRIPT);
    answer = IDYES;
    EXPECT_EQ(runProgram(), 0);
    EXPECT_NE(windowFlags & SDL_WINDOW_FULLSCREEN, 0u);
}

TEST_F(ProgramTest, ALayersFailureMidShowEndsTheRunWithItsCode) {
    embed(SCRIPT);
    failAtReading = 3;
    EXPECT_EQ(runProgram(), -1);
    EXPECT_LT(readings, 20u);            // long before the show's own end
    EXPECT_EQ(TextureCache::size(), 0u); // and the normal shutdown runs
}

TEST_F(ProgramTest, MissingScriptEndsBeforeTheQuestion) {
    embed("");
    EXPECT_EQ(runProgram(), -1);
    EXPECT_EQ(boxes, (std::vector<Box>{{"Error", "File not found: data\\script.txt", MB_OK}}));
    EXPECT_EQ(readings, 0u);
}

TEST_F(ProgramTest, PictureThatDoesNotDecodeEndsWithTheMessage) {
    embed(SCRIPT, "data\\hand.png", Bytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0});
    EXPECT_EXIT(runProgram(), ::testing::ExitedWithCode(255),
                "\\[Error\\] Could not load all texture maps");
}

// With a device, the music's checks run beside the pictures' preloading; when
// both fail, the music's failure, checked first, ends the program alone.
TEST_F(ProgramTest, MissingSoundtrackIsReportedBeforeAPictureThatDoesNotDecode) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    embed(SCRIPT, "data\\hand.png", Bytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0});
    EXPECT_EXIT(runProgram(), ::testing::ExitedWithCode(255),
                "\\[Error\\] Could not load data.set_18\\.mp3\n$");
}
