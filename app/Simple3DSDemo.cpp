#include "app/Simple3DSDemo.h"

#include <GL/glew.h>
#include <SDL.h>

#include "core/Engine.h"
#include "image/Texture.h"
#include "platform/Camera.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/Light.h"
#include "scene/LightManager.h"
#include "shader/Shader.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace {

constexpr float kTurnSpeed = 15.0f;  // degrees per second
constexpr float kLightStep = 15.0f;  // per frame while an arrow is held

GameObject* placed3ds(const char* path, float x, float y, float z, float scale) {
    auto* object = new GameObject();
    object->load3ds("Data/Model", path);
    object->setPosition(x, y, z);
    object->setScale(scale, scale, scale);
    return object;
}

}  // namespace

Simple3DSDemo::Simple3DSDemo()
    : logo(nullptr),
      angle(180.0f),
      crusader(nullptr),
      columnLeft(nullptr),
      columnRight(nullptr),
      light(nullptr),
      lightingShader(nullptr) {}

Simple3DSDemo::~Simple3DSDemo() {
    delete logo;
    logo = nullptr;
    delete lightingShader;
    lightingShader = nullptr;
}

void Simple3DSDemo::init() {
    engine->startVideo(1024, 768, 24, true, false);
    GraphicsCore* graphics = Engine::graphicsCore;
    graphics->showCursor(true);
    graphics->loadMousePointer("Data/MousePointer.png");
    engine->setShowFps(true);
    graphics->setCaption("Varno Engine - Simple Window Example");

    // Bottom-right corner, two pixels from the edges of the 1024 x 768 screen.
    logo = new Texture("Data/Logo/v3dlogo.png");
    logo->x = 1022.0f - logo->getWidth();
    logo->y = 766.0f - logo->getHeight();

    // The look-at point stays at its default (1, 5, 1).
    Engine::camera->setPosition(0.0f, 15.0f, -33.0f);

    GameObjectManager* scene = Engine::gameObjectManager;
    crusader = placed3ds("Data/Model/crusader.3ds", 0.0f, 0.7f, 0.0f, 0.2f);
    crusader->setRotation(angle);
    scene->addObject(crusader);
    columnLeft = placed3ds("Data/Model/doric_column.3ds", 15.0f, 10.0f, 20.0f, 0.01f);
    scene->addObject(columnLeft);
    columnRight = placed3ds("Data/Model/doric_column.3ds", -15.0f, 10.0f, 20.0f, 0.01f);
    scene->addObject(columnRight);

    light = new Light();
    light->setPosition(400.0f, 250.0f, 5.0f, 0.0f);  // w = 0: directional
    light->setDiffuse(0.9f, 0.5f, 0.5f, 1.0f);
    light->setAmbient(0.6f, 0.6f, 0.6f, 1.0f);
    Engine::lightManager->addLight(light);
    Engine::lightManager->enableLight(1);

    lightingShader = new Shader();
    lightingShader->load("shaders/dirPerPixel.frag", "shaders/dirPerPixel.vert");
}

void Simple3DSDemo::run() {
    for (;;) {
        crusader->setRotation(angle);
        renderScene();
        angle += float(Engine::utils->getFrameTime()) * kTurnSpeed;
        moveLight();

        EventManager* events = Engine::eventManager;
        if (!events->hasEvent()) {
            continue;
        }
        if (events->quitRequested()) {
            return;
        }
        if (events->isKeyDown(SDLK_SPACE) == 1) {
            GameObjectManager* scene = Engine::gameObjectManager;
            scene->setShowBoundingBoxes(!scene->showBoundingBoxes());
        }
        if (events->isKeyDown(SDLK_q) == 1) {
            GraphicsCore* graphics = Engine::graphicsCore;
            graphics->setWireframe(!graphics->isWireframe());
        }
    }
}

void Simple3DSDemo::moveLight() {
    const EventManager* events = Engine::eventManager;
    struct Move {
        SDLKey key;
        int axis;  // 0: x, 2: z
        float step;
    };
    const Move moves[] = {{SDLK_LEFT, 0, kLightStep},
                          {SDLK_RIGHT, 0, -kLightStep},
                          {SDLK_UP, 2, kLightStep},
                          {SDLK_DOWN, 2, -kLightStep}};
    for (const Move& move : moves) {
        if (events->isKeyDown(move.key) == 1) {
            float p[4] = {light->position()[0], light->position()[1], light->position()[2],
                          light->position()[3]};
            p[move.axis] += move.step;
            light->setPosition(p[0], p[1], p[2], p[3]);
        }
    }
}

void Simple3DSDemo::beginScene() {
    glClearColor(0.1f, 0.1f, 0.1f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    Engine::camera->look();
    Engine::utils->drawGrid(0.0f, 0.0f, 0.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
}

void Simple3DSDemo::renderScene() {
    beginScene();
    lightingShader->bind();
    engine->renderFrame();
    Shader::unbind();

    Engine::graphicsCore->begin2D();
    logo->drawAtOwnPosition(1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    Engine::graphicsCore->end2D();

    Font* font = Engine::fontManager->getFont(1);
    font->print(350, 10, 2, 0.7f, 0.5f, 0.2f, "3DS Loader Demo with VBO and Per Pixel lightning");
    font->print(1, 30, 0, 0.8f, 0.5f, 0.2f, "Number of vertices: %d",
                Engine::gameObjectManager->vertexTotal());
    font->print(1, 60, 0, 0.8f, 0.5f, 0.2f, "Press q to change wireframe mode");
    font->print(1, 80, 0, 0.8f, 0.5f, 0.2f,
                "Move light position with LEFT/RIGHT/UP and DOWN arrow");
    font->print(1, 100, 0, 0.8f, 0.5f, 0.2f,
                "SPACE - Enable/Disable drawing Object level Bounding Boxes");
    SDL_GL_SwapBuffers();
}
