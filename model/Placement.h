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

    // Translates, rotates about `axis` and scales the current GL matrix; the
    // caller keeps the matrix it had (gl::ScopedMatrix).
    void apply() const;
};
