// Frames passed from the thread that draws them to the thread that encodes them:
// a fixed set of picture buffers goes round, filled on one side and emptied on
// the other, in order. Neither side waits unless the other is a whole set behind,
// and no buffer is allocated once the set has gone round.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class FramePipe {
public:
    using Buffer = std::vector<uint8_t>;

    explicit FramePipe(size_t buffers);

    // Drawing side: a free buffer to fill, waiting for one; false once the pipe
    // is closed or stopped.
    bool takeFree(Buffer& buffer);
    // Drawing side: hands a filled buffer over.
    void putFilled(Buffer&& buffer);
    // Encoding side: the next filled buffer, waiting for one; false when the
    // pipe is closed and every filled buffer has been taken, or stopped.
    bool takeFilled(Buffer& buffer);
    // Encoding side: gives an emptied buffer back.
    void putFree(Buffer&& buffer);

    // No more frames come; those handed over are still taken.
    void close();
    // Both sides stop at once; frames not yet taken are dropped.
    void stop();

private:
    bool take(std::deque<Buffer>& from, bool untilClosed, Buffer& buffer);
    void put(std::deque<Buffer>& to, Buffer&& buffer);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> free_;
    std::deque<Buffer> filled_;
    bool closed_ = false;
    bool stopped_ = false;
};
