#include "app/GlDriverAhead.h"
#include "XvfbDisplay.h"

#include <gtest/gtest.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Whether a DRI driver (Mesa's *_dri.so) is mapped in this process.
bool driDriverLoaded() {
    const auto isDriver = [](dl_phdr_info* info, size_t, void*) {
        const char* end = info->dlpi_name + std::strlen(info->dlpi_name);
        return end - info->dlpi_name > 7 && std::strcmp(end - 7, "_dri.so") == 0 ? 1 : 0;
    };
    return dl_iterate_phdr(isDriver, nullptr) != 0;
}

// Each case runs in a fresh process, where nothing has loaded a GL driver yet,
// on the private X server of the process that starts it (its DISPLAY): a server
// of its own would outlive a case that fails and hold up the test.
class GlDriverAheadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (GTEST_FLAG_GET(internal_run_death_test).empty())
            display = std::make_unique<XvfbDisplay>();
    }
    static void TearDownTestSuite() { display.reset(); }
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (display && !display->running())
            GTEST_SKIP() << "Xvfb is not available";
    }

    static std::unique_ptr<XvfbDisplay> display;
};

std::unique_ptr<XvfbDisplay> GlDriverAheadTest::display;

} // namespace

TEST_F(GlDriverAheadTest, TheDisplaysDriverIsLoadedAndKeptWhileItLives) {
    EXPECT_EXIT(
        {
            GlDriverAhead ahead;
            const bool answered = ahead.finish();
            std::exit(answered && driDriverLoaded() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(GlDriverAheadTest, NothingIsLoadedForAnotherVideoDriver) {
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            GlDriverAhead ahead;
            const bool answered = ahead.finish();
            std::exit(!answered && !driDriverLoaded() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(GlDriverAheadTest, EndingWhileItLoadsEndsTheProcessCleanly) {
    EXPECT_EXIT(
        {
            { GlDriverAhead ahead; }
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
}
