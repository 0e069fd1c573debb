#include "effects/EnvironmentCubeMap.h"
#include "ImageFiles.h"
#include "ShowGl.h"

#include <png.h>

#include <GL/gl.h>

namespace {

const char* const kSuffixes[6] = {"_negx", "_posx", "_negy", "_posy", "_negz", "_posz"};
const GLenum kTargets[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
                            GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
                            GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Z};

// Faces of 6 × 6 pixels (not a multiple of four bytes a row), face k of the
// colour (40 k, 255 − 40 k, 7); those in `skip` left out.
Bytes faceArchive(const std::string& baseName, int skip = -1, int channels = 3) {
    ArchiveWriter writer;
    for (int face = 0; face < 6; ++face) {
        if (face == skip)
            continue;
        Bytes samples;
        for (int pixel = 0; pixel < 36; ++pixel) {
            samples.insert(samples.end(), {static_cast<unsigned char>(40 * face),
                                           static_cast<unsigned char>(255 - 40 * face), 7});
            if (channels == 4)
                samples.push_back(255);
        }
        const int type = channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
        writer.addStoredFile(baseName + kSuffixes[face] + ".png",
                             encodePng(6, 6, type, 8, samples));
    }
    return writer.finish();
}

GLint faceWidth(GLenum target) {
    GLint width = -1;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

GLint filter(GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, name, &value);
    return value;
}

class EnvironmentCubeMapTest : public ShowGlTest {};

} // namespace

TEST_F(EnvironmentCubeMapTest, FacesInTheirOrderWithLinearFiltersUntilBound) {
    embed(faceArchive("data\\sky"));
    EnvironmentCubeMap map;
    ASSERT_TRUE(map.load("data\\sky"));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.texture());
    for (int face = 0; face < 6; ++face) {
        unsigned char pixels[6 * 6 * 3] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(kTargets[face], 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        EXPECT_EQ(pixels[0], 40 * face) << kSuffixes[face];
        EXPECT_EQ(pixels[sizeof pixels - 2], 255 - 40 * face) << kSuffixes[face];
    }
    EXPECT_EQ(filter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(filter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(filter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);

    glDisable(GL_TEXTURE_2D);
    map.bind();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(filter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(filter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    for (GLenum coordinate : {GL_S, GL_T, GL_R}) {
        GLint mode = -1;
        glGetTexGeniv(coordinate, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_REFLECTION_MAP);
    }
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_R));
    map.unbind();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "the 2D state is not the cube map's";
    EXPECT_EQ(filter(GL_TEXTURE_MIN_FILTER), GL_NEAREST) << "filters stay with the texture";
}

TEST_F(EnvironmentCubeMapTest, StopsAtTheFirstFaceItCannotUse) {
    embed(faceArchive("data\\sky", 3));
    EnvironmentCubeMap map;
    EXPECT_FALSE(map.load("data\\sky"));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.texture());
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(faceWidth(kTargets[face]), face < 3 ? 6 : 0) << kSuffixes[face];

    embed(faceArchive("data\\sky", -1, 4));
    EXPECT_FALSE(map.load("data\\sky")) << "faces with alpha";
    EXPECT_TRUE(messages.empty()) << "the callers decide what to say";
}

TEST_F(EnvironmentCubeMapTest, TheShowsLavaFaces) {
    EnvironmentCubeMap map;
    ASSERT_TRUE(map.load("data\\lava"));
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.texture());
    for (GLenum target : kTargets)
        EXPECT_EQ(faceWidth(target), 256);
}

TEST_F(EnvironmentCubeMapTest, FacesAreReusedOnlyWhileAReuseScopeLives) {
    embed(faceArchive("data\\sky"));
    EnvironmentCubeMap first;
    EnvironmentCubeMap second;
    {
        const CubeFaceReuse reuse;
        ASSERT_TRUE(first.load("data\\sky"));
        embed(faceArchive("data\\sky", 3));
        EXPECT_TRUE(second.load("data\\sky")) << "the kept faces, not the archive's";
        glBindTexture(GL_TEXTURE_CUBE_MAP, second.texture());
        EXPECT_EQ(faceWidth(kTargets[3]), 6);
    }
    EnvironmentCubeMap third;
    EXPECT_FALSE(third.load("data\\sky")) << "once the scope ends, the archive as it is now";
}
