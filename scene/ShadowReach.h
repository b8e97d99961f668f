// Where on screen a shadow volume's walls can change a stencil count. The
// walls are split at the scene's bounds, a box around every surface drawn and
// the eye: a wall point inside it may lie in front of any surface; a point
// beyond it lies behind every surface on its line of sight, so it can count
// only over pixels that show no surface of the scene, and only where what they
// show lies at least as deep as the point. Pure geometry: no GL.
#pragma once

#include "math/Vector3.h"

class ShadowVolume;

// Pixels [x0, x1) x [y0, y1) in window coordinates (origin bottom-left).
struct ScreenRect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;

    bool empty() const { return x0 >= x1 || y0 >= y1; }
    // The smallest rectangle holding both.
    void unite(const ScreenRect& other);
    // The part inside `limit`.
    void clip(const ScreenRect& limit);
};

// How the walls are seen: the transform from world to clip coordinates
// (projection times model-view, column-major), the viewport, the depth range
// and the scene's bounds.
struct ShadowView {
    float clipFromWorld[16];
    int viewport[4];
    float depthNear = 0.0f;
    float depthFar = 1.0f;
    Vector3 boundsMin;
    Vector3 boundsMax;
};

struct ShadowReach {
    ScreenRect inside;  // the walls within the scene's bounds
    ScreenRect beyond;  // the walls past them
    // No wall point past the bounds lies nearer than this window depth.
    float beyondDepth = 1.0f;
};

// Both rectangles hold every pixel the respective walls cover in the view
// (with a pixel to spare); walls outside the view frustum add nothing.
ShadowReach shadowReach(const ShadowVolume& volume, const ShadowView& view);
