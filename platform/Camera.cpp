#include "platform/Camera.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cmath>

#include "core/Engine.h"
#include "math/Geometry.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"

namespace {

constexpr float kMouseSensitivity = 0.005f;  // radians per pixel
constexpr float kMoveSpeed = 200.0f;         // units per second

}  // namespace

Camera::Camera()
    : direction(0.0f, 0.0f, 0.0f),
      position(150.0f, 110.0f, 150.0f),
      view(1.0f, 5.0f, 1.0f),
      up(0.0f, 1.0f, 0.0f),
      strafe(0.0f, 0.0f, 0.0f),
      frustum(std::make_unique<Frustum>()) {}

void Camera::placeCamera(float px, float py, float pz, float vx, float vy, float vz, float ux,
                         float uy, float uz) {
    position = Vector3(px, py, pz);
    view = Vector3(vx, vy, vz);
    up = Vector3(ux, uy, uz);
}

void Camera::setPosition(float x, float y, float z) {
    position = Vector3(x, y, z);
}

void Camera::moveTo(float x, float y, float z) {
    Vector3 target(x, y, z);
    view = view + (target - position);
    position = target;
}

void Camera::look() {
    gluLookAt(position.x, position.y, position.z, view.x, view.y, view.z, up.x, up.y, up.z);
    frustum->calculate();
}

void Camera::rotateView(float angle, float x, float y, float z) {
    Vector3 v = view - position;
    float c = std::cos(angle);
    float s = std::sin(angle);
    float t = 1.0f - c;
    Vector3 r((c + t * x * x) * v.x + (t * x * y - z * s) * v.y + (t * x * z + y * s) * v.z,
              (t * x * y + z * s) * v.x + (c + t * y * y) * v.y + (t * y * z - x * s) * v.z,
              (t * x * z - y * s) * v.x + (t * y * z + x * s) * v.y + (c + t * z * z) * v.z);
    float length = magnitude(r);
    direction = length == 0.0f ? r : r * (1.0f / length);
    view = position + r;
}

void Camera::mouseLook() {
    int centreX = Engine::graphicsCore->getScreenWidth() / 2;
    int centreY = Engine::graphicsCore->getScreenHeight() / 2;
    int mouseX = Engine::eventManager->getMouseX();
    int mouseY = Engine::eventManager->getMouseY();
    if (mouseX == centreX && mouseY == centreY) {
        return;
    }
    Engine::eventManager->warpMouse(centreX, centreY);

    float yaw = float(centreX - mouseX) * kMouseSensitivity;
    float pitch = float(centreY - mouseY) * kMouseSensitivity;
    Vector3 axis = normalizeVector(cross(view - position, up));
    rotateView(pitch, axis.x, axis.y, axis.z);
    rotateView(yaw, 0.0f, 1.0f, 0.0f);
}

void Camera::keyboardMove() {
    float speed = float(Engine::utils->getFrameTime() * kMoveSpeed);
    const Uint8* keys = SDL_GetKeyState(nullptr);
    if (keys[SDLK_w]) {
        moveForward(speed);
    }
    if (keys[SDLK_s]) {
        moveForward(-speed);
    }
    if (keys[SDLK_a]) {
        strafeSide(-speed);
    }
    if (keys[SDLK_d]) {
        strafeSide(speed);
    }
}

void Camera::moveForward(float speed) {
    position = position + direction * speed;
    view = view + direction * speed;
}

void Camera::strafeSide(float speed) {
    position.x += strafe.x * speed;
    position.z += strafe.z * speed;
    view.x += strafe.x * speed;
    view.z += strafe.z * speed;
}

void Camera::update() {
    strafe = normalizeVector(cross(view - position, up));
    mouseLook();
    keyboardMove();
}
