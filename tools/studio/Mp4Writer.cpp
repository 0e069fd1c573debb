#include "studio/Mp4Writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

Mp4Writer::~Mp4Writer() {
    video_.reset();
    audio_.reset();
    if (file_) {
        avio_closep(&file_->pb);
        avformat_free_context(file_);
    }
}

bool Mp4Writer::open(const std::string& path, const VideoSettings& video,
                     const PictureRect& picture, long sampleRate) {
    path_ = path;
    // The encoders' own chatter stays quiet; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    // The format is named: the file may be written under a temporary name.
    if (!checkLibav(avformat_alloc_output_context2(&file_, nullptr, "mp4", path.c_str()),
                    "cannot set up an MP4 file"))
        return false;
    video_ = std::make_unique<VideoEncoder>(*file_);
    audio_ = std::make_unique<AudioEncoder>(*file_);
    if (!check(video_->open(video, picture), video_->failure()) ||
        !check(audio_->open(sampleRate), audio_->failure()))
        return false;
    if (!checkLibav(avio_open(&file_->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot create " + path))
        return false;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    const int result = avformat_write_header(file_, &options);
    av_dict_free(&options);
    return checkLibav(result, "cannot write to " + path);
}

bool Mp4Writer::addVideoFrame(const std::vector<uint8_t>& pictureRgba) {
    return check(video_->add(pictureRgba), video_->failure());
}

bool Mp4Writer::addAudio(const float* samples, size_t frames) {
    return check(audio_->add(samples, frames), audio_->failure());
}

bool Mp4Writer::finish() {
    if (!check(video_->finish(), video_->failure()) || !check(audio_->finish(), audio_->failure()))
        return false;
    if (!checkLibav(av_write_trailer(file_), "cannot finish " + path_))
        return false;
    return checkLibav(avio_closep(&file_->pb), "cannot write " + path_);
}

bool Mp4Writer::check(bool good, const std::string& failure) {
    if (!good)
        failure_ = failure;
    return good;
}

bool Mp4Writer::checkLibav(int result, const std::string& what) {
    return check(result >= 0, what + ": " + libavErrorText(result));
}
