#include "studio/EncodedStream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

namespace {

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

} // namespace

std::string libavErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

EncodedStream::EncodedStream(AVFormatContext& file, const char* encoderName)
    : file_(file), name_(encoderName) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
    if (!encoder) {
        failure_ = "this FFmpeg has no " + name_ + " encoder";
        return;
    }
    context_ = avcodec_alloc_context3(encoder);
    stream_ = avformat_new_stream(&file_, nullptr);
    if (!context_ || !stream_) {
        avcodec_free_context(&context_);
        failure_ = "out of memory setting up the " + name_ + " encoder";
        return;
    }
    // MP4 keeps the codec set-up once in its header, not in every key frame.
    if (file_.oformat->flags & AVFMT_GLOBALHEADER)
        context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

EncodedStream::~EncodedStream() {
    avcodec_free_context(&context_);
}

bool EncodedStream::open(AVDictionary** options) {
    int result = avcodec_open2(context_, context_->codec, options);
    if (result < 0)
        return fail("cannot open the encoder", result);
    stream_->time_base = context_->time_base;
    result = avcodec_parameters_from_context(stream_->codecpar, context_);
    return result >= 0 || fail("cannot describe the stream", result);
}

bool EncodedStream::send(const AVFrame* frame) {
    int result = avcodec_send_frame(context_, frame);
    if (result < 0)
        return fail("encoding failed", result);
    const std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    for (;;) {
        result = avcodec_receive_packet(context_, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return fail("encoding failed", result);
        // A video packet lasts one tick of the frame rate; the muxer needs that
        // for the last frame's duration.
        if (packet->duration == 0 && context_->codec_type == AVMEDIA_TYPE_VIDEO)
            packet->duration = 1;
        av_packet_rescale_ts(packet.get(), context_->time_base, stream_->time_base);
        packet->stream_index = stream_->index;
        result = av_interleaved_write_frame(&file_, packet.get());
        if (result < 0)
            return fail("writing the file failed", result);
    }
}

bool EncodedStream::fail(const std::string& what, int code) {
    failure_ = name_ + ": " + what + ": " + libavErrorText(code);
    return false;
}
