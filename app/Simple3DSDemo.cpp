#include "app/Simple3DSDemo.h"

#include <GL/glew.h>
#include <SDL.h>

#include "core/Engine.h"
#include "platform/Camera.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "shader/Shader.h"

namespace {

const int KEY_ESCAPE = SDLK_ESCAPE;  // 27
const int KEY_Q = SDLK_q;            // 113

}  // namespace

Simple3DSDemo::Simple3DSDemo() : lightingShader(nullptr) {}

Simple3DSDemo::~Simple3DSDemo() {
    delete lightingShader;
    lightingShader = nullptr;
}

void Simple3DSDemo::init() {
    engine->startVideo(1024, 768, 24, true, false);
    Engine::graphicsCore->showCursor(true);
    Engine::graphicsCore->loadMousePointer("Data/MousePointer.png");
    engine->setShowFps(true);
    Engine::graphicsCore->setCaption("Varno Engine - Simple Window Example");
    // The look-at point stays at its default (1, 5, 1).
    Engine::camera->setPosition(0.0f, 15.0f, -33.0f);

    lightingShader = new Shader();
    lightingShader->load("shaders/dirPerPixel.frag", "shaders/dirPerPixel.vert");
}

void Simple3DSDemo::run() {
    for (;;) {
        renderScene();

        EventManager* events = Engine::eventManager;
        if (!events->hasEvent()) {
            continue;
        }
        if (events->isKeyDown(KEY_ESCAPE) == 1) {
            return;
        }
        if (events->isEventCode(EVENT_QUIT)) {
            return;
        }
        if (events->isKeyDown(KEY_Q) == 1) {
            GraphicsCore* graphics = Engine::graphicsCore;
            graphics->setWireframe(!graphics->isWireframe());
        }
    }
}

void Simple3DSDemo::renderScene() {
    glClearColor(0.1f, 0.1f, 0.1f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    Engine::camera->look();
    Engine::utils->drawGrid(0.0f, 0.0f, 0.0f);

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    lightingShader->bind();
    engine->renderFrame();
    Shader::unbind();

    SDL_GL_SwapBuffers();
}
