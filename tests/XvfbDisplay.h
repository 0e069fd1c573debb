// A private X server for tests that need a real window: Xvfb on a free display
// number, which becomes DISPLAY for the test process while it runs. It runs with
// -noreset: by default an X server resets when its last client leaves and refuses
// connections meanwhile, so a window made right after another was closed would
// sometimes find no display.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

class XvfbDisplay {
public:
    XvfbDisplay() {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(pipeEnds[0]);
            const std::string fd = std::to_string(pipeEnds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", "-br", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        // Xvfb writes the display number once it accepts clients; EOF if it died.
        std::string number;
        char c;
        while (pid_ > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeEnds[0]);
        if (number.empty())
            return;
        const char* previous = std::getenv("DISPLAY");
        previousDisplay_ = previous ? previous : "";
        hadDisplay_ = previous != nullptr;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        running_ = true;
    }

    ~XvfbDisplay() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (hadDisplay_)
            setenv("DISPLAY", previousDisplay_.c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool running() const { return running_; }

private:
    pid_t pid_ = -1;
    bool running_ = false;
    bool hadDisplay_ = false;
    std::string previousDisplay_;
};

// A test suite that shares one private X server. Where Xvfb cannot run the tests
// skip, except under CI (the variable CI set), where they fail: a green CI run
// must mean the window and the program were exercised. A derived SetUp calls
// this one first and returns when the test was skipped or failed.
class XvfbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { display() = std::make_unique<XvfbDisplay>(); }
    static void TearDownTestSuite() { display().reset(); }

    void SetUp() override {
        if (display()->running())
            return;
        if (std::getenv("CI"))
            FAIL() << "Xvfb is not available, and CI needs the tests that use it";
        GTEST_SKIP() << "Xvfb is not available";
    }

private:
    static std::unique_ptr<XvfbDisplay>& display() {
        static std::unique_ptr<XvfbDisplay> shared;
        return shared;
    }
};
