#include "platform/StartupHeap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int LARGEST_HEAP_BLOCK = 32 << 20; // glibc's highest mmap threshold
constexpr int TRIM_THRESHOLD = 256 << 20;
constexpr int GROWTH_AHEAD = 64 << 20;
constexpr size_t PROBE_BLOCK = 16 << 20;
// glibc's defaults for the mmap and trim thresholds and the top pad.
constexpr int GLIBC_DEFAULT = 128 << 10;
constexpr uintptr_t HUGE_PAGE = uintptr_t{2} << 20;

// MADV_POPULATE_WRITE (Linux 5.14): faults pages in as a write would, without
// writing. Older kernels refuse it, and the pages then fault when first used.
constexpr int POPULATE_WRITE = 23;

// The heap's part advised for huge pages; empty until the heap is prepared.
uintptr_t advisedStart = 0;
uintptr_t advisedEnd = 0;

} // namespace

void prepareHeapForStartUp() {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, LARGEST_HEAP_BLOCK);
    mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD);
    mallopt(M_TOP_PAD, GROWTH_AHEAD);
    // A block larger than the heap's free top grows the heap by its size and the
    // pad; freed at once, it leaves the heap free from its start to the break, and
    // later blocks are carved from there.
    void* probe = std::malloc(PROBE_BLOCK);
    const auto probeAt = reinterpret_cast<uintptr_t>(probe);
    std::free(probe);
    const uintptr_t start = (probeAt + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) & ~(HUGE_PAGE - 1);
    if (probeAt != 0 && end > start &&
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0) {
        advisedStart = start;
        advisedEnd = end;
    }
}

bool fillStartUpHeap(size_t bytes) {
    const uintptr_t end = std::min(advisedEnd, advisedStart + bytes);
    return end > advisedStart &&
           madvise(reinterpret_cast<void*>(advisedStart), end - advisedStart, POPULATE_WRITE) == 0;
}

StartUpHeapFiller::StartUpHeapFiller(size_t bytes) : thread_([bytes] { fillStartUpHeap(bytes); }) {}

StartUpHeapFiller::~StartUpHeapFiller() {
    thread_.join();
}

void leaveHeapStartUp() {
    mallopt(M_MMAP_THRESHOLD, GLIBC_DEFAULT);
    mallopt(M_TRIM_THRESHOLD, GLIBC_DEFAULT);
    mallopt(M_TOP_PAD, GLIBC_DEFAULT);
    malloc_trim(0);
}
