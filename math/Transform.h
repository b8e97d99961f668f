/// \file
/// A lightweight model transform for scene objects: sixteen floats in the same
/// column-major layout as Matrix4, with only the builders objects need. Every
/// setter starts again from the identity. Angles are degrees.
#pragma once

#include <cmath>

#include "math/Vector3.h"

/// A model transform built from one translation, scale or rotation.
class Transform {
public:
    float entries[16];  ///< column-major, as GL takes it

    /// The identity.
    Transform() { setIdentity(); }

    /// Resets to the identity.
    void setIdentity() {
        for (int i = 0; i < 16; ++i) {
            entries[i] = (i % 5 == 0) ? 1.0f : 0.0f;
        }
    }

    /// A translation by v.
    void setTranslation(const Vector3& v) {
        setIdentity();
        entries[12] = v.x;
        entries[13] = v.y;
        entries[14] = v.z;
    }

    /// A scale by v's components.
    void setScale(const Vector3& v) {
        setIdentity();
        entries[0] = v.x;
        entries[5] = v.y;
        entries[10] = v.z;
    }

    /// Single-precision throughout, unlike Matrix4's rotations.
    void setRotationY(float angle) {
        setIdentity();
        const float radians = angle * 0.017453292f;
        const float c = std::cos(radians);
        const float s = std::sin(radians);
        entries[0] = c;
        entries[2] = -s;
        entries[8] = s;
        entries[10] = c;
    }

    /// Applies the transform to a point in place (w taken as 1).
    void transformPoint(Vector3& p) const {
        const float* e = entries;
        const Vector3 in = p;
        p.x = e[0] * in.x + e[4] * in.y + e[8] * in.z + e[12];
        p.y = e[1] * in.x + e[5] * in.y + e[9] * in.z + e[13];
        p.z = e[2] * in.x + e[6] * in.y + e[10] * in.z + e[14];
    }

    /// The sixteen entries, for glMultMatrixf.
    const float* data() const { return entries; }
};
