// The video stream of a capture: H.264 through libx264, 4:2:0, BT.709 colours in
// limited range (what players assume for HD video), one frame per fixed step.
#pragma once

#include "studio/EncodedStream.h"
#include "studio/PictureGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

struct SwsContext;

struct VideoSettings {
    int width = 1920;
    int height = 1080;
    uint32_t fps = 60;
    // x264's constant rate factor: 0 lossless, 23 its default, 51 worst.
    int crf = 20;
    std::string preset = "veryfast";
    // Options over the preset's, as x264 takes them ("key=value:key=value").
    std::string x264Options;
};

class VideoEncoder {
public:
    explicit VideoEncoder(AVFormatContext& file);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Sets the encoder up for frames of the given size with the picture at rect.
    // False, with failure(), when libx264 is missing or refuses the settings.
    bool open(const VideoSettings& settings, const PictureRect& rect);
    // Encodes the next frame: the picture (RGBA rows bottom-up, rect's size) in
    // its place, black around it.
    bool add(const std::vector<uint8_t>& pictureRgba);
    // Drains the encoder.
    bool finish() { return stream_.send(nullptr); }

    const std::string& failure() const;

private:
    EncodedStream stream_;
    AVFrame* frame_ = nullptr;
    SwsContext* converter_ = nullptr;
    PictureRect rect_;
    int64_t nextFrame_ = 0;
    std::string failure_;
};
