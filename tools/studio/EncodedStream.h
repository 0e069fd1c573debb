// One encoder feeding one stream of a file being muxed: frames go in, every
// packet the encoder gives back is stamped in the stream's time base and handed
// to the muxer, interleaved with the other streams.
#pragma once

#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVStream;
struct AVDictionary;

// The text of a libav error code.
std::string libavErrorText(int code);

class EncodedStream {
public:
    // Finds the named encoder and makes its context and a stream in file. Check
    // context() before use: null (with failure()) when the encoder is missing.
    EncodedStream(AVFormatContext& file, const char* encoderName);
    ~EncodedStream();
    EncodedStream(const EncodedStream&) = delete;
    EncodedStream& operator=(const EncodedStream&) = delete;

    // The context to configure before open().
    AVCodecContext* context() { return context_; }
    // Opens the encoder with the given private options and describes the
    // stream from it. False, with failure(), when the encoder refuses.
    bool open(AVDictionary** options);
    // Encodes a frame (null drains the encoder at the end) and writes whatever
    // packets are ready. False, with failure(), when encoding or writing fails.
    bool send(const AVFrame* frame);

    const std::string& failure() const { return failure_; }

private:
    bool fail(const std::string& what, int code);

    AVFormatContext& file_;
    AVCodecContext* context_ = nullptr;
    AVStream* stream_ = nullptr;
    std::string name_;
    std::string failure_;
};
