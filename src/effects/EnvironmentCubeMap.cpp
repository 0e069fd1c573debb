#include "effects/EnvironmentCubeMap.h"

#include "images/ArchiveImageReader.h"
#include "images/DecodedImage.h"
#include "textures/Texture.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace {

struct Face {
    const char* suffix;
    GLenum target;
};

constexpr Face FACES[6] = {
    {"_negx.png", GL_TEXTURE_CUBE_MAP_NEGATIVE_X}, {"_posx.png", GL_TEXTURE_CUBE_MAP_POSITIVE_X},
    {"_negy.png", GL_TEXTURE_CUBE_MAP_NEGATIVE_Y}, {"_posy.png", GL_TEXTURE_CUBE_MAP_POSITIVE_Y},
    {"_negz.png", GL_TEXTURE_CUBE_MAP_NEGATIVE_Z}, {"_posz.png", GL_TEXTURE_CUBE_MAP_POSITIVE_Z}};

constexpr GLenum TEXTURE_GEN[3] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R};

// The faces kept while a CubeFaceReuse lives, by file name, and how many live.
std::map<std::string, DecodedImage> keptFaces;
int reuseScopes = 0;

// The decoded face: the kept one, or one read from the archive (and kept while a
// reuse scope lives). Null when it cannot be read or decoded.
const DecodedImage* decodedFace(const std::string& fileName, DecodedImage& fresh) {
    const auto kept = keptFaces.find(fileName);
    if (kept != keptFaces.end())
        return &kept->second;
    if (!ArchiveImageReader().load(fresh, fileName.c_str()))
        return nullptr;
    if (reuseScopes == 0)
        return &fresh;
    return &keptFaces.emplace(fileName, std::move(fresh)).first->second;
}

bool uploadFace(const Face& face, const std::string& baseName) {
    DecodedImage fresh;
    const DecodedImage* image = decodedFace(baseName + face.suffix, fresh);
    // The faces of a cube map are square, and the upload reads three bytes a pixel.
    if (!image || !image->isRgb || image->width != image->height)
        return false;
    uploadTextureLevel(face.target, image->pixels.get(), GL_RGB8, GL_RGB, image->width,
                       image->height);
    return true;
}

} // namespace

CubeFaceReuse::CubeFaceReuse() {
    ++reuseScopes;
}

CubeFaceReuse::~CubeFaceReuse() {
    if (--reuseScopes == 0)
        keptFaces.clear();
}

bool EnvironmentCubeMap::load(const std::string& baseName) {
    glEnable(GL_TEXTURE_CUBE_MAP);
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture_);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const bool loaded = std::all_of(std::begin(FACES), std::end(FACES),
                                    [&](const Face& face) { return uploadFace(face, baseName); });
    glDisable(GL_TEXTURE_CUBE_MAP);
    return loaded;
}

void EnvironmentCubeMap::bind() {
    glEnable(GL_TEXTURE_CUBE_MAP);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture_);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    for (const GLenum coordinate : {GL_S, GL_T, GL_R})
        glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    for (const GLenum generation : TEXTURE_GEN)
        glEnable(generation);
}

void EnvironmentCubeMap::unbind() {
    glDisable(GL_TEXTURE_CUBE_MAP);
    for (const GLenum generation : TEXTURE_GEN)
        glDisable(generation);
}

void EnvironmentCubeMap::release() {
    glDeleteTextures(1, &texture_);
    texture_ = 0;
}
