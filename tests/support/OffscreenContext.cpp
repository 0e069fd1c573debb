#include "support/OffscreenContext.h"

#include "platform/SurfacelessDisplay.h"

#include <GL/gl.h>

namespace {

// The surfaceless display, or why there is none.
EGLDisplay displayOrFailure(std::string& failure) {
    EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY)
        failure = "no EGL surfaceless display (Mesa's libegl-mesa0 and libgl1-mesa-dri?)";
    return display;
}

} // namespace

OffscreenContext::OffscreenContext(int width, int height) {
    EGLDisplay display = displayOrFailure(failure_);
    if (display == EGL_NO_DISPLAY)
        return;
    EGLConfig config = surfacelessConfig(display, 8, 16);
    if (!config || !eglBindAPI(EGL_OPENGL_API)) {
        failure_ = "no EGL configuration for desktop OpenGL with RGBA8 and depth 16";
        return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (surface_ == EGL_NO_SURFACE || context_ == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface_, surface_, context_)) {
        failure_ =
            "could not make an EGL pbuffer context current, error " + std::to_string(eglGetError());
        return;
    }
    glViewport(0, 0, width, height);
}

OffscreenContext::~OffscreenContext() {
    EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != EGL_NO_CONTEXT)
        eglDestroyContext(display, context_);
    if (surface_ != EGL_NO_SURFACE)
        eglDestroySurface(display, surface_);
}
