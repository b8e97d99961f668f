// The showcase: what the demonstration does not show. An animated MD2 model
// cycling its animations, an XML-format model, a 3DS model and a ground plane
// under light 1 with shadows, seen through the free-look camera.
//
// Keys: arrows move the light, t cycles the shadows (stencil volumes, shadow
// map, none), v shows the shadow volumes, b the bounding boxes, c rings a
// chime; W, A, S, D and the mouse move the camera; Escape quits. A tune plays
// in a loop.
#include <GL/glew.h>
#include <SDL.h>

#include "app/CApp.h"
#include "core/Engine.h"
#include "examples/showcase/ShowcaseScene.h"
#include "platform/Camera.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/Light.h"
#include "sound/Music.h"
#include "sound/SoundEffect.h"
#include "sound/SoundManager.h"

namespace {

constexpr float kLightSpeed = 20.0f;         // units per second
constexpr uint32_t kAnimationPeriod = 3000;  // milliseconds per animation

class Showcase : public CApp {
public:
    void init() override {
        engine->startVideo(1024, 768, 24, true, false);
        engine->setShowFps(true);
        Engine::graphicsCore->setCaption("Varno Engine - Showcase");
        Engine::graphicsCore->showCursor(false);
        // Free-look turns the view by how far the pointer is from the centre:
        // start it there so the first frame does not jump.
        Engine::eventManager->warpMouse(1024 / 2, 768 / 2);

        scene = loadShowcaseScene();

        // Both register with the sound manager, which owns them from then on.
        new SoundEffect("Data/Sound/chime.wav");
        new Music("Data/Sound/theme.ogg");
        Engine::soundManager->setMusicVolume(80);
        Engine::soundManager->playMusic(0, -1);
    }

    void run() override {
        uint32_t nextAnimationAt = SDL_GetTicks() + kAnimationPeriod;
        int animation = 0;
        for (;;) {
            renderScene();

            EventManager* events = Engine::eventManager;
            moveLight(*events);
            if (SDL_GetTicks() >= nextAnimationAt) {
                scene.faerie->setAnimation(++animation);
                nextAnimationAt += kAnimationPeriod;
            }
            if (!events->hasEvent()) {
                continue;
            }
            if (events->quitRequested()) {
                return;
            }
            GameObjectManager* objects = Engine::gameObjectManager;
            if (events->isEventCode(EVENT_KEY_DOWN)) {
                SDLKey key = events->getEvent().key.keysym.sym;
                if (key == SDLK_v) {
                    objects->setShowShadowVolumes(!objects->showShadowVolumes());
                } else if (key == SDLK_b) {
                    objects->setShowBoundingBoxes(!objects->showBoundingBoxes());
                } else if (key == SDLK_c) {
                    Engine::soundManager->playEffect(0, 0);
                } else if (key == SDLK_t) {
                    selectShadowTechnique(scene, ShadowTechnique((int(scene.shadows) + 1) % 3));
                }
            }
        }
    }

    void shutdown() override {}
    void reservedA() override {}
    void reservedB() override {}

private:
    void moveLight(const EventManager& events) {
        const float step = float(Engine::utils->getFrameTime()) * kLightSpeed;
        const float* p = scene.light->position();
        float x = p[0];
        float z = p[2];
        if (events.isKeyDown(SDLK_LEFT) == 1) {
            x -= step;
        }
        if (events.isKeyDown(SDLK_RIGHT) == 1) {
            x += step;
        }
        if (events.isKeyDown(SDLK_UP) == 1) {
            z -= step;
        }
        if (events.isKeyDown(SDLK_DOWN) == 1) {
            z += step;
        }
        if (x != p[0] || z != p[2]) {
            scene.light->setPosition(x, p[1], z, p[3]);
        }
    }

    void renderScene() {
        beginShowcaseFrame(scene);
        engine->renderFrame();

        printShowcaseHelp(scene);
        SDL_GL_SwapBuffers();
        // Free-look for the next frame, from the pointer this frame's events
        // left (before the first frame the event manager has seen none).
        Engine::camera->update();
    }

    ShowcaseScene scene;
};

}  // namespace

int main(int, char**) {
    return runProgram<Showcase>();
}
