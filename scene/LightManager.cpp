#include "scene/LightManager.h"

#include "scene/Light.h"

LightManager::LightManager() = default;
LightManager::~LightManager() = default;

void LightManager::addLight(Light* light) {
    lights.emplace_back(light);
}

Light* LightManager::light(unsigned index) const {
    if (index == 0 || index > lights.size()) {
        return nullptr;
    }
    return lights[index - 1].get();
}

void LightManager::enableLight(unsigned index) {
    if (Light* l = light(index)) {
        l->enable();
    }
}

void LightManager::disableLight(unsigned index) {
    if (Light* l = light(index)) {
        l->disable();
    }
}

Vector3 LightManager::lightPosition(unsigned index) const {
    if (const Light* l = light(index)) {
        return Vector3(l->position()[0], l->position()[1], l->position()[2]);
    }
    return Vector3(0.0f, 100.0f, 0.0f);
}

Matrix4 LightManager::lightProjection(unsigned index) const {
    const Light* l = light(index);
    return l != nullptr ? l->projectionMatrix() : Matrix4();
}

Matrix4 LightManager::lightView(unsigned index) const {
    const Light* l = light(index);
    return l != nullptr ? l->viewMatrix() : Matrix4();
}
