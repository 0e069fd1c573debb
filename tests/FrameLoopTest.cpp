#include "app/AppWindow.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A window that is never created: it writes down the events the loop hands it.
class RecordingWindow : public AppWindow {
public:
    explicit RecordingWindow(Log& log) : AppWindow("test", 800, 600, 32, 16, false), log_(log) {}
    bool handleEvent(const SDL_Event& event) override {
        log_.push_back(event.type == SDL_KEYDOWN ? "key " + std::to_string(event.key.keysym.sym)
                                                 : "event");
        return AppWindow::handleEvent(event);
    }

private:
    Log& log_;
};

class RecordingClient : public FrameClient {
public:
    RecordingClient(Log& log, std::string word) : log_(log), word_(std::move(word)) {}
    void renderFrame() override { log_.push_back(word_); }

private:
    Log& log_;
    std::string word_;
};

SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event windowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        clearQuitMessagesForTesting();
    }
    void TearDown() override {
        clearQuitMessagesForTesting();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    Log log;
    RecordingWindow window{log};
    RecordingClient frame{log, "frame"};
    RecordingClient end{log, "end"};
};

} // namespace

TEST_F(FrameLoopTest, EventsAheadOfAQuitRequestAreHandledOnePerFrame) {
    push(keyDown(SDLK_a));
    push(keyDown(SDLK_b));
    postQuitMessage(-1);
    const int exitCode = window.runFrameLoop(frame, &end);
    EXPECT_EQ(log, (Log{"key 97", "frame", "key 98", "frame", "frame", "end"}));
    EXPECT_EQ(exitCode, -1);
    EXPECT_TRUE(window.quitRequested());
}

TEST_F(FrameLoopTest, EscapeEndsTheLoopAfterOneMoreFrame) {
    push(keyDown(SDLK_ESCAPE));
    push(keyDown(SDLK_a)); // never reached
    EXPECT_EQ(window.runFrameLoop(frame, &end), 0);
    EXPECT_EQ(log, (Log{"key 27", "frame", "end"}));
}

// A layer's failure posted in the same turn as a clean end (the player's time
// limit, Escape) still ends the run with the failure's status.
TEST_F(FrameLoopTest, AFailureQueuedBehindACleanEndDecidesTheStatus) {
    postQuitMessage(0);
    postQuitMessage(-1);
    EXPECT_EQ(window.runFrameLoop(frame, &end), -1);
    int left = 0;
    EXPECT_FALSE(takeQuitMessage(&left));

    RecordingWindow escaped{log};
    push(keyDown(SDLK_ESCAPE));
    postQuitMessage(-1);
    EXPECT_EQ(escaped.runFrameLoop(frame, &end), -1);
}

TEST_F(FrameLoopTest, AFailureInTheLastFrameDecidesTheStatus) {
    class FailingClient : public FrameClient {
    public:
        void renderFrame() override { postQuitMessage(-1); }
    } failing;
    push(keyDown(SDLK_ESCAPE));
    EXPECT_EQ(window.runFrameLoop(failing, &end), -1);
}

TEST_F(FrameLoopTest, WithoutEndClientTheLoopReturnsAfterTheLastFrame) {
    push(windowEvent(SDL_WINDOWEVENT_CLOSE));
    window.runFrameLoop(frame, nullptr);
    EXPECT_EQ(log, (Log{"event", "frame"}));
}

TEST_F(FrameLoopTest, CloseBoxAndQuitEventEndTheRunOtherEventsDoNot) {
    AppWindow closed("test", 800, 600, 32, 16, false);
    EXPECT_FALSE(closed.handleEvent(keyDown(SDLK_SPACE)));
    EXPECT_FALSE(closed.handleEvent(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED))); // not created
    EXPECT_FALSE(closed.quitRequested());
    EXPECT_TRUE(closed.handleEvent(windowEvent(SDL_WINDOWEVENT_CLOSE)));
    EXPECT_TRUE(closed.quitRequested());

    AppWindow quit("test", 800, 600, 32, 16, false);
    SDL_Event event{};
    event.type = SDL_QUIT;
    EXPECT_TRUE(quit.handleEvent(event));
    EXPECT_TRUE(quit.quitRequested());
}

TEST(AppWindowSetupTest, ConstructorDrawsOneRandomNumberForTheClassName) {
    runtimeSrand(1);
    const int first = runtimeRand();
    const int second = runtimeRand();
    runtimeSrand(1);
    const AppWindow window("title", 800, 600, 32, 16, false);
    const std::string name = window.className();
    EXPECT_EQ(name.rfind("title", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - std::to_string(first).size()), std::to_string(first));
    EXPECT_EQ(runtimeRand(), second);
}

TEST(AppWindowSetupTest, UnsupportedColourDepthIsRefusedBeforeVideoStarts) {
    AppWindow window("title", 800, 600, 16, 16, false);
    EXPECT_EQ(window.create(), AppWindow::UNSUPPORTED_COLOUR_DEPTH);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_FALSE(window.created());
    EXPECT_FALSE(window.show());
    EXPECT_FALSE(window.setFullScreen(true));
}
