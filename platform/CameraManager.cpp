#include "platform/CameraManager.h"

#include <GL/glew.h>

void CameraManager::addCamera(Camera2D* camera) {
    cameras.emplace_back(camera);
    current = unsigned(cameras.size() - 1);
}

void CameraManager::selectCamera(unsigned index) {
    if (index < cameras.size()) {
        current = index;
    }
}

void CameraManager::moveCurrent(float dx, float dy) {
    if (Camera2D* camera = currentCamera()) {
        camera->move(dx, dy);
    }
}

std::optional<std::pair<float, float>> CameraManager::currentPosition() const {
    if (Camera2D* camera = currentCamera()) {
        return camera->position();
    }
    return std::nullopt;
}

std::optional<std::pair<float, float>> CameraManager::cameraPosition(unsigned index) const {
    if (index < cameras.size()) {
        return cameras[index]->position();
    }
    return currentPosition();
}

void CameraManager::applyCurrent() const {
    if (Camera2D* camera = currentCamera()) {
        auto [x, y] = camera->position();
        glTranslatef(x, y, 0.0f);
    }
}
