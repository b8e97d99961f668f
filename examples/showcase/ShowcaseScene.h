// The showcase's scene, shared by the showcase program, its tests and the
// frame benchmark: a ground plane, a crate (XML), a jeep (3DS) and a faerie
// (MD2) under light 1, and the start of each of its frames.
#pragma once

class GameObject;
class Light;

// The shadow techniques the showcase cycles through, in this order.
enum class ShadowTechnique { StencilVolumes, ShadowMap, None };

struct ShowcaseScene {
    Light* light = nullptr;        // owned by the light manager
    GameObject* ground = nullptr;  // the game objects are owned by the game object manager
    GameObject* crate = nullptr;
    GameObject* jeep = nullptr;
    GameObject* faerie = nullptr;
    ShadowTechnique shadows = ShadowTechnique::StencilVolumes;
};

// Loads and places the models and the light into the engine's managers (the
// window must be open), with the GL state the scene draws with, and places the
// camera at the start view. Everything but the ground casts a shadow; the
// shadows are stencil volumes.
ShowcaseScene loadShowcaseScene();

// Switches the engine to a shadow technique. The shadow map overwrites light
// 1's colours: they are set back to the scene's own for the others.
void selectShadowTechnique(ShowcaseScene& scene, ShadowTechnique technique);
const char* shadowTechniqueName(ShadowTechnique technique);

// Clears colour, depth and stencil, places the camera and sends light 1's
// position under it, so the light stays put in the world while the camera moves.
void beginShowcaseFrame(const ShowcaseScene& scene);

// The title, the help lines and the shadow technique in use, over the frame.
void printShowcaseHelp(const ShowcaseScene& scene);
