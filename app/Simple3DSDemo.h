// The demonstration: "3DS Loader Demo with VBO and Per Pixel lightning". A
// knight turning slowly between two columns under one directional light, drawn
// from vertex buffers with the per-pixel lighting program, over the ground
// grid, with the logo, help text, frame rate and a textured mouse pointer.
// Arrows move the light, q toggles wire-frame, space the bounding boxes;
// Escape or closing the window quits.
#pragma once

#include "app/CApp.h"

class GameObject;
class Light;
class Shader;
class Texture;

class Simple3DSDemo : public CApp {
public:
    Simple3DSDemo();
    ~Simple3DSDemo() override;

    void init() override;
    void run() override;
    void shutdown() override {}
    void reservedA() override {}
    void reservedB() override {}

protected:
    // One frame of the scene, swap included (the frame benchmark draws it too).
    void renderScene();
    // The start of renderScene: clear, camera, grid and back-face culling.
    void beginScene();

private:
    void moveLight();

    Texture* logo;
    float angle;
    GameObject* crusader;     // owned by the game object manager once added
    GameObject* columnLeft;   // likewise
    GameObject* columnRight;  // likewise
    Light* light;             // owned by the light manager
    Shader* lightingShader;
};
