/// \file
/// The scene: the game objects, drawn every frame lit by light 1, culled
/// against the camera's frustum, with stencil shadow volumes when the graphics
/// core's shadow switch is on. It owns the objects added to it.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"
#include "math/Matrix4.h"

class GameObject;
class ShadowVolume;
class StencilShadows;

/// Owns the game objects and draws them every frame, shadowed or not.
class GameObjectManager : NonCopyable {
public:
    /// No objects, every switch off.
    GameObjectManager();
    /// Destroys every object added.
    ~GameObjectManager();

    /// Appends an object and counts its vertices into vertexTotal; takes ownership.
    void addObject(GameObject* object);

    /// Once per frame, inside the engine's frame: the shadow-mapped render when
    /// that is switched on, else stencil shadows when the graphics core's
    /// shadow switch is on, else the objects lit without shadows.
    void renderFrame();
    /// The scene shadowed by a depth map seen from light 1 (does nothing
    /// without a light).
    void renderShadowMapped();

    /// Switches the shadow-mapped render on or off.
    void setShadowMapped(bool flag) { shadowMapped = flag; }
    /// Whether renderFrame draws with the shadow map.
    bool isShadowMapped() const { return shadowMapped; }
    /// Shows or hides the shadow volumes' walls (stencil shadows only).
    void setShowShadowVolumes(bool flag) { showVolumes = flag; }
    /// Whether the shadow volumes' walls are drawn.
    bool showShadowVolumes() const { return showVolumes; }
    /// Marks a light as moved: every caster's shadow is rebuilt in the next
    /// stencil-shadowed frame.
    void setLightChanged(bool flag) { lightChanged = flag; }
    /// Whether a light moved since the last stencil-shadowed frame.
    bool hasLightChanged() const { return lightChanged; }
    /// Shows or hides the objects' bounding boxes.
    void setShowBoundingBoxes(bool flag) { showBoxes = flag; }
    /// Whether the bounding boxes are drawn.
    bool showBoundingBoxes() const { return showBoxes; }
    /// The vertices of every object added (XML models count none).
    int vertexTotal() const { return vertices; }

    /// The objects, in the order they were added.
    const std::vector<std::unique_ptr<GameObject>>& getObjects() const { return objects; }
    /// The stencil shadows of the shadow path (to measure what they cost).
    StencilShadows& stencilShadows() { return *stencil; }

private:
    void renderPlain();
    void renderWithShadows();

    std::vector<std::unique_ptr<GameObject>> objects;
    bool showVolumes;
    bool lightChanged;
    bool showBoxes;
    bool shadowMapped;
    int vertices;
    Matrix4 bias;  // maps clip coordinates [-1, 1] to texture coordinates [0, 1]
    std::unique_ptr<StencilShadows> stencil;
    std::vector<const ShadowVolume*> casterVolumes;  // one caster's, kept between frames
};
