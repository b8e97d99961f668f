#include "core/Engine.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <string>

#include "base/Console.h"
#include "base/EngineError.h"
#include "core/Logger.h"
#include "gui/WindowManager.h"
#include "image/TextureManager.h"
#include "platform/Camera.h"
#include "platform/CameraManager.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "scene/GameObjectManager.h"
#include "scene/LightManager.h"
#include "shader/ShaderManager.h"
#include "sound/SoundManager.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace {

// Debug builds name every GL error a frame leaves behind on standard error,
// the first few times, so a state mistake shows where it happens.
[[maybe_unused]] void reportGlErrors() {
    static int reported = 0;
    // Bounded: GL keeps one flag per kind of error.
    for (int i = 0; i < 16; ++i) {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR) {
            break;
        }
        if (reported < 10) {
            char text[64];
            std::snprintf(text, sizeof text, "GL error 0x%04X after a frame", unsigned(error));
            console::errLine(text);
            ++reported;
        }
    }
}

// One start-up step: the announcement, the object, and "done". A manager that
// did not come into being is reported; SDL is shut down for all but the logger.
template <typename T, typename Create>
void startStep(T*& pointer, const char* announcement, const char* failure, bool quitOnFailure,
               bool announceFirst, Create create) {
    if (announceFirst) {
        console::out(announcement);
        pointer = create();
    } else {
        // The manager may print while it starts (the sound manager's audio
        // report): those lines come before its announcement.
        pointer = create();
        console::out(announcement);
    }
    if (pointer == nullptr) {
        console::outLine(failure);
        if (quitOnFailure) {
            SDL_Quit();
        }
    }
    console::outLine("done");
}

template <typename T>
T* make() {
    return new T();
}

void initEventThread() {
    if (SDL_InitSubSystem(SDL_INIT_EVENTTHREAD) != 0) {
        throw EngineError(std::string("Error: SDL Eventhread cannot not be initialized: ") +
                          SDL_GetError());
    }
}

template <typename T>
void destroy(T*& pointer) {
    delete pointer;
    pointer = nullptr;
}

}  // namespace

Engine::Engine() {
    createManagers();
}

Engine::~Engine() {
    destroyManagers();
}

void Engine::createManagers() {
    graphicsCore = nullptr;
    textureManager = nullptr;
    windowManager = nullptr;
    eventManager = nullptr;
    utils = nullptr;
    soundManager = nullptr;
    shaderManager = nullptr;
    camera = nullptr;
    cameraManager = nullptr;
    fontManager = nullptr;
    logger = nullptr;
    lightManager = nullptr;
    gameObjectManager = nullptr;
    showFps = false;

    console::outLine("");
    console::outLine("Varno Engine version 0.02...");
    console::outLine("");

    startStep(graphicsCore, "Initialize Graphics Core...", "Unable to initialize Graphics Core!",
              true, true, make<GraphicsCore>);
    startStep(textureManager, "Initialize Texture Manager...",
              "Unable to initialize Texture Manager Core!", true, true, make<TextureManager>);
    startStep(windowManager, "Initialize Window Manager...",
              "Unable to initialize Window Manager Core!", true, true, make<WindowManager>);
    startStep(eventManager, "Initialize Event Manager...", "Unable to initialize Event Manager!",
              true, true, [] {
                  initEventThread();
                  return new EventManager();
              });
    startStep(utils, "Initialize Utils...", "Unable to initialize Utils!", true, true, make<Utils>);
    startStep(soundManager, "Initialize Sound Manager...", "Unable to initialize Sound Manager!",
              true, false, make<SoundManager>);
    startStep(shaderManager, "Initialize Shader Manager...", "Unable to initialize Shader Unit!",
              true, false, make<ShaderManager>);
    startStep(camera, "Initialize the Camera...", "Unable to initialize the Camera Unit!", true,
              false, make<Camera>);
    startStep(cameraManager, "Initialize the Camera Manager...",
              "Unable to initialize the Camera Manager Core!", true, true, make<CameraManager>);
    startStep(fontManager, "Initialize the Font Manager...",
              "Unable to initialize the Font Manager Core!", true, true, make<FontManager>);
    startStep(logger, "Initialize the Logger...", "Warnig: Unable to initialize the Logger!", false,
              true, make<Logger>);
    startStep(lightManager, "Initialize the Light Manager...",
              "Warnig: Unable to initialize the Light Manager!", true, true, make<LightManager>);
    startStep(gameObjectManager, "Initialize the 3D Game Object Manager...",
              "Warnig: Unable to initialize the 3D Game Object Manager!", true, true,
              make<GameObjectManager>);
}

void Engine::destroyManagers() {
    destroy(graphicsCore);
    destroy(fontManager);
    destroy(utils);
    destroy(textureManager);
    destroy(windowManager);
    destroy(eventManager);
    destroy(soundManager);
    destroy(shaderManager);
    destroy(camera);
    destroy(cameraManager);
    destroy(logger);
    destroy(lightManager);
    destroy(gameObjectManager);
}

void Engine::setShowFps(bool flag) {
    showFps = (flag == true);
}

void Engine::startVideo(int width, int height, int bitsPerPixel, bool fullscreen, bool use2D) {
    graphicsCore->initVideo(width, height, bitsPerPixel, fullscreen, use2D);

    console::outLine("");
    console::outLine("Detected Video Card Vendor: " + graphicsCore->getVendor());
    console::outLine("Detected Renderer: " + graphicsCore->getRenderer());
    console::outLine("Detected OpenGL version: " + graphicsCore->getVersion());

    shaderManager->loadBuiltInShaders();
    // Fonts draw through shader 0, so they load after the shaders.
    fontManager->loadFont("Data/Font/font.tga");
}

void Engine::renderFrame() {
    eventManager->update();
    gameObjectManager->renderFrame();

    graphicsCore->begin2D();
    glLoadIdentity();
    windowManager->updateAll();

    if (graphicsCore->isPointerDrawn()) {
        graphicsCore->drawMousePointer();
    }

    // The frame time that animations use is measured here, so it only
    // advances while the frame rate is shown.
    if (showFps) {
        utils->updateFrameTiming();
        fontManager->getFont(1)->printDefault(1, 1, 0, "Current FPS %d", utils->getFps());
    }

    cameraManager->applyCurrent();

    if (graphicsCore->isMode3D()) {
        graphicsCore->end2D();
    }
#ifndef NDEBUG
    reportGlErrors();
#endif
}
