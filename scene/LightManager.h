/// \file
/// The scene's lights, numbered from 1 in the order they were added. Light 1
/// is the one the shadows are built from.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"
#include "math/Matrix4.h"
#include "math/Vector3.h"

class Light;

/// Owns the scene's lights and answers for them by number, from 1.
class LightManager : NonCopyable {
public:
    /// No lights.
    LightManager();
    /// Destroys every light added.
    ~LightManager();

    /// Appends a light as the next number; takes ownership.
    void addLight(Light* light);
    /// Enables light `index`; index 0 and indices past the count are ignored.
    void enableLight(unsigned index);
    /// Disables light `index`; index 0 and indices past the count are ignored.
    void disableLight(unsigned index);
    /// The position of light `index`; (0, 100, 0) for an index with no light.
    Vector3 lightPosition(unsigned index) const;
    /// The projection of light `index`; the identity for an index with no light.
    Matrix4 lightProjection(unsigned index) const;
    /// The view of light `index`; the identity for an index with no light.
    Matrix4 lightView(unsigned index) const;
    /// Light `index` itself; null for an index with no light.
    Light* light(unsigned index) const;
    /// How many lights were added.
    unsigned getLightCount() const { return unsigned(lights.size()); }

private:
    std::vector<std::unique_ptr<Light>> lights;
};
