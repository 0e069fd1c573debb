// Renders the scene "data\2" into the lower-left 512 × 512 pixels, copies them
// into a texture, clears the whole frame (whatever earlier layers drew goes too)
// and draws the texture over the full view as a 50 × 50 grid of quads, the first
// corner of each thrown sideways at random every frame, so the picture shimmers.
// Each quad is two triangles split along the diagonal from that corner.
#pragma once

#include "effects/Anim3dsPlayer.h"
#include "layers/Layer.h"

#include <GL/gl.h>

class RenderWarper : public Layer {
public:
    // Loads the inner player's scene at once (it gets no load() of its own).
    RenderWarper();

    // Makes the texture every RenderWarper shares, the first time.
    void load() override;
    // The inner scene's objects; the shared texture stays (releaseWarpTexture).
    void releaseGlObjects() override;
    // Leaves the model-view holding the grid's 0..50 mapping, culling on, blending
    // off and the warp texture bound.
    void render(uint32_t time) override;
    // The inner scene advanced and the grid's draws of the shared generator
    // taken, nothing drawn.
    void advance(uint32_t time) override;

    // The shared 512 × 512 texture; 0 until the first load().
    static GLuint warpTexture();
    // Deletes the shared texture, so that the next load() makes it anew (for a
    // new GL context). Needs the GL context that made it.
    static void releaseWarpTexture();

private:
    Anim3dsPlayer player_;
};
