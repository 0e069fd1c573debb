#include "studio/Soundtrack.h"

#include "platform/EmbeddedArchive.h"
#include "script/DemoPlayer.h"

#include <mpg123.h>

#include <memory>

namespace {

struct DecoderDeleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};
using Decoder = std::unique_ptr<mpg123_handle, DecoderDeleter>;

// A decoder for float stereo at any rate the library knows, reading from what
// it is fed.
Decoder openFloatStereoDecoder() {
    mpg123_init();
    Decoder decoder(mpg123_new(nullptr, nullptr));
    if (!decoder)
        return nullptr;
    mpg123_param(decoder.get(), MPG123_FLAGS,
                 MPG123_FORCE_STEREO | MPG123_FORCE_FLOAT | MPG123_QUIET, 0.0);
    mpg123_format_none(decoder.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(decoder.get(), rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open_feed(decoder.get()) != MPG123_OK)
        return nullptr;
    return decoder;
}

} // namespace

bool decodeMp3(const unsigned char* bytes, size_t size, DecodedSound& sound, std::string& failure) {
    const Decoder decoder = openFloatStereoDecoder();
    if (!decoder) {
        failure = "the MP3 decoder cannot be set up";
        return false;
    }
    sound.samples.clear();
    if (mpg123_feed(decoder.get(), bytes, size) != MPG123_OK) {
        failure = mpg123_strerror(decoder.get());
        return false;
    }
    std::vector<float> chunk(16384);
    for (;;) {
        size_t done = 0;
        const int result =
            mpg123_read(decoder.get(), chunk.data(), chunk.size() * sizeof(float), &done);
        sound.samples.insert(sound.samples.end(), chunk.begin(),
                             chunk.begin() + static_cast<long>(done / sizeof(float)));
        if (result == MPG123_NEW_FORMAT) {
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(decoder.get(), &sound.rate, &channels, &encoding);
        } else if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            break;
        } else if (result != MPG123_OK) {
            failure = mpg123_strerror(decoder.get());
            return false;
        }
    }
    if (sound.samples.empty() || sound.rate <= 0) {
        failure = "no MP3 audio in the data";
        return false;
    }
    return true;
}

bool loadSoundtrack(DecodedSound& sound, std::string& failure) {
    uint32_t size = 0;
    const ArchiveBytes bytes = extractEmbeddedFile(DemoPlayer::MUSIC_FILE, &size);
    if (!bytes) {
        failure = std::string("the show has no soundtrack ") + DemoPlayer::MUSIC_FILE;
        return false;
    }
    if (!decodeMp3(bytes.get(), size, sound, failure)) {
        failure = std::string(DemoPlayer::MUSIC_FILE) + ": " + failure;
        return false;
    }
    return true;
}
