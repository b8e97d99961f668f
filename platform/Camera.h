/// \file
/// The engine's 3D viewpoint: an eye position, a look-at point and an up
/// vector placed with gluLookAt each frame, the view frustum that goes with it,
/// and a first-person free-look control (mouse turns, W A S D move).
#pragma once

#include <memory>

#include "base/NonCopyable.h"
#include "math/Vector3.h"
#include "platform/Frustum.h"

/// The 3D viewpoint, placed with gluLookAt, with its frustum and free-look control.
class Camera : NonCopyable {
public:
    Camera();

    /// Sets the eye, the look-at point and the up vector at once.
    void placeCamera(float px, float py, float pz, float vx, float vy, float vz, float ux, float uy,
                     float uz);
    /// Moves the eye only; the look-at point stays.
    void setPosition(float x, float y, float z);
    /// Moves the eye and shifts the look-at point with it.
    void moveTo(float x, float y, float z);

    /// gluLookAt on the current model-view matrix, then refreshes the frustum.
    void look();
    /// The view frustum of the last look().
    Frustum* getFrustum() { return frustum.get(); }

    /// Turns the look-at point about the eye around a unit axis (radians).
    void rotateView(float angle, float x, float y, float z);
    /// Turns the view by how far the pointer left the window centre, then
    /// warps it back there.
    void mouseLook();
    /// W, A, S, D move at 200 units per second of frame time.
    void keyboardMove();
    /// Moves eye and look-at point along the view direction of the last rotation.
    void moveForward(float speed);
    /// Moves eye and look-at point sideways, level with the ground.
    void strafeSide(float speed);
    /// Free-look for one frame: strafe vector, mouse, keys.
    void update();

    /// The eye.
    const Vector3& getPosition() const { return position; }
    /// The look-at point.
    const Vector3& getView() const { return view; }
    /// The up vector.
    const Vector3& getUp() const { return up; }
    /// The unit view direction left by the last rotation (zero before any).
    const Vector3& getDirection() const { return direction; }
    /// The unit side vector of the last update().
    const Vector3& getStrafe() const { return strafe; }

private:
    Vector3 direction;
    Vector3 position;
    Vector3 view;
    Vector3 up;
    Vector3 strafe;
    std::unique_ptr<Frustum> frustum;
};
