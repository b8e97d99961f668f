/// \file
/// Where a model object stands: position, scale and a rotation about the Y
/// axis, and the model's box carried there. The same three steps place the
/// model for drawing (on the GL matrix stack) and carry box corners into world
/// space for culling and shadows. Each model object keeps one and hands it out,
/// so moving, scaling and turning a model is written once, here.
#pragma once

#include "math/Transform.h"
#include "math/Vector3.h"

/// A model object's position, scale and turn about Y, with its box in world
/// space.
class Placement {
public:
    /// At the origin, unturned, scaled by `scale` along every axis.
    explicit Placement(float scale) : scale_(scale, scale, scale) {}

    /// Moves the model's origin to (x, y, z), then carries the box there.
    void setPosition(float x, float y, float z) {
        position_ = Vector3(x, y, z);
        carryBox();
    }
    /// Scales the model along each axis, then carries the box there.
    void setScale(float x, float y, float z) {
        scale_ = Vector3(x, y, z);
        carryBox();
    }
    /// Turns the model `angle` degrees about the Y axis, then carries the box.
    void setRotation(float angle) {
        angle_ = angle;
        carryBox();
    }

    /// Where the model's origin stands.
    const Vector3& position() const { return position_; }
    /// The scale along each axis.
    const Vector3& scale() const { return scale_; }
    /// Degrees about axis().
    float angle() const { return angle_; }
    /// The axis the model turns about: always Y.
    const Vector3& axis() const { return axis_; }
    /// The box's first corner as last carried. Corners are not re-sorted, so
    /// a rotation can leave a component of worldMin above that of worldMax.
    const Vector3& worldMin() const { return worldMin_; }
    /// The box's second corner as last carried.
    const Vector3& worldMax() const { return worldMax_; }

    /// Takes the model-space box the setters carry, and carries it now.
    void fit(const Vector3& boxMin, const Vector3& boxMax) {
        follow(boxMin, boxMax);
        carryBox();
    }
    /// Takes the model-space box the setters carry from the next one on; the
    /// world corners stay as they are (an animation stepping to another key
    /// frame moves no corner until the model is moved).
    void follow(const Vector3& boxMin, const Vector3& boxMax) {
        modelMin = boxMin;
        modelMax = boxMax;
    }

    /// A model-space point carried into world space: scale, then rotation
    /// about Y by angle(), then translation, one Transform step at a time.
    Vector3 carry(Vector3 point) const {
        Transform step;
        step.setScale(scale_);
        step.transformPoint(point);
        step.setRotationY(angle_);
        step.transformPoint(point);
        step.setTranslation(position_);
        step.transformPoint(point);
        return point;
    }

    /// The world-space box around all eight corners of a model-space box once
    /// carried: it holds everything inside the model box, however the model is
    /// turned. False, with nothing set, for a box with nothing in it (a
    /// minimum above its maximum).
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

    /// Translates, rotates about axis() and scales the current GL matrix; the
    /// caller keeps the matrix it had (gl::ScopedMatrix).
    void apply() const;

private:
    void carryBox() {
        worldMin_ = carry(modelMin);
        worldMax_ = carry(modelMax);
    }

    Vector3 position_;
    Vector3 scale_;
    float angle_ = 0.0f;
    Vector3 axis_ = Vector3(0.0f, 1.0f, 0.0f);
    Vector3 modelMin;  // the box the setters carry, in model space
    Vector3 modelMax;
    Vector3 worldMin_;
    Vector3 worldMax_;
};
