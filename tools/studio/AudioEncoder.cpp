#include "studio/AudioEncoder.h"

#include "studio/Soundtrack.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>

namespace {

constexpr int64_t AAC_BIT_RATE = 192000;

} // namespace

AudioEncoder::AudioEncoder(AVFormatContext& file) : stream_(file, "aac") {}

AudioEncoder::~AudioEncoder() {
    av_frame_free(&frame_);
}

const std::string& AudioEncoder::failure() const {
    return failure_.empty() ? stream_.failure() : failure_;
}

bool AudioEncoder::open(long sampleRate) {
    AVCodecContext* context = stream_.context();
    if (!context)
        return false;
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = static_cast<int>(sampleRate);
    av_channel_layout_default(&context->ch_layout, DecodedSound::CHANNELS);
    context->bit_rate = AAC_BIT_RATE;
    context->time_base = AVRational{1, static_cast<int>(sampleRate)};
    if (!stream_.open(nullptr))
        return false;
    frame_ = av_frame_alloc();
    if (!frame_) {
        failure_ = "aac: out of memory for the frame";
        return false;
    }
    frame_->format = AV_SAMPLE_FMT_FLTP;
    frame_->sample_rate = context->sample_rate;
    frame_->nb_samples = context->frame_size;
    av_channel_layout_copy(&frame_->ch_layout, &context->ch_layout);
    if (av_frame_get_buffer(frame_, 0) < 0) {
        failure_ = "aac: out of memory for the frame";
        return false;
    }
    return true;
}

bool AudioEncoder::add(const float* samples, size_t frames) {
    while (frames > 0) {
        if (filled_ == 0 && av_frame_make_writable(frame_) < 0) {
            failure_ = "aac: out of memory for the frame";
            return false;
        }
        const size_t room = static_cast<size_t>(frame_->nb_samples - filled_);
        const size_t taken = std::min(room, frames);
        auto* left = reinterpret_cast<float*>(frame_->data[0]) + filled_;
        auto* right = reinterpret_cast<float*>(frame_->data[1]) + filled_;
        for (size_t i = 0; i < taken; ++i) {
            left[i] = samples[2 * i];
            right[i] = samples[2 * i + 1];
        }
        samples += 2 * taken;
        frames -= taken;
        filled_ += static_cast<int>(taken);
        if (filled_ == frame_->nb_samples && !sendFrame())
            return false;
    }
    return true;
}

bool AudioEncoder::finish() {
    if (filled_ > 0) {
        frame_->nb_samples = filled_;
        if (!sendFrame())
            return false;
    }
    return stream_.send(nullptr);
}

bool AudioEncoder::sendFrame() {
    frame_->pts = samplesSent_;
    samplesSent_ += filled_;
    filled_ = 0;
    return stream_.send(frame_);
}
