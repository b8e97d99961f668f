/// \file
/// The six clipping planes of the current OpenGL view, extracted from the
/// projection and model-view matrices, with visibility tests for points,
/// spheres, cubes and axis-aligned boxes.
#pragma once

/// Where a box lies against the frustum.
enum FrustumResult { OUTSIDE = 0, INTERSECT = 1, INSIDE = 2 };

/// The six planes of the view, for culling what cannot be seen.
class Frustum {
public:
    /// The planes in the order they are stored.
    enum Plane { RIGHT = 0, LEFT, BOTTOM, TOP, FAR_PLANE, NEAR_PLANE };

    Frustum() = default;

    /// Re-extracts the planes from the current GL projection and model-view.
    void calculate();
    /// Extracts the planes from a combined clip matrix (projection x model-view).
    void setFromMatrix(const float m[16]);

    /// A point on a plane counts as outside.
    bool pointInFrustum(float x, float y, float z) const;
    /// True unless the sphere lies wholly behind a plane.
    bool sphereInFrustum(float x, float y, float z, float radius) const;
    /// The cube is centred on (x, y, z) with half-edge `size`.
    bool cubeInFrustum(float x, float y, float z, float size) const;
    /// A box corner on a plane counts as in front of it.
    FrustumResult boxInFrustum(float x1, float y1, float z1, float x2, float y2, float z2) const;

    /// Plane `index` (a Plane) as a, b, c, d with ax + by + cz + d = 0.
    const float* plane(int index) const { return planes[index]; }

private:
    float distance(int plane, float x, float y, float z) const {
        const float* p = planes[plane];
        return p[0] * x + p[1] * y + p[2] * z + p[3];
    }

    float planes[6][4] = {};
};
