// Where a model object stands: position, scale and a rotation about the Y
// axis, and the model's box carried there. The same three steps place the
// model for drawing (on the GL matrix stack) and carry box corners into world
// space for culling and shadows. Each model object keeps one.
#pragma once

#include "math/Transform.h"
#include "math/Vector3.h"

struct Placement {
    Vector3 position;
    Vector3 scale;
    float angle = 0.0f;
    Vector3 axis = Vector3(0.0f, 1.0f, 0.0f);
    // The model box as last carried by `fit`; not re-sorted, so a rotation
    // can leave a component of worldMin above that of worldMax.
    Vector3 worldMin;
    Vector3 worldMax;

    // Scale, then rotation about Y by `angle`, then translation, one
    // Transform step at a time.
    Vector3 carry(Vector3 point) const {
        Transform step;
        step.setScale(scale);
        step.transformPoint(point);
        step.setRotationY(angle);
        step.transformPoint(point);
        step.setTranslation(position);
        step.transformPoint(point);
        return point;
    }

    // Carries a model-space box into worldMin and worldMax.
    void fit(const Vector3& boxMin, const Vector3& boxMax) {
        worldMin = carry(boxMin);
        worldMax = carry(boxMax);
    }

    // The world-space box around all eight corners of a model-space box once
    // carried: it holds everything inside the model box, however the model is
    // turned. False, with nothing set, for a box with nothing in it (a
    // minimum above its maximum).
    bool bounds(const Vector3& boxMin, const Vector3& boxMax, Vector3& low, Vector3& high) const {
        if (boxMin.x > boxMax.x || boxMin.y > boxMax.y || boxMin.z > boxMax.z) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            const Vector3 p =
                carry(Vector3(i & 1 ? boxMax.x : boxMin.x, i & 2 ? boxMax.y : boxMin.y,
                              i & 4 ? boxMax.z : boxMin.z));
            low = i == 0 ? p
                         : Vector3(p.x < low.x ? p.x : low.x, p.y < low.y ? p.y : low.y,
                                   p.z < low.z ? p.z : low.z);
            high = i == 0 ? p
                          : Vector3(p.x > high.x ? p.x : high.x, p.y > high.y ? p.y : high.y,
                                    p.z > high.z ? p.z : high.z);
        }
        return true;
    }

    // Translates, rotates about `axis` and scales the current GL matrix; the
    // caller keeps the matrix it had (gl::ScopedMatrix).
    void apply() const;
};
