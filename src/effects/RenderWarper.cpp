#include "effects/RenderWarper.h"

#include "platform/Platform.h"

#include <array>
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

// A quad's two triangles, by corner: they share the diagonal from the thrown
// first corner to the opposite one, so the throw spreads over the whole quad and
// fades out towards its far edges. GL leaves the split of GL_QUADS to the driver,
// and drivers differ: the other diagonal keeps the throw to one half and leaves
// the other half of every quad still.
constexpr GLushort QUAD_TRIANGLES[6] = {0, 1, 2, 0, 2, 3};

// The grid's 50 × 50 quads, column by column and row by row, four corners each
// (lower left first, counter-clockwise), as vertex arrays: built once, and per
// frame only the first corners' s changes. Sent in one call rather than vertex
// by vertex, they cost half as much on a software rasteriser.
struct WarpGrid {
    static constexpr int QUADS = GRID * GRID;
    static constexpr int FLOATS = QUADS * 4 * 2;
    static constexpr int INDICES = QUADS * 6;
    std::array<GLfloat, FLOATS> positions{};
    std::array<GLfloat, FLOATS> texCoords{};
    std::array<GLushort, INDICES> triangles{};

    WarpGrid() {
        for (int quad = 0; quad < QUADS; ++quad) {
            const auto x = static_cast<float>(quad / GRID);
            const auto y = static_cast<float>(quad % GRID);
            const float corners[4][2] = {
                {x, y}, {x + 1.0f, y}, {x + 1.0f, y + 1.0f}, {x, y + 1.0f}};
            for (int corner = 0; corner < 4; ++corner)
                for (int axis = 0; axis < 2; ++axis) {
                    const size_t at = static_cast<size_t>(quad * 8 + corner * 2 + axis);
                    positions[at] = corners[corner][axis];
                    texCoords[at] = CELL * corners[corner][axis];
                }
            for (int corner = 0; corner < 6; ++corner)
                triangles[static_cast<size_t>(quad * 6 + corner)] =
                    static_cast<GLushort>(quad * 4 + QUAD_TRIANGLES[corner]);
        }
    }
};

WarpGrid& warpGrid() {
    static WarpGrid grid;
    return grid;
}

// One draw of the shared generator per quad, in the grid's order.
WarpGrid& jitterWarpGrid() {
    WarpGrid& grid = warpGrid();
    for (int quad = 0; quad < WarpGrid::QUADS; ++quad) {
        const float jitter = static_cast<float>(runtimeRand()) * RAND_SCALE;
        grid.texCoords[static_cast<size_t>(quad) * 8] =
            CELL * static_cast<float>(quad / GRID) + jitter;
    }
    return grid;
}

void drawWarpGrid() {
    const WarpGrid& grid = jitterWarpGrid();
    glNormal3f(0.0f, 0.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, grid.positions.data());
    glTexCoordPointer(2, GL_FLOAT, 0, grid.texCoords.data());
    glDrawElements(GL_TRIANGLES, WarpGrid::INDICES, GL_UNSIGNED_SHORT, grid.triangles.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
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

void RenderWarper::advance(uint32_t time) {
    player_.advance(time);
    jitterWarpGrid();
}

void RenderWarper::releaseGlObjects() {
    player_.releaseGlObjects();
}

void RenderWarper::render(uint32_t time) {
    // The grid goes back over the view the frame is drawn in: 800 x 600 in the
    // program's window, whatever a larger full-screen mode or a studio frame has.
    std::array<GLint, 4> view{};
    glGetIntegerv(GL_VIEWPORT, view.data());
    glViewport(0, 0, WARP_SIZE, WARP_SIZE);
    player_.render(time);
    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, sharedTexture());
    glDisable(GL_BLEND);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, WARP_SIZE, WARP_SIZE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glViewport(view[0], view[1], view[2], view[3]);
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
