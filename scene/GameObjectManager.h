// The scene: the game objects, drawn every frame lit by light 1, culled
// against the camera's frustum, with stencil shadow volumes when the graphics
// core's shadow switch is on. It owns the objects added to it.
#pragma once

#include <memory>
#include <vector>

#include "math/Matrix4.h"

class GameObject;
class StencilShadows;

class GameObjectManager {
public:
    GameObjectManager();
    ~GameObjectManager();
    GameObjectManager(const GameObjectManager&) = delete;
    GameObjectManager& operator=(const GameObjectManager&) = delete;

    // Takes ownership; counts the object's vertices into vertexTotal.
    void addObject(GameObject* object);

    // Once per frame, inside the engine's frame: the shadow-mapped render when
    // that is switched on, else stencil shadows when the graphics core's
    // shadow switch is on, else the objects lit without shadows.
    void renderFrame();
    // The scene shadowed by a depth map seen from light 1 (does nothing
    // without a light).
    void renderShadowMapped();

    void setShadowMapped(bool flag) { shadowMapped = flag; }
    bool isShadowMapped() const { return shadowMapped; }
    void setShowShadowVolumes(bool flag) { showVolumes = flag; }
    bool showShadowVolumes() const { return showVolumes; }
    void setLightChanged(bool flag) { lightChanged = flag; }
    bool hasLightChanged() const { return lightChanged; }
    void setShowBoundingBoxes(bool flag) { showBoxes = flag; }
    bool showBoundingBoxes() const { return showBoxes; }
    int vertexTotal() const { return vertices; }

    const std::vector<std::unique_ptr<GameObject>>& getObjects() const { return objects; }
    // The stencil shadows of the shadow path (to measure what they cost).
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
};
