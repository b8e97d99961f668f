// The 2D cameras that shift the overlay.
#pragma once

class CameraManager {
public:
    CameraManager() = default;
    CameraManager(const CameraManager&) = delete;
    CameraManager& operator=(const CameraManager&) = delete;
};
