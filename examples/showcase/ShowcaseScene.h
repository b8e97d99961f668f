// The showcase's scene, shared by the showcase program, its tests and the
// frame benchmark: a ground plane, a crate (XML), a jeep (3DS) and a faerie
// (MD2) under light 1, and the start of each of its frames.
#pragma once

class GameObject;
class Light;

struct ShowcaseScene {
    Light* light = nullptr;        // owned by the light manager
    GameObject* ground = nullptr;  // the game objects are owned by the game object manager
    GameObject* crate = nullptr;
    GameObject* jeep = nullptr;
    GameObject* faerie = nullptr;
};

// Loads and places the models and the light into the engine's managers (the
// window must be open), with the GL state the scene draws with, and places the
// camera at the start view. Everything but the ground casts a shadow.
ShowcaseScene loadShowcaseScene();

// Clears colour, depth and stencil, places the camera and sends light 1's
// position under it, so the light stays put in the world while the camera moves.
void beginShowcaseFrame(const ShowcaseScene& scene);

// The title and help lines over the frame.
void printShowcaseHelp(const ShowcaseScene& scene);
