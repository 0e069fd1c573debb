// A cube-map texture made from six pictures of the embedded archive, applied as a
// reflection map by texture-coordinate generation. The 3DS scene binds one
// around its mirrored nodes; the butterflies load one too.
#pragma once

#include <GL/gl.h>

#include <string>

// While one of these lives, the faces that cube maps are loaded from are decoded
// once and kept, and later loads of the same names reuse the pixels: at start-up
// the scenes and the butterfly layers each build a map from the same six
// pictures. The kept faces are dropped when the last one ends, so a load after
// that reads the archive as it is then. One thread, like all GL work.
class CubeFaceReuse {
public:
    CubeFaceReuse();
    ~CubeFaceReuse();
    CubeFaceReuse(const CubeFaceReuse&) = delete;
    CubeFaceReuse& operator=(const CubeFaceReuse&) = delete;
};

class EnvironmentCubeMap {
public:
    // The texture is not deleted here: the last maps die after the GL context.
    virtual ~EnvironmentCubeMap() = default;

    // Makes a new cube texture (replacing the name held before) from baseName
    // followed by "_negx.png", "_posx.png", "_negy.png", "_posy.png",
    // "_negz.png" and "_posz.png", in that order, with linear filters and edges
    // clamped. Every face must decode to square RGB pixels. False at the first
    // face that does not; the faces before it stay uploaded. Cube-map texturing
    // is disabled on return either way.
    bool load(const std::string& baseName);
    // Enables and binds the cube map, sets its filters to nearest (they stay so:
    // they belong to the texture) and generates s, t and r as reflection vectors.
    // Only GL calls, so it can be compiled into a display list.
    void bind();
    // Disables cube-map texturing and the coordinate generation; the binding and
    // the 2D texture state stay as they are.
    void unbind();
    // Deletes the texture. Needs the GL context.
    void release();

    GLuint texture() const { return texture_; }

private:
    GLuint texture_ = 0;
};
