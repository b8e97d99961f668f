// A first game on the Varno Engine: a textured crate under a light, seen
// through the free-look camera. W, A, S, D and the mouse move; Escape quits.
#include <GL/glew.h>
#include <SDL.h>
#include <varno/app/CApp.h>
#include <varno/core/Engine.h>
#include <varno/platform/Camera.h>
#include <varno/platform/EventManager.h>
#include <varno/platform/GraphicsCore.h>
#include <varno/scene/GameObject.h>
#include <varno/scene/GameObjectManager.h>
#include <varno/scene/Light.h>
#include <varno/scene/LightManager.h>
#include <varno/text/Font.h>
#include <varno/text/FontManager.h>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

class Game : public CApp {
public:
    void init() override {
        engine->startVideo(kWidth, kHeight, 24, false, false);
        engine->setShowFps(true);  // also keeps the frame time that moves the camera
        Engine::graphicsCore->setCaption("My Varno Game");
        Engine::graphicsCore->showCursor(false);
        Engine::camera->placeCamera(3.0f, 3.0f, 6.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        // Free-look turns by the pointer's distance from the centre: start there.
        Engine::eventManager->warpMouse(kWidth / 2, kHeight / 2);

        light = new Light();  // the light manager owns it from here on
        light->setPosition(4.0f, 8.0f, 6.0f, 1.0f);
        light->setDiffuse(1.0f, 0.95f, 0.9f, 1.0f);
        light->setAmbient(0.35f, 0.35f, 0.4f, 1.0f);
        Engine::lightManager->addLight(light);
        Engine::lightManager->enableLight(1);

        auto* crate = new GameObject();  // the game object manager owns it
        crate->loadXmlModel("Data/Model/crate.xml");
        Engine::gameObjectManager->addObject(crate);
    }

    void run() override {
        for (;;) {
            glClearColor(0.3f, 0.45f, 0.6f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            Engine::camera->look();
            glLightfv(GL_LIGHT0, GL_POSITION, light->position());  // fixed in the world

            engine->renderFrame();  // input, the scene, the 2D overlay
            Engine::fontManager->getFont(1)->print(10, 24, 0, 1.0f, 1.0f, 1.0f,
                                                   "Hello, Varno! W A S D and the mouse look "
                                                   "around, Escape quits.");
            SDL_GL_SwapBuffers();
            Engine::camera->update();

            if (Engine::eventManager->quitRequested()) {  // Escape or the close button
                return;
            }
        }
    }

    void shutdown() override {}
    void reservedA() override {}
    void reservedB() override {}

private:
    Light* light = nullptr;
};

}  // namespace

int main(int, char**) {
    return runProgram<Game>();  // 1, with the message, when there is no display
}
