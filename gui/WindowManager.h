/// \file
/// The GUI windows, updated and drawn every frame in the 2D overlay. It owns
/// them.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"

class Window;

/// Owns the GUI windows and updates them each frame.
class WindowManager : NonCopyable {
public:
    WindowManager();
    ~WindowManager();

    /// Takes ownership.
    void addWindow(Window* window);
    /// Every visible window, in the order added.
    void updateAll();
    /// Opens (and shows) every window with this id.
    void openWindow(int id);
    /// Clears every window's open flag; the windows stay visible.
    void closeAll();

    /// The windows, in the order added.
    const std::vector<std::unique_ptr<Window>>& getWindows() const { return windows; }

private:
    std::vector<std::unique_ptr<Window>> windows;
};
