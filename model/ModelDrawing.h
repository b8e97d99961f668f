/// \file
/// GL sequences the three model objects share.
#pragma once

#include <GL/glew.h>

#include <vector>

#include "math/Vector3.h"
#include "model/Placement.h"
#include "render/GlState.h"

/// Draws the 12 edges of the box spanned by two corners, as 24 GL_LINES vertices.
void drawBoxEdges(const Vector3& min, const Vector3& max);

/// Draws a model's boxes as lines of one colour under its placement: the
/// model box, then each part's box (a mesh's or a sub-object's).
template <typename Part>
void drawModelBoxes(const Placement& placement, float r, float g, float b, const Vector3& min,
                    const Vector3& max, const std::vector<Part>& parts) {
    const gl::ScopedMatrix placed;
    placement.apply();
    glColor3f(r, g, b);
    drawBoxEdges(min, max);
    for (const Part& part : parts) {
        drawBoxEdges(part.boxMin, part.boxMax);
    }
}

/// Whether a box, carried into world space by the placement, can be seen by
/// the engine's camera (a box on the frustum's edge counts as seen).
bool boxVisible(const Placement& placement, const Vector3& min, const Vector3& max);
