// The show's context without any display or window system: EGL's surfaceless
// platform on Mesa's software rasteriser (llvmpipe), a desktop OpenGL
// compatibility context like the window's, drawing into its framebuffer only.
#pragma once

#include "studio/ShowContext.h"

class EglShowContext : public ShowContext {
public:
    EglShowContext(int width, int height) : ShowContext(width, height) {}
    ~EglShowContext() override;

    void makeCurrent() override;

protected:
    bool makeContext() override;
    void dropContext() override;

private:
    void* context_ = nullptr;
};
