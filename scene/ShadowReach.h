/// \file
/// Where on screen a shadow volume's walls can change a stencil count. The
/// walls are split at the scene's bounds, a box around every surface drawn and
/// the eye: a wall point inside it may lie in front of any surface; a point
/// beyond it lies behind every surface on its line of sight, so it can count
/// only over pixels that show no surface of the scene, and only where what they
/// show lies at least as deep as the point. Pure geometry: no GL.
#pragma once

#include "math/Vector3.h"

class ShadowVolume;

/// Pixels [x0, x1) x [y0, y1) in window coordinates (origin bottom-left).
struct ScreenRect {
    int x0 = 0;  ///< first column inside
    int y0 = 0;  ///< first row inside
    int x1 = 0;  ///< first column past the right edge
    int y1 = 0;  ///< first row past the top edge

    /// True when the rectangle holds no pixel.
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    /// Grows to the smallest rectangle holding both.
    void unite(const ScreenRect& other);
    /// Shrinks to the part inside `limit`.
    void clip(const ScreenRect& limit);
};

/// How the walls are seen: the transform from world to clip coordinates, the
/// viewport, the depth range and the scene's bounds.
struct ShadowView {
    float clipFromWorld[16];  ///< projection times model-view, column-major
    int viewport[4];          ///< x, y, width, height, as glViewport takes them
    float depthNear = 0.0f;   ///< window depth of the near plane (glDepthRange)
    float depthFar = 1.0f;    ///< window depth of the far plane
    Vector3 boundsMin;        ///< the scene's bounds, smallest corner
    Vector3 boundsMax;        ///< the scene's bounds, largest corner
};

/// Where a volume's walls fall on screen, split at the scene's bounds.
struct ShadowReach {
    ScreenRect inside;  ///< the walls within the scene's bounds
    ScreenRect beyond;  ///< the walls past them
    /// No wall point past the bounds lies nearer than this window depth.
    float beyondDepth = 1.0f;
};

/// Where a volume's walls fall in the view: both rectangles hold every pixel
/// the respective walls cover (with a pixel to spare); walls outside the view
/// frustum add nothing.
ShadowReach shadowReach(const ShadowVolume& volume, const ShadowView& view);
