// GL sequences the three model objects share.
#pragma once

#include "math/Vector3.h"
#include "model/Placement.h"

// The 12 edges of the box spanned by two corners, as 24 GL_LINES vertices.
void drawBoxEdges(const Vector3& min, const Vector3& max);

// Whether a box, carried into world space by the placement, can be seen by
// the engine's camera (a box on the frustum's edge counts as seen).
bool boxVisible(const Placement& placement, const Vector3& min, const Vector3& max);
