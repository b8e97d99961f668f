#include "gui/WindowManager.h"

#include "gui/Window.h"

WindowManager::WindowManager() = default;
WindowManager::~WindowManager() = default;

void WindowManager::addWindow(Window* window) {
    windows.emplace_back(window);
}

void WindowManager::updateAll() {
    for (const auto& window : windows) {
        if (window->isVisible()) {
            window->update();
        }
    }
}

void WindowManager::openWindow(int id) {
    for (const auto& window : windows) {
        if (window->getId() == id) {
            window->setOpen(true);
        }
    }
}

void WindowManager::closeAll() {
    for (const auto& window : windows) {
        window->setOpen(false);
    }
}
