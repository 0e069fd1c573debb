// The fixed OpenGL state the show starts from. Both need a current context.
#pragma once

// Render defaults: black transparent clear colour, smooth shading, counter-
// clockwise front faces, 2D texturing, depth test and back-face culling on, filled
// polygons, no line stipple and no point or line smoothing.
void setDefaultGlState();

// Lighting on with normalised normals, opaque black clear colour, the material
// every layer starts from and one positional light (light 0). The light position
// is given in eye coordinates, so the model-view matrix must be the identity.
void setLightingState();
