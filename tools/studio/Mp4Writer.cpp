#include "studio/Mp4Writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <filesystem>
#include <system_error>

namespace {

constexpr int64_t FRAGMENT_MICROSECONDS = 1000000;

} // namespace

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
    // A new fragment every second. The stream descriptions go before the first
    // fragment, once the first packets are known, with an edit list that starts
    // the video's first frame at time 0 despite H.264's reordering delay (AAC's
    // priming samples come before 0). Each packet written is flushed: the muxer
    // writes whole fragments at once, so the file on disk always ends on one.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+empty_moov+delay_moov+default_base_moof", 0);
    av_dict_set_int(&options, "frag_duration", FRAGMENT_MICROSECONDS, 0);
    file_->flush_packets = 1;
    const int result = avformat_write_header(file_, &options);
    av_dict_free(&options);
    if (!checkLibav(result, "cannot write to " + path))
        return false;
    avio_flush(file_->pb);
    headerLength_ = completeLength_ = avio_tell(file_->pb);
    return checkLibav(file_->pb->error, "cannot write to " + path);
}

bool Mp4Writer::addVideoFrame(const std::vector<uint8_t>& pictureRgba) {
    return written(video_->add(pictureRgba), video_->failure());
}

bool Mp4Writer::addAudio(const float* samples, size_t frames) {
    return written(audio_->add(samples, frames), audio_->failure());
}

bool Mp4Writer::finish() {
    if (!check(video_->finish(), video_->failure()) || !check(audio_->finish(), audio_->failure()))
        return false;
    if (!checkLibav(av_write_trailer(file_), "cannot finish " + path_))
        return false;
    return checkLibav(avio_closep(&file_->pb), "cannot write " + path_);
}

bool Mp4Writer::abandon() {
    if (!file_ || !file_->pb)
        return false;
    avio_closep(&file_->pb);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_, error))
        return false;
    if (completeLength_ > headerLength_) {
        std::filesystem::resize_file(path_, static_cast<uintmax_t>(completeLength_), error);
        return !error;
    }
    std::filesystem::remove(path_, error);
    return false;
}

bool Mp4Writer::written(bool good, const std::string& failure) {
    if (!check(good, failure))
        return false;
    completeLength_ = avio_tell(file_->pb);
    return true;
}

bool Mp4Writer::check(bool good, const std::string& failure) {
    if (!good)
        failure_ = failure;
    return good;
}

bool Mp4Writer::checkLibav(int result, const std::string& what) {
    return check(result >= 0, what + ": " + libavErrorText(result));
}
