#include "images/PictureReuse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const unsigned char FILE_BYTES[] = {1, 2, 3, 4, 5};

DecodedImage twoByOne(unsigned char first) {
    DecodedImage image;
    image.pixels = allocatePixels(2, 1, 3);
    const unsigned char pixels[6] = {first, 2, 3, 4, 5, 6};
    std::memcpy(image.pixels.get(), pixels, sizeof pixels);
    image.width = 2;
    image.height = 1;
    image.isRgb = 1;
    return image;
}

} // namespace

TEST(PictureReuseTest, HandsBackThePixelsOfTheSameBytesOnly) {
    const PictureReuse scope;
    PictureReuse::keep("data\\a.png", FILE_BYTES, sizeof FILE_BYTES, twoByOne(9));
    DecodedImage taken;
    ASSERT_TRUE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, sizeof FILE_BYTES));
    EXPECT_EQ(taken.width, 2);
    EXPECT_EQ(taken.height, 1);
    EXPECT_EQ(taken.isRgb, 1);
    EXPECT_EQ(taken.pixels[0], 9);
    EXPECT_EQ(taken.pixels[5], 6);
    // A file edited since (other bytes, or fewer) is decoded anew.
    const unsigned char edited[] = {1, 2, 3, 4, 6};
    EXPECT_FALSE(PictureReuse::take(taken, "data\\a.png", edited, sizeof edited));
    EXPECT_FALSE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, 4));
    EXPECT_FALSE(PictureReuse::take(taken, "data\\b.png", FILE_BYTES, sizeof FILE_BYTES));
    // What is kept anew replaces the old picture.
    PictureReuse::keep("data\\a.png", edited, sizeof edited, twoByOne(7));
    ASSERT_TRUE(PictureReuse::take(taken, "data\\a.png", edited, sizeof edited));
    EXPECT_EQ(taken.pixels[0], 7);
    EXPECT_FALSE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, sizeof FILE_BYTES));
}

TEST(PictureReuseTest, KeepsNothingOnceTheLastScopeHasEnded) {
    {
        const PictureReuse outer;
        {
            const PictureReuse inner;
            PictureReuse::keep("data\\a.png", FILE_BYTES, sizeof FILE_BYTES, twoByOne(9));
        }
        DecodedImage taken;
        EXPECT_TRUE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, sizeof FILE_BYTES));
    }
    DecodedImage taken;
    EXPECT_FALSE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, sizeof FILE_BYTES));
    PictureReuse::keep("data\\a.png", FILE_BYTES, sizeof FILE_BYTES, twoByOne(9));
    EXPECT_FALSE(PictureReuse::take(taken, "data\\a.png", FILE_BYTES, sizeof FILE_BYTES));
}
