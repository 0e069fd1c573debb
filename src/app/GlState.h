// The fixed OpenGL state the show starts from, and the view of a client area.
// All need a current context.
#pragma once

// Render defaults: black transparent clear colour, smooth shading, counter-
// clockwise front faces, 2D texturing, depth test and back-face culling on, filled
// polygons, no line stipple and no point or line smoothing.
void setDefaultGlState();

// Lighting on with normalised normals, opaque black clear colour, the material
// every layer starts from and one positional light (light 0). The light position
// is given in eye coordinates, so the model-view matrix must be the identity.
void setLightingState();

// Viewport and projection for a client area of width x height pixels: the whole
// area, a 54 degree perspective with near and far planes 1 and 1000. A height of
// 0 counts as 1. Leaves the model-view matrix current and set to the identity.
void setClientView(int width, int height);
