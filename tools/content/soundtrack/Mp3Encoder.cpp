#include "Mp3Encoder.h"

#include "Dsp.h"

#include <lame/lame.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileDeleter {
    void operator()(FILE* file) const { std::fclose(file); }
};

using LamePtr = std::unique_ptr<lame_global_flags, LameDeleter>;
using FilePtr = std::unique_ptr<FILE, FileDeleter>;

LamePtr openEncoder(int kilobitsPerSecond) {
    LamePtr lame(lame_init());
    if (!lame)
        return nullptr;
    lame_set_in_samplerate(lame.get(), kSampleRate);
    lame_set_out_samplerate(lame.get(), kSampleRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), kilobitsPerSecond);
    lame_set_quality(lame.get(), 3);
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0)
        return nullptr;
    return lame;
}

bool writeAll(FILE* file, const unsigned char* bytes, int count) {
    return count >= 0 && std::fwrite(bytes, 1, size_t(count), file) == size_t(count);
}

} // namespace

bool writeMp3(const StereoBuffer& buffer, const std::string& path, int kilobitsPerSecond) {
    LamePtr lame = openEncoder(kilobitsPerSecond);
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!lame || !file)
        return false;
    constexpr size_t kChunk = 8192;
    std::vector<unsigned char> out(kChunk * 5 / 4 + 7200);
    for (size_t first = 0; first < buffer.frames(); first += kChunk) {
        const int count = static_cast<int>(std::min(kChunk, buffer.frames() - first));
        const int bytes =
            lame_encode_buffer_ieee_float(lame.get(), &buffer.left[first], &buffer.right[first],
                                          count, out.data(), static_cast<int>(out.size()));
        if (!writeAll(file.get(), out.data(), bytes))
            return false;
    }
    const int tail = lame_encode_flush(lame.get(), out.data(), static_cast<int>(out.size()));
    if (!writeAll(file.get(), out.data(), tail))
        return false;
    // The info frame was reserved at the start; fill it now that the totals are known.
    const size_t tagSize = lame_get_lametag_frame(lame.get(), out.data(), out.size());
    if (tagSize > 0 && (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
                        !writeAll(file.get(), out.data(), static_cast<int>(tagSize))))
        return false;
    return std::fflush(file.get()) == 0;
}
