#include "effects/RenderWarper.h"

#include "platform/Platform.h"

#include <vector>

namespace {

constexpr GLsizei WARP_SIZE = 512;
constexpr int GRID = 50;
constexpr float CELL = 0.02f; // of the texture, per grid cell
// The single-precision value nearest 1/32767: a draw of 0..32767 becomes 0..1.
constexpr float RAND_SCALE = 3.0518509e-05f;

GLuint& sharedTexture() {
    static GLuint texture = 0;
    return texture;
}

// Opaque white to start with; the texture is never deleted.
GLuint createWarpTexture() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const std::vector<unsigned char> white(size_t{WARP_SIZE} * WARP_SIZE * 4, 255);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, WARP_SIZE, WARP_SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 white.data());
    // The edge repeats where a jittered s passes 1.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

// Column by column, row by row; one draw of the shared generator per quad.
void drawWarpGrid() {
    glBegin(GL_QUADS);
    for (int i = 0; i < GRID; ++i)
        for (int j = 0; j < GRID; ++j) {
            const float jitter = static_cast<float>(runtimeRand()) * RAND_SCALE;
            const auto x = static_cast<float>(i);
            const auto y = static_cast<float>(j);
            glNormal3f(0.0f, 0.0f, 1.0f);
            glTexCoord2f(CELL * x + jitter, CELL * y);
            glVertex3f(x, y, 0.0f);
            glTexCoord2f(CELL * (x + 1.0f), CELL * y);
            glVertex3f(x + 1.0f, y, 0.0f);
            glTexCoord2f(CELL * (x + 1.0f), CELL * (y + 1.0f));
            glVertex3f(x + 1.0f, y + 1.0f, 0.0f);
            glTexCoord2f(CELL * x, CELL * (y + 1.0f));
            glVertex3f(x, y + 1.0f, 0.0f);
        }
    glEnd();
}

} // namespace

RenderWarper::RenderWarper() : player_("data\\2") {}

GLuint RenderWarper::warpTexture() {
    return sharedTexture();
}

void RenderWarper::releaseWarpTexture() {
    glDeleteTextures(1, &sharedTexture());
    sharedTexture() = 0;
}

void RenderWarper::load() {
    if (sharedTexture() == 0)
        sharedTexture() = createWarpTexture();
}

void RenderWarper::render(uint32_t time) {
    glViewport(0, 0, WARP_SIZE, WARP_SIZE);
    player_.render(time);
    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, sharedTexture());
    glDisable(GL_BLEND);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, WARP_SIZE, WARP_SIZE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glViewport(0, 0, 800, 600);
    glBindTexture(GL_TEXTURE_2D, sharedTexture());
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glOrtho(0, GRID, 0, GRID, -1, 1);
    drawWarpGrid();
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
