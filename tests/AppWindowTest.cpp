#include "app/AppWindow.h"
#include "XvfbDisplay.h"
#include "app/GlDriverWarmUp.h"
#include "app/GlExtensions.h"
#include "app/GlState.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

using Viewport = std::array<GLint, 4>;
using Matrix = std::array<GLfloat, 16>;

Viewport viewport() {
    Viewport box{};
    glGetIntegerv(GL_VIEWPORT, box.data());
    return box;
}

Matrix matrix(GLenum which) {
    Matrix m{};
    glGetFloatv(which, m.data());
    return m;
}

// The two entries of a perspective projection that depend on field of view and aspect.
void expectPerspective(const Matrix& m, double aspect) {
    const double f = 1.0 / std::tan(27.0 * M_PI / 180.0);
    EXPECT_NEAR(m[0], f / aspect, 1e-4);
    EXPECT_NEAR(m[5], f, 1e-4);
    EXPECT_NEAR(m[10], -1001.0 / 999.0, 1e-4);
    EXPECT_NEAR(m[14], -2000.0 / 999.0, 1e-4);
}

void expectIdentity(const Matrix& m) {
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
}

SDL_Event sizeChanged(int width, int height) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.data1 = width;
    event.window.data2 = height;
    return event;
}

SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

class AppWindowTest : public XvfbTest {
protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(window.create(), AppWindow::CREATED) << SDL_GetError();
    }

    AppWindow window{"glimmerfell test", 800, 600, 32, 16, false};
};

} // namespace

TEST_F(AppWindowTest, CreatesOnceWithDoubleBufferedContext) {
    EXPECT_TRUE(window.created());
    EXPECT_EQ(window.create(), AppWindow::ALREADY_CREATED);
    EXPECT_EQ(SDL_GetWindowFlags(window.window()) & SDL_WINDOW_SHOWN, 0u);
    int value = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &value);
    EXPECT_EQ(value, 1);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &value);
    EXPECT_GE(value, 8);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &value);
    EXPECT_GE(value, 16);

    window.releaseContext();
    window.releaseContext();
    EXPECT_FALSE(window.created());
    EXPECT_EQ(window.window(), nullptr);
}

TEST_F(AppWindowTest, ShowSetsViewportAndProjectionBeforeTheFirstFrame) {
    glViewport(0, 0, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_TEXTURE);

    ASSERT_TRUE(window.show());
    EXPECT_EQ(viewport(), (Viewport{0, 0, 800, 600}));
    expectPerspective(matrix(GL_PROJECTION_MATRIX), 800.0 / 600.0);
    expectIdentity(matrix(GL_MODELVIEW_MATRIX));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(AppWindowTest, SizeChangeTakesTheDrawablesPixelSize) {
    ASSERT_TRUE(window.show());
    // On a scaled display the event's window coordinates are fewer than the
    // drawable's pixels; the view follows the pixels.
    glViewport(0, 0, 1, 1);
    EXPECT_TRUE(window.handleEvent(sizeChanged(400, 300)));
    EXPECT_EQ(viewport(), (Viewport{0, 0, 800, 600}));
    expectPerspective(matrix(GL_PROJECTION_MATRIX), 800.0 / 600.0);
}

TEST_F(AppWindowTest, ClientViewWithZeroHeightCountsAsOne) {
    setClientView(640, 0);
    EXPECT_EQ(viewport(), (Viewport{0, 0, 640, 1}));
    expectPerspective(matrix(GL_PROJECTION_MATRIX), 640.0);
}

TEST_F(AppWindowTest, ReturnTogglesFullScreenAndBack) {
    ASSERT_TRUE(window.show());
    EXPECT_TRUE(window.handleEvent(keyDown(SDLK_KP_ENTER)));
    EXPECT_TRUE(window.fullScreen());
    EXPECT_NE(SDL_GetWindowFlags(window.window()) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

    EXPECT_TRUE(window.handleEvent(keyDown(SDLK_RETURN)));
    EXPECT_FALSE(window.fullScreen());
    EXPECT_EQ(SDL_GetWindowFlags(window.window()) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    int width = 0, height = 0, x = -1, y = -1;
    SDL_GetWindowSize(window.window(), &width, &height);
    SDL_GetWindowPosition(window.window(), &x, &y);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(viewport(), (Viewport{0, 0, 800, 600}));
    EXPECT_FALSE(window.quitRequested());
}

TEST_F(AppWindowTest, StartStateHasLightingAndExtensionEntryPoints) {
    setDefaultGlState();
    loadGlExtensions();
    setLightingState();
    for (GLenum capability :
         {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_NORMALIZE, GL_LIGHT0})
        EXPECT_TRUE(glIsEnabled(capability)) << std::hex << capability;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    std::array<GLfloat, 4> values{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, values.data());
    EXPECT_EQ(values, (std::array<GLfloat, 4>{0, 0, 0, 1}));
    glGetLightfv(GL_LIGHT0, GL_POSITION, values.data());
    EXPECT_EQ(values, (std::array<GLfloat, 4>{-20, -20, 20, 1}));
    glGetMaterialfv(GL_BACK, GL_SPECULAR, values.data());
    EXPECT_EQ(values, (std::array<GLfloat, 4>{0.6f, 0.6f, 0.6f, 1}));

    // Mesa's software renderer offers both extension families.
    EXPECT_NE(glext::glMultiTexCoord2fARB, nullptr);
    EXPECT_NE(glext::glActiveTextureARB, nullptr);
    EXPECT_NE(glext::glClientActiveTextureARB, nullptr);
    EXPECT_NE(glext::glLockArraysEXT, nullptr);
    EXPECT_NE(glext::glUnlockArraysEXT, nullptr);
}

TEST_F(AppWindowTest, TakesTheClosestFormatTheDisplayHas) {
    // No visual has a 48-bit depth buffer: the window comes with a shallower
    // one, keeping its alpha, rather than failing.
    AppWindow deep{"glimmerfell deep", 320, 240, 32, 48, false};
    ASSERT_EQ(deep.create(), AppWindow::CREATED) << SDL_GetError();
    int value = 0;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &value);
    EXPECT_GE(value, 16);
    EXPECT_LT(value, 48);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &value);
    EXPECT_EQ(value, 8);
}

// A display whose only formats have no depth buffer: the window is made, and the
// viewer is told that the 3D scenes will lack their hidden-surface removal.
class DepthlessWindow : public AppWindow {
public:
    DepthlessWindow() : AppWindow("glimmerfell depthless", 320, 240, 32, 16, false) {}

protected:
    bool makeWindow(int alphaBits, int depthBits) override {
        return depthBits == 0 && AppWindow::makeWindow(alphaBits, depthBits);
    }
};

TEST_F(AppWindowTest, AWindowWithoutDepthBufferIsReported) {
    testing::internal::CaptureStderr();
    ASSERT_EQ(window.create(), AppWindow::ALREADY_CREATED);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "")
        << "the usual window has its depth buffer";
    window.releaseContext();

    DepthlessWindow depthless;
    testing::internal::CaptureStderr();
    ASSERT_EQ(depthless.create(), AppWindow::CREATED) << SDL_GetError();
    const std::string said = testing::internal::GetCapturedStderr();
    GLint depthBits = -1;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits != 0)
        GTEST_SKIP() << "this display gives a depth buffer even when none is asked for";
    EXPECT_NE(said.find("no depth buffer"), std::string::npos) << said;
}

// The driver warmed up ahead of the window is the one Mesa loads: the software
// driver in the "dri" folder beside the GL library, or in the folder the user
// names for Mesa. A name that does not load leaves nothing behind.
TEST(GlDriverWarmUpTest, LoadsMesasDriverFromWhereMesaLooks) {
    const char* saved = getenv("LIBGL_DRIVERS_PATH");
    const std::string savedPath = saved ? saved : "";
    unsetenv("LIBGL_DRIVERS_PATH");
    const std::string found = GlDriverWarmUp::driverPath();
    EXPECT_NE(found.find("/dri/swrast_dri.so"), std::string::npos) << found;
    {
        GlDriverWarmUp warmUp;
        warmUp.finish();
        EXPECT_TRUE(warmUp.loaded()) << found << ": " << dlerror();
    }

    setenv("LIBGL_DRIVERS_PATH", "/no/such/folder:/usr/lib", 1);
    EXPECT_EQ(GlDriverWarmUp::driverPath(), "/no/such/folder/swrast_dri.so");
    {
        GlDriverWarmUp warmUp;
        warmUp.finish();
        EXPECT_FALSE(warmUp.loaded());
    }
    if (saved)
        setenv("LIBGL_DRIVERS_PATH", savedPath.c_str(), 1);
    else
        unsetenv("LIBGL_DRIVERS_PATH");
}
