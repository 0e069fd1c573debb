#include "studio/FramePipe.h"

FramePipe::FramePipe(size_t buffers) : free_(buffers) {}

bool FramePipe::takeFree(Buffer& buffer) {
    return take(free_, false, buffer);
}

void FramePipe::putFilled(Buffer&& buffer) {
    put(filled_, std::move(buffer));
}

bool FramePipe::takeFilled(Buffer& buffer) {
    return take(filled_, true, buffer);
}

void FramePipe::putFree(Buffer&& buffer) {
    put(free_, std::move(buffer));
}

void FramePipe::close() {
    const std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

void FramePipe::stop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
}

// The drawing side ends with the close; the encoding side empties the pipe first.
bool FramePipe::take(std::deque<Buffer>& from, bool untilClosed, Buffer& buffer) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || closed_ || !from.empty(); });
    if (stopped_ || from.empty() || (closed_ && !untilClosed))
        return false;
    buffer = std::move(from.front());
    from.pop_front();
    return true;
}

void FramePipe::put(std::deque<Buffer>& to, Buffer&& buffer) {
    const std::lock_guard<std::mutex> lock(mutex_);
    to.push_back(std::move(buffer));
    changed_.notify_all();
}
