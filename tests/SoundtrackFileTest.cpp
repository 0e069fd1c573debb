// The built soundtrack, decoded the way a player would: format, length,
// level, and the storyboard's sections audible in it.
#include <mpg123.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct DecodedTrack {
    bool ok = false;
    long rate = 0;
    int channels = 0;
    int bitrate = 0;
    std::vector<float> samples; // interleaved left, right
};

DecodedTrack decode(const std::string& path) {
    DecodedTrack track;
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle)
        return track;
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO | MPG123_MONO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        int encoding = 0;
        mpg123_getformat(handle, &track.rate, &track.channels, &encoding);
        std::vector<unsigned char> chunk(1 << 16);
        size_t got = 0;
        int result = MPG123_OK;
        while ((result = mpg123_read(handle, chunk.data(), chunk.size(), &got)) == MPG123_OK ||
               result == MPG123_NEW_FORMAT) {
            const float* floats = reinterpret_cast<const float*>(chunk.data());
            track.samples.insert(track.samples.end(), floats, floats + got / sizeof(float));
        }
        mpg123_frameinfo2 info{};
        mpg123_info2(handle, &info);
        track.bitrate = info.bitrate;
        track.ok = result == MPG123_DONE;
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return track;
}

class SoundtrackFile : public testing::Test {
protected:
    static void SetUpTestSuite() {
        track = new DecodedTrack(decode(std::string(GLIMMER_BUILD_DIR) + "/content/set_18.mp3"));
    }
    static void TearDownTestSuite() { delete track; }

    void SetUp() override { ASSERT_TRUE(track->ok) << "the soundtrack does not decode"; }

    static size_t frameAt(double seconds) { return size_t(seconds * 44100.0); }

    // Root mean square level in dBFS of both channels over a stretch of time;
    // with highs, of the second difference (a steep high-pass), which the hats
    // and the claps dominate.
    static double levelDb(double from, double to, bool highs = false) {
        double sum = 0.0;
        const size_t first = std::max<size_t>(2, frameAt(from)) * 2;
        const size_t last = std::min(frameAt(to) * 2, track->samples.size());
        for (size_t i = first; i < last; ++i) {
            const double value =
                highs ? track->samples[i] - 2.0 * track->samples[i - 2] + track->samples[i - 4]
                      : track->samples[i];
            sum += value * value;
        }
        return 10.0 * std::log10(sum / double(last - first) + 1e-20);
    }

    static DecodedTrack* track;
};

DecodedTrack* SoundtrackFile::track = nullptr;

} // namespace

TEST_F(SoundtrackFile, IsStereoAt44100HzWithinTheBitRateRange) {
    EXPECT_EQ(track->rate, 44100);
    EXPECT_EQ(track->channels, 2);
    EXPECT_GE(track->bitrate, 160);
    EXPECT_LE(track->bitrate, 192);
}

TEST_F(SoundtrackFile, Lasts178Seconds) {
    const double seconds = track->samples.size() / 2 / 44100.0;
    EXPECT_NEAR(seconds, 178.0, 0.05);
}

TEST_F(SoundtrackFile, PeaksAtMostOneDecibelBelowFullScale) {
    float peak = 0.0f;
    for (float sample : track->samples)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(20.0 * std::log10(peak), -1.0);
    EXPECT_GT(20.0 * std::log10(peak), -6.0) << "far quieter than it needs to be";
}

TEST_F(SoundtrackFile, SectionsFollowTheStoryboard) {
    const double intro = levelDb(2, 14);
    const double drums = levelDb(18, 30);
    const double groove = levelDb(34, 62);
    const double theme = levelDb(66, 94);
    const double breakdown = levelDb(98, 108);
    const double returns = levelDb(114, 142);
    EXPECT_GT(drums, intro + 4.0) << "the drums do not enter at 0:16";
    EXPECT_GT(groove, intro + 4.0);
    EXPECT_GT(theme, breakdown + 4.0) << "no break at 1:36";
    EXPECT_GT(returns, breakdown + 4.0) << "the theme does not return at 1:52";
    // No drums in the intro and the break: almost nothing in the highs.
    EXPECT_GT(levelDb(18, 30, true), levelDb(2, 14, true) + 20.0);
    EXPECT_GT(levelDb(66, 94, true), levelDb(98, 108, true) + 15.0);
    // The pad carries the intro and the outro; the end fades to silence.
    EXPECT_GT(intro, -40.0);
    EXPECT_GT(levelDb(165, 168), -40.0);
    EXPECT_LT(levelDb(177.2, 178), -70.0);
}
