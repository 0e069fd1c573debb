// A capture's file: MP4 with the H.264 video stream and the AAC audio stream,
// written as frames and samples arrive and indexed at the front when finished
// (so players can start before the whole file is read).
#pragma once

#include "studio/AudioEncoder.h"
#include "studio/VideoEncoder.h"

#include <memory>
#include <string>

class Mp4Writer {
public:
    Mp4Writer() = default;
    // Frees everything. A file that was not finished stays as far as it was
    // written; removing it is the caller's business.
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer&) = delete;
    Mp4Writer& operator=(const Mp4Writer&) = delete;

    // Creates the file with both streams. False, with failure(), when an encoder
    // is missing or refuses its settings, or the file cannot be created.
    bool open(const std::string& path, const VideoSettings& video, const PictureRect& picture,
              long sampleRate);
    bool addVideoFrame(const std::vector<uint8_t>& pictureRgba);
    bool addAudio(const float* samples, size_t frames);
    // Drains both encoders, writes the index and closes the file; false when
    // any of it fails (a full disk shows here at the latest).
    bool finish();

    const std::string& failure() const { return failure_; }

private:
    bool check(bool good, const std::string& failure);
    bool checkLibav(int result, const std::string& what);

    AVFormatContext* file_ = nullptr;
    std::unique_ptr<VideoEncoder> video_;
    std::unique_ptr<AudioEncoder> audio_;
    std::string path_;
    std::string failure_;
};
