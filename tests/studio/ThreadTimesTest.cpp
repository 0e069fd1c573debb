#include "studio/ThreadTimes.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace {

double threadProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

} // namespace

// A thread named "spin (7) 42" (parentheses and digits as the parser meets them)
// that has used a fifth of a second shows under "spin (7) " with at least most
// of it; the main thread is there under "main".
TEST(ThreadTimes, ABusyThreadShowsUnderItsName) {
    std::atomic<bool> spun{false};
    std::atomic<bool> measured{false};
    std::thread spinner([&] {
        pthread_setname_np(pthread_self(), "spin (7) 42");
        while (threadProcessorSeconds() < 0.2) {
        }
        spun = true;
        while (!measured)
            std::this_thread::yield();
    });
    while (!spun)
        std::this_thread::yield();
    const std::map<std::string, double> seconds = threadSeconds();
    measured = true;
    spinner.join();
    ASSERT_EQ(seconds.count("spin (7) "), 1u);
    EXPECT_GE(seconds.at("spin (7) "), 0.15);
    EXPECT_EQ(seconds.count("main"), 1u);
}
