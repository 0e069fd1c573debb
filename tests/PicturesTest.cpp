// The show's pictures as the build wrote them, read back with libpng: sizes
// and pixel formats, and the properties the effects that draw them rely on.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct PngPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    int colourType = -1;
    int bitDepth = 0;
    bool hasPalette = false;
    std::vector<unsigned char> pixels; // top row first

    int at(int x, int y, int channel) const {
        return pixels[(static_cast<size_t>(y) * width + x) * channels + channel];
    }
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool readPng(const std::string& path, PngPicture& picture) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    picture.width = static_cast<int>(png_get_image_width(png, info));
    picture.height = static_cast<int>(png_get_image_height(png, info));
    picture.channels = png_get_channels(png, info);
    picture.colourType = png_get_color_type(png, info);
    picture.bitDepth = png_get_bit_depth(png, info);
    picture.hasPalette = png_get_valid(png, info, PNG_INFO_PLTE) != 0;
    const size_t rowBytes = png_get_rowbytes(png, info);
    picture.pixels.assign(rowBytes * picture.height, 0);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y)
        rows.push_back(picture.pixels.data() + rowBytes * y);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

PngPicture loadPicture(const std::string& name) {
    PngPicture picture;
    const std::string path = std::string(GLIMMER_BUILD_DIR) + "/content/pictures/" + name;
    EXPECT_TRUE(readPng(path, picture)) << "cannot read " << path;
    return picture;
}

// Mean difference per channel between two lines of pixels of the picture,
// each given by its start and its step.
double lineDifference(const PngPicture& picture, int x0, int y0, int x1, int y1, int stepX,
                      int stepY, int count) {
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            sum += std::abs(picture.at(x0 + i * stepX, y0 + i * stepY, c) -
                            picture.at(x1 + i * stepX, y1 + i * stepY, c));
    return sum / (count * 3);
}

// Difference across the seam where the picture meets its repetition (last
// column against the first, or last row against the first), and the mean
// difference between neighbouring lines on both sides of it: a picture that
// tiles is no rougher at the seam than beside it.
struct Seam {
    double across;
    double beside;
};

Seam tilingSeam(const PngPicture& p, bool leftToRight) {
    const int lines = leftToRight ? p.width : p.height;
    const int length = leftToRight ? p.height : p.width;
    auto between = [&](int a, int b) {
        return leftToRight ? lineDifference(p, a, 0, b, 0, 0, 1, length)
                           : lineDifference(p, 0, a, 0, b, 1, 0, length);
    };
    const double beside = (between(0, 1) + between(1, 2) + between(lines - 3, lines - 2) +
                           between(lines - 2, lines - 1)) /
                          4.0;
    return {between(lines - 1, 0), beside};
}

} // namespace

TEST(Pictures, EveryPictureHasItsSizeAndPixelFormat) {
    struct Expected {
        const char* name;
        int width;
        int height;
        int channels;
    };
    const Expected pictures[] = {
        {"getting.png", 512, 256, 4},
        {"eye_020715_toplayer.png", 512, 512, 4},
        {"eye_020715_lower_banner_rep.png", 512, 64, 3},
        {"obererbalken.png", 512, 64, 4},
        {"balken.png", 512, 64, 4},
        {"hand.png", 512, 512, 4},
        {"schmettalyng.png", 256, 256, 4},
        {"2dunkelr.png", 256, 256, 3},
        {"dunkelr.png", 256, 256, 3},
        {"3dunkelr.png", 256, 256, 3},
        {"donut.png", 256, 256, 3},
        {"lava_negx.png", 256, 256, 3},
        {"lava_negy.png", 256, 256, 3},
        {"lava_negz.png", 256, 256, 3},
        {"lava_posx.png", 256, 256, 3},
        {"lava_posy.png", 256, 256, 3},
        {"lava_posz.png", 256, 256, 3},
        {"Impact.png", 800, 336, 4},
        {"cred.png", 512, 512, 4},
        {"greetings.png", 512, 512, 4},
        {"outro.png", 512, 512, 4},
    };
    for (const Expected& expected : pictures) {
        SCOPED_TRACE(expected.name);
        const PngPicture picture = loadPicture(expected.name);
        EXPECT_EQ(picture.width, expected.width);
        EXPECT_EQ(picture.height, expected.height);
        EXPECT_EQ(picture.channels, expected.channels);
        EXPECT_EQ(picture.colourType,
                  expected.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(picture.bitDepth, 8);
        EXPECT_FALSE(picture.hasPalette);
    }
}

TEST(Pictures, OverlaysAreTransparentAroundTheirSubject) {
    for (const char* name : {"getting.png", "eye_020715_toplayer.png", "hand.png", "Impact.png",
                             "cred.png", "greetings.png", "outro.png"}) {
        SCOPED_TRACE(name);
        const PngPicture picture = loadPicture(name);
        const int right = picture.width - 1;
        const int top = 0;
        EXPECT_EQ(picture.at(0, top, 3), 0);
        EXPECT_EQ(picture.at(right, top, 3), 0);
        EXPECT_EQ(picture.at(right / 2, top, 3), 0);
        // Something is drawn: the middle of the picture is covered.
        EXPECT_GT(picture.at(right / 2, picture.height / 2, 3), 0);
    }
}

TEST(Pictures, TilingSurfacesContinueAcrossTheirEdges) {
    struct Tiling {
        const char* name;
        bool leftToRight;
        bool topToBottom;
    };
    const Tiling surfaces[] = {{"2dunkelr.png", true, true},
                               {"donut.png", true, true},
                               {"dunkelr.png", true, true},
                               {"3dunkelr.png", true, true},
                               {"eye_020715_lower_banner_rep.png", true, false}};
    for (const Tiling& surface : surfaces) {
        SCOPED_TRACE(surface.name);
        const PngPicture picture = loadPicture(surface.name);
        for (const bool leftToRight : {true, false}) {
            if (!(leftToRight ? surface.leftToRight : surface.topToBottom))
                continue;
            const Seam seam = tilingSeam(picture, leftToRight);
            EXPECT_LE(seam.across, 1.5 * seam.beside + 2.0)
                << (leftToRight ? "left/right" : "top/bottom");
        }
    }
}

TEST(Pictures, ButterflyIsMirroredAboutItsBodyAndClearAtTheBorder) {
    const PngPicture moth = loadPicture("schmettalyng.png");
    ASSERT_EQ(moth.width, 256);
    int worstAlpha = 0;
    int worstColour = 0;
    for (int y = 0; y < moth.height; ++y) {
        for (int x = 0; x < moth.width / 2; ++x) {
            const int mirror = moth.width - 1 - x;
            worstAlpha = std::max(worstAlpha, std::abs(moth.at(x, y, 3) - moth.at(mirror, y, 3)));
            if (moth.at(x, y, 3) > 128)
                for (int c = 0; c < 3; ++c)
                    worstColour =
                        std::max(worstColour, std::abs(moth.at(x, y, c) - moth.at(mirror, y, c)));
        }
    }
    EXPECT_LE(worstAlpha, 2);
    EXPECT_LE(worstColour, 8);

    int borderAlpha = 0;
    for (int i = 0; i < 256; ++i)
        borderAlpha = std::max({borderAlpha, moth.at(i, 0, 3), moth.at(i, 255, 3), moth.at(0, i, 3),
                                moth.at(255, i, 3)});
    EXPECT_EQ(borderAlpha, 0);

    // The body covers the centre line; the wings reach far out to both sides.
    for (int y = 100; y < 170; y += 10)
        EXPECT_EQ(moth.at(127, y, 3), 255) << "row " << y;
    int widest = 0;
    for (int y = 0; y < moth.height; ++y) {
        int covered = 0;
        for (int x = 0; x < moth.width; ++x)
            covered += moth.at(x, y, 3) > 128 ? 1 : 0;
        widest = std::max(widest, covered);
    }
    EXPECT_GT(widest, 180);
}

// Each edge of the cube is shared by two faces. Sampling directions along it
// the way OpenGL does (face by major axis, the faces uploaded bottom row
// first) must give matching colours on both faces.
TEST(Pictures, LavaCubeFacesMeetWithoutSeams) {
    const char* names[6] = {"lava_posx.png", "lava_negx.png", "lava_posy.png",
                            "lava_negy.png", "lava_posz.png", "lava_negz.png"};
    PngPicture faces[6];
    for (int f = 0; f < 6; ++f)
        faces[f] = loadPicture(names[f]);
    const int size = faces[0].width;
    ASSERT_EQ(size, 256);

    // OpenGL's face coordinates: (sc, tc, major axis) per face.
    auto texel = [&](int face, const float d[3], int offsetInwards, int channel) {
        float sc = 0, tc = 0, ma = 0;
        switch (face) {
        case 0:
            sc = -d[2], tc = -d[1], ma = d[0];
            break;
        case 1:
            sc = d[2], tc = -d[1], ma = d[0];
            break;
        case 2:
            sc = d[0], tc = d[2], ma = d[1];
            break;
        case 3:
            sc = d[0], tc = -d[2], ma = d[1];
            break;
        case 4:
            sc = d[0], tc = -d[1], ma = d[2];
            break;
        default:
            sc = -d[0], tc = -d[1], ma = d[2];
            break;
        }
        const float s = (sc / std::fabs(ma) + 1.0f) / 2.0f;
        const float t = (tc / std::fabs(ma) + 1.0f) / 2.0f;
        int column = std::clamp(static_cast<int>(s * size), 0, size - 1);
        int rowFromBottom = std::clamp(static_cast<int>(t * size), 0, size - 1);
        // One texel further from the edge, to measure the ordinary change between neighbours.
        if (offsetInwards != 0) {
            if (s <= 0.0f || s >= 1.0f)
                column += s <= 0.0f ? 1 : -1;
            else
                rowFromBottom += t <= 0.0f ? 1 : -1;
        }
        return faces[face].at(column, size - 1 - rowFromBottom, channel);
    };

    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            const int along = 3 - a - b;
            for (const float signA : {1.0f, -1.0f}) {
                for (const float signB : {1.0f, -1.0f}) {
                    const int faceA = 2 * a + (signA < 0 ? 1 : 0);
                    const int faceB = 2 * b + (signB < 0 ? 1 : 0);
                    double across = 0.0;
                    double inside = 0.0;
                    for (int i = 0; i < size; ++i) {
                        float d[3];
                        d[a] = signA;
                        d[b] = signB;
                        d[along] = -1.0f + (2.0f * i + 1.0f) / size;
                        for (int c = 0; c < 3; ++c) {
                            across += std::abs(texel(faceA, d, 0, c) - texel(faceB, d, 0, c));
                            inside += std::abs(texel(faceA, d, 0, c) - texel(faceA, d, 1, c));
                        }
                    }
                    SCOPED_TRACE(std::string(names[faceA]) + " / " + names[faceB]);
                    EXPECT_LE(across / (3 * size), 1.5 * inside / (3 * size) + 0.5);
                }
            }
        }
    }
}
