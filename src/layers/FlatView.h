// Drawing helpers for the flat layers, which draw in a view where x runs from 0
// (left) to 1 (right) whatever the window's shape.
#pragma once

// Selects the projection matrix, saves it and replaces it with an orthographic
// view of x 0 to 1, y bottom to top, z -1 to 1. The projection stays current.
void pushFlatProjection(float bottom, float top);

// Restores the saved projection (the projection matrix must be current) and makes
// the model-view matrix current again.
void popFlatProjection();

// The normal and the four corners of the unit square, counter-clockwise from
// (0, 0), each with a texture coordinate equal to its position, for the caller's
// glBegin(GL_QUADS) ... glEnd: a picture drawn with it fills the flat view
// upright, its first row at the bottom.
void emitUnitQuad();

// The normal and the texture coordinate that emitUnitQuad leaves current, set
// without drawing: for a caller that skips the quad where it would change no pixel.
void setUnitQuadCurrentValues();
