/// \file
/// The 2D cameras. Once per frame the engine shifts the overlay by the current
/// one; with no camera added nothing happens.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/NonCopyable.h"
#include "platform/Camera2D.h"

/// Owns the 2D cameras and applies the current one to the overlay.
class CameraManager : NonCopyable {
public:
    CameraManager() = default;

    /// Takes ownership and makes the camera current.
    void addCamera(Camera2D* camera);
    /// Ignored for an index past the last camera.
    void selectCamera(unsigned index);

    /// Moves the current camera right by d; nothing without a camera.
    void moveCurrentRight(float d) { moveCurrent(d, 0.0f); }
    /// Moves the current camera left by d; nothing without a camera.
    void moveCurrentLeft(float d) { moveCurrent(-d, 0.0f); }
    /// Moves the current camera down by d; nothing without a camera.
    void moveCurrentDown(float d) { moveCurrent(0.0f, d); }
    /// Moves the current camera up by d; nothing without a camera.
    void moveCurrentUp(float d) { moveCurrent(0.0f, -d); }
    /// Moves the current camera by (dx, dy); nothing without a camera.
    void moveCurrent(float dx, float dy);

    /// Empty when there is no camera.
    std::optional<std::pair<float, float>> currentPosition() const;
    /// The position of camera `index`, or of the current one for an index
    /// past the last; empty when there is no camera.
    std::optional<std::pair<float, float>> cameraPosition(unsigned index) const;

    /// glTranslatef by the current camera's position, if there is one.
    void applyCurrent() const;

    /// The number of cameras added.
    unsigned getCount() const { return unsigned(cameras.size()); }
    /// The index of the current camera.
    unsigned getCurrent() const { return current; }

private:
    Camera2D* currentCamera() const { return cameras.empty() ? nullptr : cameras[current].get(); }

    std::vector<std::unique_ptr<Camera2D>> cameras;
    unsigned current = 0;
};
