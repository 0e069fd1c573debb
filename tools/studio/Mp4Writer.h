// A capture's file: MP4 with the H.264 video stream and the AAC audio stream,
// written as frames and samples arrive, in fragments of a second that each carry
// their own index. Every fragment goes to the disk whole as soon as it is made,
// so the file as written so far plays up to its last fragment whatever becomes
// of the process (a crash, SIGKILL, a full disk).
#pragma once

#include "studio/AudioEncoder.h"
#include "studio/VideoEncoder.h"

#include <cstdint>
#include <memory>
#include <string>

class Mp4Writer {
public:
    Mp4Writer() = default;
    // Frees everything. A file that was not finished stays as far as it was
    // written (see abandon()).
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
    // After a failure: closes the file and cuts it back to its last whole
    // fragment, or removes it when it holds none. True when a part that plays
    // was kept. Only a regular file is ever cut or removed.
    bool abandon();

    const std::string& failure() const { return failure_; }

private:
    bool check(bool good, const std::string& failure);
    bool checkLibav(int result, const std::string& what);
    bool written(bool good, const std::string& failure);

    AVFormatContext* file_ = nullptr;
    std::unique_ptr<VideoEncoder> video_;
    std::unique_ptr<AudioEncoder> audio_;
    std::string path_;
    // Bytes of the file holding its header only, and holding whole fragments.
    int64_t headerLength_ = 0;
    int64_t completeLength_ = 0;
    std::string failure_;
};
