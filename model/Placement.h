// Where a model object stands: position, scale and a rotation about the Y
// axis. The same three steps place it for drawing (the GL matrix stack) and
// carry its box corners into world space for culling and shadows.
#pragma once

#include "math/Transform.h"
#include "math/Vector3.h"

struct Placement {
    Vector3 position;
    Vector3 scale;
    float angle = 0.0f;
    Vector3 axis = Vector3(0.0f, 1.0f, 0.0f);

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

    // glPushMatrix, then translate, rotate about `axis`, scale; the caller
    // pops the matrix when it has drawn.
    void push() const;
};
