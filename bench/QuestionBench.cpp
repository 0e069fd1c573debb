// Start-up to the question: the time from starting the program to the moment it
// asks "Full screen experience?", over fresh processes. Each run forks, and the
// child executes this program again, which runs the real program entry with the
// question's box replaced by a reading: the child reports the time since the
// parent's fork and ends there, before the show. Needs an X display (Xvfb will
// do), as the program does.
//
//   glimmer_question_bench [RUNS]
//
// Prints every run and the median, minimum and maximum in milliseconds. Exit
// status 0 when every run reached the question, 1 otherwise, 2 on bad usage.
//
// The bench holds a connection to the X server of its own throughout, as a
// desktop's other clients would: a server started without -noreset (Xvfb's
// default) otherwise resets whenever a run's program leaves, and its reset
// (reloading its GL driver and keymap, 40-50 ms of work) overlaps the next run.
#include "app/Program.h"
#include "platform/Platform.h"

#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr const char* CHILD_FLAG = "--child";
constexpr int DEFAULT_RUNS = 9;

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000ll + now.tv_nsec;
}

long long startNs = 0;

// The question box: print the elapsed time and leave without the show.
int reportQuestion(const std::string& text, const std::string& caption, int) {
    if (text != "Full screen experience?") {
        std::fprintf(stderr, "glimmer_question_bench: [%s] %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        _exit(1);
    }
    std::printf("%.3f\n", static_cast<double>(monotonicNs() - startNs) / 1e6);
    std::fflush(stdout);
    _exit(0);
}

int runChild(const char* startText) {
    startNs = std::atoll(startText);
    setMessageBoxForTesting(reportQuestion);
    runProgram();
    std::fprintf(stderr, "glimmer_question_bench: the program ended without its question\n");
    return 1;
}

// One fresh process up to the question; false when it did not get there.
bool measureOnce(const char* self, double& ms) {
    int channel[2];
    if (pipe(channel) != 0)
        return false;
    const std::string start = std::to_string(monotonicNs());
    const pid_t child = fork();
    if (child == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        execl(self, self, CHILD_FLAG, start.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    char text[64] = {};
    const ssize_t got = child > 0 ? read(channel[0], text, sizeof text - 1) : -1;
    close(channel[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    return got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(text, "%lf", &ms) == 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == CHILD_FLAG)
        return runChild(argv[2]);
    const int runs = argc == 2 ? std::atoi(argv[1]) : DEFAULT_RUNS;
    if (argc > 2 || runs < 1) {
        std::fprintf(stderr, "usage: glimmer_question_bench [RUNS]\n");
        return 2;
    }
    Display* const keptOpen = XOpenDisplay(nullptr);
    if (!keptOpen) {
        std::fprintf(stderr, "glimmer_question_bench: cannot open the X display\n");
        return 1;
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        double ms = 0;
        if (!measureOnce("/proc/self/exe", ms)) {
            std::fprintf(stderr, "glimmer_question_bench: run %d did not reach the question\n",
                         run + 1);
            XCloseDisplay(keptOpen);
            return 1;
        }
        std::printf("run %d: %.1f ms\n", run + 1, ms);
        times.push_back(ms);
    }
    XCloseDisplay(keptOpen);
    std::sort(times.begin(), times.end());
    std::printf("start-up to the question, %d runs: median %.1f ms, min %.1f, max %.1f\n", runs,
                times[times.size() / 2], times.front(), times.back());
    return 0;
}
