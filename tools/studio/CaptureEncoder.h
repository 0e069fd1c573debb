// The encoding half of a capture: a thread of its own that converts and encodes
// the frames drawn, each with the soundtrack up to its end (silence past the
// soundtrack's end), while the drawing thread goes on with the next frames. The
// writer belongs to this thread from construction until finish() returns.
#pragma once

#include "studio/FramePipe.h"
#include "studio/Mp4Writer.h"
#include "studio/Soundtrack.h"

#include <atomic>
#include <cstdint>
#include <thread>

class CaptureEncoder {
public:
    // Frames drawn ahead of the encoder, at most.
    static constexpr size_t FRAMES_IN_FLIGHT = 3;

    CaptureEncoder(Mp4Writer& writer, const DecodedSound& sound, uint32_t fps);
    // Stops the thread, dropping frames not yet encoded.
    ~CaptureEncoder();
    CaptureEncoder(const CaptureEncoder&) = delete;
    CaptureEncoder& operator=(const CaptureEncoder&) = delete;

    // A buffer to read the next frame into, waiting while the encoder is behind;
    // false once encoding has failed (the writer says why).
    bool takeBuffer(FramePipe::Buffer& rgba) { return pipe_.takeFree(rgba); }
    // Hands the frame over: RGBA rows bottom-up, the picture's size.
    void encode(FramePipe::Buffer&& rgba) { pipe_.putFilled(std::move(rgba)); }
    // Waits until every frame handed over is encoded; false when one failed.
    bool finish();

    uint32_t framesEncoded() const { return framesEncoded_; }
    // Time the thread spent converting and encoding (not waiting for frames).
    double secondsEncoding() const { return secondsEncoding_; }

private:
    void run();
    bool encodeFrame(const FramePipe::Buffer& rgba);
    bool feedSoundUntil(size_t until);

    Mp4Writer& writer_;
    const DecodedSound& sound_;
    uint32_t fps_;
    FramePipe pipe_{FRAMES_IN_FLIGHT};
    size_t soundFed_ = 0;
    std::atomic<uint32_t> framesEncoded_{0};
    std::atomic<bool> failed_{false};
    double secondsEncoding_ = 0.0;
    std::thread thread_;
};
