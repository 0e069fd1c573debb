#include "studio/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace {

constexpr uint8_t BLACK_LUMA = 16;
constexpr uint8_t NEUTRAL_CHROMA = 128;

void setColourTags(AVCodecContext& context) {
    context.color_range = AVCOL_RANGE_MPEG;
    context.colorspace = AVCOL_SPC_BT709;
    context.color_primaries = AVCOL_PRI_BT709;
    context.color_trc = AVCOL_TRC_BT709;
}

// RGBA in, 4:2:0 out, same size, with the BT.709 matrix into limited range.
SwsContext* makeConverter(const PictureRect& rect) {
    SwsContext* converter =
        sws_getContext(rect.width, rect.height, AV_PIX_FMT_RGBA, rect.width, rect.height,
                       AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (converter) {
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(converter, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    return converter;
}

} // namespace

VideoEncoder::VideoEncoder(AVFormatContext& file) : stream_(file, "libx264") {}

VideoEncoder::~VideoEncoder() {
    av_frame_free(&frame_);
    sws_freeContext(converter_);
}

const std::string& VideoEncoder::failure() const {
    return failure_.empty() ? stream_.failure() : failure_;
}

bool VideoEncoder::open(const VideoSettings& settings, const PictureRect& rect) {
    AVCodecContext* context = stream_.context();
    if (!context)
        return false;
    rect_ = rect;
    context->width = settings.width;
    context->height = settings.height;
    context->time_base = AVRational{1, static_cast<int>(settings.fps)};
    context->framerate = AVRational{static_cast<int>(settings.fps), 1};
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    setColourTags(*context);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", settings.preset.c_str(), 0);
    av_dict_set_int(&options, "crf", settings.crf, 0);
    if (!settings.x264Options.empty())
        av_dict_set(&options, "x264-params", settings.x264Options.c_str(), 0);
    const bool opened = stream_.open(&options);
    av_dict_free(&options);
    if (!opened)
        return false;
    frame_ = av_frame_alloc();
    converter_ = makeConverter(rect);
    if (!frame_ || !converter_) {
        failure_ = "libx264: out of memory for the frame";
        return false;
    }
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = settings.width;
    frame_->height = settings.height;
    if (av_frame_get_buffer(frame_, 0) < 0) {
        failure_ = "libx264: out of memory for the frame";
        return false;
    }
    return true;
}

bool VideoEncoder::add(const std::vector<uint8_t>& pictureRgba) {
    // The encoder may still hold the last frame's buffers.
    if (av_frame_make_writable(frame_) < 0) {
        failure_ = "libx264: out of memory for the frame";
        return false;
    }
    if (rect_.width != frame_->width || rect_.height != frame_->height) {
        std::memset(frame_->data[0], BLACK_LUMA,
                    static_cast<size_t>(frame_->linesize[0]) * frame_->height);
        for (int plane = 1; plane < 3; ++plane)
            std::memset(frame_->data[plane], NEUTRAL_CHROMA,
                        static_cast<size_t>(frame_->linesize[plane]) * ((frame_->height + 1) / 2));
    }
    // OpenGL's rows run bottom-up: start at the last and step backwards.
    const int rowBytes = rect_.width * 4;
    const uint8_t* source[1] = {pictureRgba.data() +
                                static_cast<size_t>(rect_.height - 1) * rowBytes};
    const int sourceStride[1] = {-rowBytes};
    uint8_t* target[3];
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        target[plane] =
            frame_->data[plane] + (rect_.y >> shift) * frame_->linesize[plane] + (rect_.x >> shift);
    }
    sws_scale(converter_, source, sourceStride, 0, rect_.height, target, frame_->linesize);
    frame_->pts = nextFrame_++;
    return stream_.send(frame_);
}
