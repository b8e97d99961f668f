// The registry of GUI windows, updated and drawn every frame in the overlay.
#pragma once

class WindowManager {
public:
    WindowManager() = default;
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
};
