// The scene's lights, numbered from 1 in the order they were added. Light 1
// is the one the shadows are built from.
#pragma once

#include <memory>
#include <vector>

#include "math/Matrix4.h"
#include "math/Vector3.h"

class Light;

class LightManager {
public:
    LightManager();
    ~LightManager();
    LightManager(const LightManager&) = delete;
    LightManager& operator=(const LightManager&) = delete;

    // Takes ownership.
    void addLight(Light* light);
    // Index 0 and indices past the count are ignored.
    void enableLight(unsigned index);
    void disableLight(unsigned index);
    // (0, 100, 0) for an index with no light.
    Vector3 lightPosition(unsigned index) const;
    // The identity for an index with no light.
    Matrix4 lightProjection(unsigned index) const;
    Matrix4 lightView(unsigned index) const;
    // Null for an index with no light.
    Light* light(unsigned index) const;
    unsigned getLightCount() const { return unsigned(lights.size()); }

private:
    std::vector<std::unique_ptr<Light>> lights;
};
