#include "platform/Platform.h"
#include "platform/Resources.h"
#include "platform/StartupHeap.h"
#include "platform/showError.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RecordedBox {
    std::string text;
    std::string caption;
    int style;
};

class MessageBoxRecorder : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageBoxForTesting(
            [this](const std::string& text, const std::string& caption, int style) {
                boxes.push_back({text, caption, style});
                return IDOK;
            });
    }
    void TearDown() override { setMessageBoxForTesting(nullptr); }

    std::vector<RecordedBox> boxes;
};

} // namespace

TEST(RuntimeRandom, FollowsTheClassicGeneratorSequence) {
    runtimeSrand(1);
    EXPECT_EQ(runtimeRand(), 41);
    EXPECT_EQ(runtimeRand(), 18467);
    EXPECT_EQ(runtimeRand(), 6334);
    runtimeSrand(12345);
    const int first = runtimeRand();
    runtimeSrand(12345);
    EXPECT_EQ(runtimeRand(), first);
    for (int i = 0; i < 1000; ++i) {
        const int value = runtimeRand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 0x7FFF);
    }
}

TEST(QuitQueue, RequestsComeOutInOrderOnce) {
    clearQuitMessagesForTesting();
    int code = 99;
    EXPECT_FALSE(takeQuitMessage(&code));
    postQuitMessage(-1);
    postQuitMessage(0);
    ASSERT_TRUE(takeQuitMessage(&code));
    EXPECT_EQ(code, -1);
    ASSERT_TRUE(takeQuitMessage(&code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(takeQuitMessage(&code));
}

TEST(Clock, CountsRealMillisecondsUnlessATestClockStandsIn) {
    setClockForTesting(nullptr);
    // Each reading is a whole millisecond, rounded down or (where SDL's nanosecond
    // difference is negative) up: a span of the clock is within 2 ms of the span
    // the steady clock measures around it.
    const auto steadyStart = std::chrono::steady_clock::now();
    const uint32_t start = milliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    const uint32_t elapsed = milliseconds() - start;
    const auto steadyElapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - steadyStart)
                                   .count();
    EXPECT_GE(elapsed, 39u);
    EXPECT_LE(elapsed,
              static_cast<uint32_t>(steadyElapsed) + 2); // milliseconds, not microseconds or ticks
    setClockForTesting([] { return 7u; });
    EXPECT_EQ(milliseconds(), 7u);
    setClockForTesting(nullptr);
    EXPECT_GE(milliseconds() - start, elapsed); // the real clock again
}

TEST(Resources, LookupIsByTypeAndId) {
    static const unsigned char bytes[] = {1, 2, 3};
    registerResource("RARFILE", 900, bytes, 3);
    EXPECT_EQ(findResource("RARFILE", 900).data, bytes);
    EXPECT_EQ(findResource("RARFILE", 900).size, 3u);
    EXPECT_EQ(findResource("OTHER", 900).data, nullptr);
    EXPECT_EQ(findResource("RARFILE", 901).size, 0u);
    unregisterResource("RARFILE", 900);
    EXPECT_EQ(findResource("RARFILE", 900).data, nullptr);
}

TEST_F(MessageBoxRecorder, ShowErrorFormatsIntoAnErrorBox) {
    showError("Could not load %s", "data\\hand.png");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not load data\\hand.png");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, MB_OK);
}

TEST_F(MessageBoxRecorder, ShowErrorCutsLongTextAt255Characters) {
    const std::string name(300, 'n');
    showError("Could not load %s", name.c_str());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.size(), 255u);
    EXPECT_EQ(boxes[0].text, ("Could not load " + name).substr(0, 255));
}

TEST(MessageBoxFallback, WithoutADisplayQuestionsCountAsNo) {
    const char* display = getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    const int answer = showMessageBox(nullptr, "Full screen experience?", "caption", MB_YESNO);
    const int ok = showMessageBox(nullptr, "Something failed", "Error", MB_OK);
    const std::string printed = testing::internal::GetCapturedStderr();
    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(ok, IDOK);
    EXPECT_NE(printed.find("Full screen experience?"), std::string::npos);
    EXPECT_NE(printed.find("Error: Something failed"), std::string::npos);
}

namespace {

// The kernel's answer for the mapping that holds the address: may it be backed by
// huge pages?
bool hugePageEligible(const void* address) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::ifstream maps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        uintptr_t from = 0;
        uintptr_t to = 0;
        char dash = 0;
        if (std::istringstream(line) >> std::hex >> from >> dash >> to && dash == '-')
            inside = from <= at && at < to;
        else if (inside && line.rfind("THPeligible:", 0) == 0)
            return line.find('1') != std::string::npos;
    }
    return false;
}

// The resident size of the heap, in bytes: of its mappings (advice splits it).
size_t heapResident() {
    std::ifstream maps("/proc/self/smaps");
    bool inside = false;
    size_t resident = 0;
    for (std::string line; std::getline(maps, line);) {
        if (line.find('-') < line.find(' '))
            inside = line.find(" [heap]") != std::string::npos;
        else if (inside && line.rfind("Rss:", 0) == 0)
            resident += std::stoul(line.substr(4)) << 10;
    }
    return resident;
}

bool kernelBefore(int major, int minor) {
    utsname system{};
    int hasMajor = 0;
    int hasMinor = 0;
    return uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &hasMajor, &hasMinor) == 2 &&
           (hasMajor < major || (hasMajor == major && hasMinor < minor));
}

} // namespace

// Filling the heap ahead faults its pages in: a fresh heap's first megabytes are
// resident afterwards, before any block is carved from them.
TEST(StartupHeap, FillingFaultsTheHeapInAhead) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator stands in for glibc's heap";
#endif
    if (kernelBefore(5, 14))
        GTEST_SKIP() << "pages cannot be filled ahead before Linux 5.14";
    // Earlier tests' freed memory is given back first, so the heap grows afresh.
    leaveHeapStartUp();
    prepareHeapForStartUp();
    const size_t before = heapResident();
    ASSERT_TRUE(fillStartUpHeap(24 << 20));
    EXPECT_GE(heapResident(), before + (16 << 20));
    leaveHeapStartUp();
}

// Start-up's large blocks (texture storage, decoded pixels) come from memory that
// the kernel backs with huge pages, one fault for 2 MiB instead of one per 4 KiB.
TEST(StartupHeap, LargeBlocksComeFromHugePageMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator stands in for glibc's heap";
#endif
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    if (modes.find("[madvise]") == std::string::npos)
        GTEST_SKIP() << "huge pages are not given on advice here: " << modes;
    prepareHeapForStartUp();
    // The block need not start on a huge page's boundary; its middle lies past one.
    const std::unique_ptr<char[]> block(new char[8 << 20]);
    EXPECT_TRUE(hugePageEligible(block.get() + (4 << 20)));
}
