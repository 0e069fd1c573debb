#include "OffscreenGl.h"

#include "ImageFiles.h"
#include "textures/TextureCache.h"

#include <GL/gl.h>

#include <sys/stat.h>

Bytes readPixels(int x, int y, int width, int height) {
    Bytes rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

Bytes pixelAt(int x, int y) {
    return readPixels(x, y, 1, 1);
}

bool saveFramebuffer(const std::string& name, int width, int height) {
    const std::string directory = std::string(GLIMMER_BUILD_DIR) + "/gl-shots";
    mkdir(directory.c_str(), 0755);
    return writeRgbaPng(directory + "/" + name + ".png", width, height,
                        readPixels(0, 0, width, height));
}

GLint integerState(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

Floats4 floatState(GLenum name) {
    Floats4 values{};
    glGetFloatv(name, values.data());
    return values;
}

bool enabled(GLenum capability) {
    return glIsEnabled(capability) == GL_TRUE;
}

void GlTest::SetUp() {
    gl_ = std::make_unique<OffscreenContext>();
    ASSERT_TRUE(gl_->ready()) << gl_->failure();
}

void GlTest::TearDown() {
    if (gl_->ready())
        TextureCache::releaseAll();
    gl_.reset();
}
