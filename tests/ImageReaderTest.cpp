#include "ImageFiles.h"
#include "TestSupport.h"
#include "images/ArchiveImageReader.h"
#include "images/BmpImageReader.h"
#include "images/JpegImageReader.h"
#include "images/PictureDecodeAhead.h"
#include "images/PngImageReader.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Resources.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Rows of a picture reversed: what the readers give for rows stored top-down.
Bytes flipped(const Bytes& topDown, int rowBytes) {
    Bytes out;
    for (size_t row = topDown.size(); row > 0; row -= rowBytes)
        out.insert(out.end(), topDown.begin() + (row - rowBytes), topDown.begin() + row);
    return out;
}

Bytes pixelsOf(const DecodedImage& image) {
    return Bytes(image.pixels.get(), image.pixels.get() + image.byteCount());
}

template <typename Reader>
bool decodeWith(DecodedImage& image, const Bytes& file) {
    return Reader().decode(image, file.data(), file.size());
}

// A 3 × 2 picture, every byte different.
const Bytes RGB_3X2 = {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42, 50, 51, 52, 60, 61, 62};

// A JPEG, top half red and bottom half blue.
Bytes redOverBlueJpeg() {
    Bytes samples;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column)
            samples.insert(samples.end(), {static_cast<unsigned char>(row < 8 ? 255 : 0), 0,
                                           static_cast<unsigned char>(row < 8 ? 0 : 255)});
    return encodeJpeg(16, 16, 3, samples);
}

void expectNear(const unsigned char* pixel, std::initializer_list<int> expected) {
    int channel = 0;
    for (int value : expected)
        EXPECT_NEAR(pixel[channel++], value, 24) << "channel " << channel;
}

} // namespace

TEST(PngImageReader, DecodesRgbAndRgbaBottomUpWithExactBytes) {
    for (bool interlaced : {false, true}) {
        DecodedImage image;
        ASSERT_TRUE(decodeWith<PngImageReader>(
            image, encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2, {interlaced, false})));
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.isRgb, 1);
        EXPECT_EQ(pixelsOf(image), flipped(RGB_3X2, 9));
    }
    const Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    DecodedImage image;
    ASSERT_TRUE(decodeWith<PngImageReader>(image, encodePng(2, 2, PNG_COLOR_TYPE_RGBA, 8, rgba)));
    EXPECT_EQ(image.isRgb, 0);
    EXPECT_EQ(pixelsOf(image), flipped(rgba, 8));
}

TEST(PngImageReader, ReducesSixteenBitChannelsToTheirHighBytes) {
    const Bytes samples = {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00, 0x00, 0xFF, 0x80, 0x01, 0x7F, 0xFF};
    DecodedImage image;
    ASSERT_TRUE(
        decodeWith<PngImageReader>(image, encodePng(2, 1, PNG_COLOR_TYPE_RGB, 16, samples)));
    EXPECT_EQ(pixelsOf(image), (Bytes{0x12, 0xAB, 0xFF, 0x00, 0x80, 0x7F}));
}

TEST(PngImageReader, RefusesGreyPaletteAndTruncatedFiles) {
    const Bytes grey(4, 100);
    const Bytes refused[] = {
        encodePng(2, 2, PNG_COLOR_TYPE_GRAY, 8, grey),
        encodePng(1, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, grey),
        encodePng(2, 2, PNG_COLOR_TYPE_PALETTE, 8, grey),
        encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2, {false, true}),
    };
    for (const Bytes& file : refused) {
        DecodedImage image;
        EXPECT_FALSE(decodeWith<PngImageReader>(image, file));
        EXPECT_EQ(image.pixels, nullptr);
    }
    const Bytes whole = encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2);
    for (size_t length = 0; length < whole.size(); ++length) {
        DecodedImage image;
        const Bytes cut(whole.begin(), whole.begin() + length);
        EXPECT_FALSE(decodeWith<PngImageReader>(image, cut)) << "cut at " << length;
    }
}

TEST(JpegImageReader, DecodesColourPicturesBottomUp) {
    DecodedImage image;
    ASSERT_TRUE(decodeWith<JpegImageReader>(image, redOverBlueJpeg()));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 16);
    EXPECT_EQ(image.isRgb, 1);
    expectNear(image.pixels.get(), {0, 0, 255});                         // bottom row first
    expectNear(image.pixels.get() + image.byteCount() - 3, {255, 0, 0}); // top row last
}

TEST(JpegImageReader, FatalErrorsGreyAndCmykPicturesReturnFalse) {
    const Bytes good = redOverBlueJpeg();
    Bytes badPrecision = good;
    const unsigned char startOfFrame[] = {0xFF, 0xC0};
    const auto frame = std::search(badPrecision.begin(), badPrecision.end(),
                                   std::begin(startOfFrame), std::end(startOfFrame));
    ASSERT_NE(frame, badPrecision.end());
    frame[4] = 7; // sample precision libjpeg cannot decode
    const Bytes refused[] = {
        badPrecision, Bytes(good.begin(), good.begin() + 20), // ends before the frame header
        Bytes(),      encodeJpeg(4, 4, 1, Bytes(16, 90)),     encodeJpeg(4, 4, 4, Bytes(64, 90)),
    };
    for (const Bytes& file : refused) {
        DecodedImage image;
        EXPECT_FALSE(decodeWith<JpegImageReader>(image, file));
        EXPECT_EQ(image.pixels, nullptr);
    }
}

TEST(BmpImageReader, DecodesPaddedRowsWithChannelsSwapped) {
    DecodedImage image;
    ASSERT_TRUE(decodeWith<BmpImageReader>(image, encodeBmp(3, 2, RGB_3X2)));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.isRgb, 1);
    EXPECT_EQ(pixelsOf(image), flipped(RGB_3X2, 9));
}

TEST(BmpImageReader, RefusesHeadersThatDoNotFitTheData) {
    const Bytes good = encodeBmp(3, 2, RGB_3X2);
    const auto with = [&good](size_t offset, uint32_t value) {
        Bytes file = good;
        std::memcpy(file.data() + offset, &value, sizeof value);
        return file;
    };
    const Bytes refused[] = {
        Bytes(good.begin(), good.end() - 4),          // last row cut short
        Bytes(good.begin(), good.begin() + 29),       // header cut short
        with(10, static_cast<uint32_t>(good.size())), // pixel offset at the end
        with(10, 0xFFFFFFF0u),                        // pixel offset far beyond
        with(18, 0),
        with(22, 0), // empty
        with(18, 0xFFFFFFFDu),
        with(22, 0xFFFFFFFEu), // negative (top-down)
        with(18, 0x7FFFFFFF),
        with(22, 0x7FFFFFFF), // beyond the data, overflowing
        with(26, 0x00180002), // two planes
        with(26, 0x00200001), // 32 bits per pixel
        with(0, 0x4D41),      // not "BM"
    };
    for (const Bytes& file : refused) {
        DecodedImage image;
        EXPECT_FALSE(decodeWith<BmpImageReader>(image, file)) << "case " << &file - refused;
        EXPECT_EQ(image.pixels, nullptr);
    }
    EXPECT_EQ(allocatePixels(0x7FFFFFFF, 0x7FFFFFFF, 3), nullptr);
    EXPECT_EQ(allocatePixels(0x8000, 0x10000, 1), nullptr); // exactly 2^31 bytes
    EXPECT_NE(allocatePixels(1, 1, 3), nullptr);
}

TEST(ArchiveImageReader, ChoosesTheFormatByMagicBytes) {
    // A BMP counts only when its size's low byte makes the third byte '8'.
    const Bytes bmp = encodeBmp(3, 2, RGB_3X2, 0x138);
    ASSERT_EQ(bmp[2], '8');
    const Bytes recognised[] = {bmp, encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2),
                                redOverBlueJpeg()};
    for (const Bytes& file : recognised) {
        DecodedImage image;
        EXPECT_TRUE(decodeWith<ArchiveImageReader>(image, file));
    }

    // A JPEG opening with an Exif segment instead of JFIF is valid but not taken.
    const Bytes jfif = redOverBlueJpeg();
    const size_t app0Length = jfif[4] << 8 | jfif[5];
    Bytes exif = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0};
    exif.insert(exif.end(), jfif.begin() + 4 + app0Length, jfif.end());
    DecodedImage image;
    ASSERT_TRUE(decodeWith<JpegImageReader>(image, exif));

    const Bytes unrecognised[] = {encodeBmp(3, 2, RGB_3X2), exif, Bytes{'x', 'P', 'N'}, Bytes()};
    for (const Bytes& file : unrecognised) {
        image.width = 77;
        EXPECT_FALSE(decodeWith<ArchiveImageReader>(image, file));
        EXPECT_EQ(image.width, 77) << "the record is left as it was";
    }
}

TEST(ArchiveImageReader, LoadsFromTheEmbeddedArchive) {
    ArchiveWriter writer;
    writer.addStoredFile("data\\pic.png", encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2));
    writer.addStoredFile("data\\junk.png", Bytes(40, 'j'));
    const Bytes archive = writer.finish();
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                     static_cast<uint32_t>(archive.size()));
    DecodedImage image;
    EXPECT_TRUE(ArchiveImageReader().load(image, "DATA/PIC.PNG"));
    EXPECT_EQ(pixelsOf(image), flipped(RGB_3X2, 9));
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\junk.png"));
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\absent.png"));
    unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
}

// The pictures it decoded are handed to readers once each, with the pixels a
// plain read gives (here with the archive gone after the decoding, so that only
// it can give them); a picture that does not decode still fails. Once the instance
// is gone it hands out nothing.
TEST(PictureDecodeAhead, HandsEachDecodedPictureOnceAndNothingOnceGone) {
    ArchiveWriter writer;
    writer.addStoredFile("data\\pic.png", encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2));
    writer.addStoredFile("data\\junk.png", Bytes(40, 'j'));
    const Bytes archive = writer.finish();
    const auto decodeAhead = [&archive](const std::vector<std::string>& names) {
        registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                         static_cast<uint32_t>(archive.size()));
        auto ahead = std::make_unique<PictureDecodeAhead>(names);
        ahead->start();
        ahead->finish();
        unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
        return ahead;
    };
    DecodedImage image;
    auto ahead = decodeAhead({"data\\junk.png", "data\\pic.png", "data\\absent.png"});
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\junk.png"));
    EXPECT_EQ(image.pixels, nullptr);
    ASSERT_TRUE(ArchiveImageReader().load(image, "data\\pic.png"));
    EXPECT_EQ(pixelsOf(image), flipped(RGB_3X2, 9));
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\pic.png"));
    ahead = decodeAhead({"data\\pic.png"});
    ahead.reset();
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\pic.png"));
}

// On the calling thread, decoding stops as soon as it is told to: here after the
// first picture, so the second is left to a reader, which (the archive gone)
// finds nothing.
TEST(PictureDecodeAhead, DecodesOnTheCallingThreadWhileToldTo) {
    ArchiveWriter writer;
    const Bytes png = encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2);
    writer.addStoredFile("data\\one.png", png);
    writer.addStoredFile("data\\two.png", png);
    const Bytes archive = writer.finish();
    registerResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID, archive.data(),
                     static_cast<uint32_t>(archive.size()));
    PictureDecodeAhead ahead({"data\\one.png", "data\\two.png"});
    int asked = 0;
    ahead.decodeHereWhile([&asked] { return ++asked == 1; });
    unregisterResource(ARCHIVE_RESOURCE_TYPE, ARCHIVE_RESOURCE_ID);
    EXPECT_EQ(asked, 2);
    DecodedImage image;
    ASSERT_TRUE(ArchiveImageReader().load(image, "data\\one.png"));
    EXPECT_EQ(pixelsOf(image), flipped(RGB_3X2, 9));
    EXPECT_FALSE(ArchiveImageReader().load(image, "data\\two.png"));
}

TEST(DiskImageReader, ReadsWholeFilesFromDisk) {
    const std::string path = std::string(GLIMMER_BUILD_DIR) + "/disk-image-reader-test.bin";
    const auto loadAs = [&path](ImageReader&& reader, const Bytes& file) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
        DecodedImage image;
        const bool loaded = reader.load(image, path.c_str());
        return loaded ? pixelsOf(image) : Bytes();
    };
    EXPECT_EQ(loadAs(PngImageReader(), encodePng(3, 2, PNG_COLOR_TYPE_RGB, 8, RGB_3X2)),
              flipped(RGB_3X2, 9));
    EXPECT_EQ(loadAs(BmpImageReader(), encodeBmp(3, 2, RGB_3X2)), flipped(RGB_3X2, 9));
    EXPECT_EQ(loadAs(JpegImageReader(), redOverBlueJpeg()).size(), 16u * 16 * 3);
    std::remove(path.c_str());
    DecodedImage image;
    EXPECT_FALSE(PngImageReader().load(image, path.c_str()));
    EXPECT_FALSE(BmpImageReader().load(image, GLIMMER_BUILD_DIR));
}
