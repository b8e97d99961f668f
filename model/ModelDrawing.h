// GL sequences the three model objects share.
#pragma once

#include <functional>

#include "math/Vector3.h"
#include "model/Placement.h"

// The 12 edges of the box spanned by two corners, as 24 GL_LINES vertices.
void drawBoxEdges(const Vector3& min, const Vector3& max);

// Whether a box, carried into world space by the placement, can be seen by
// the engine's camera (a box on the frustum's edge counts as seen).
bool boxVisible(const Placement& placement, const Vector3& min, const Vector3& max);

// Counts shadow volumes into the stencil buffer: with two-sided stencil in one
// pass (back faces decrement, front faces increment, wrapping), otherwise in
// two passes over the volumes. Colour and depth writes are off meanwhile and
// restored after.
void renderShadowStencil(const std::function<void()>& drawVolumes);
