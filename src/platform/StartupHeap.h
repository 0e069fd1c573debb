// The C heap set up for start-up. Page faults are dear on the machines the show
// runs on (virtual machines), and start-up touches tens of megabytes that the GL
// driver and the picture readers allocate (texture storage, decoded pixels): with
// glibc's defaults each 4 KiB page of them faults once, and large blocks are
// mapped afresh and faulted again for every picture.
#pragma once

#include <cstddef>
#include <thread>

// Keeps blocks of up to 32 MiB on the heap, where a freed block is reused rather
// than unmapped; leaves freed memory to the heap; lets every thread allocate
// from that one heap; grows it ahead by 64 MiB; and asks the kernel to back its
// free top with huge pages (2 MiB, one fault each). Only advice: where glibc or
// the kernel refuses, the heap stays as it was. Safe to call more than once.
void prepareHeapForStartUp();

// Has the kernel fault in the first bytes of the prepared heap now (pages
// already there are left as they are; nothing is written), so that the blocks
// start-up carves from there later find their pages ready. On these virtual
// machines a fresh page costs far more to clear than to map (a huge page well
// over a millisecond), so this runs where a core has time to spare. False,
// having done nothing, before prepareHeapForStartUp, where that was refused, or
// where the kernel (before Linux 5.14) cannot fill pages ahead.
bool fillStartUpHeap(size_t bytes);

// fillStartUpHeap(bytes) on a thread of its own, from construction; the
// destructor waits for it.
class StartUpHeapFiller {
public:
    explicit StartUpHeapFiller(size_t bytes);
    StartUpHeapFiller(const StartUpHeapFiller&) = delete;
    StartUpHeapFiller& operator=(const StartUpHeapFiller&) = delete;
    ~StartUpHeapFiller();

private:
    std::thread thread_;
};

// After start-up: glibc's defaults again for blocks, trimming and growth (the one
// heap for all threads stays), and the heap's free memory is given back, so that
// the show's memory is not held up by start-up's freed pictures.
void leaveHeapStartUp();
