#include "platform/GraphicsCore.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdlib>

#include "base/Console.h"
#include "core/Engine.h"
#include "base/EngineError.h"
#include "image/Texture.h"
#include "image/TextureUpload.h"
#include "platform/EventManager.h"

namespace {

std::string glString(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : std::string();
}

// A pointer image that cannot be loaded would leave the application with no
// pointer at all (the system cursor is hidden): stop after the texture's own
// message, which names the file.
std::unique_ptr<Texture> loadPointer(const std::string& path) {
    auto texture = std::make_unique<Texture>(path);
    if (!texture->isLoaded()) {
        SDL_Quit();
        std::exit(1);
    }
    return texture;
}

// Nearest filtering both ways; `wrap` 0 leaves the wrap modes as they are.
TextureParameters nearest(GLint wrap) {
    TextureParameters parameters;
    parameters.minFilter = GL_NEAREST;
    parameters.magFilter = GL_NEAREST;
    parameters.wrap = wrap;
    return parameters;
}

}  // namespace

GraphicsCore::GraphicsCore()
    : videoFlags(0),
      screenWidth(1024),
      screenHeight(768),
      bitsPerPixel(16),
      depthBits(16),
      stencilBits(4),
      twoSidedStencil(false),
      anisotropic(false),
      drawPointer(false),
      currentPointer(nullptr),
      altPointerLoaded(false),
      caption("Varno Engine"),
      wireframe(false),
      mode3D(false),
      shadows(false),
      shadowMapName(0),
      shadowMapW(512),
      shadowMapH(512),
      inside2D(false) {}

GraphicsCore::~GraphicsCore() = default;

void GraphicsCore::initVideo(int width, int height, int bpp, bool fullscreen, bool use2D) {
    screenWidth = width;
    screenHeight = height;
    bitsPerPixel = bpp;
    mode3D = !use2D;

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        throw EngineError(std::string("Error: SDL Could not be initialized: ") + SDL_GetError());
    }
    // SDL is shut down when the process ends; this also gives the desktop its
    // video mode back after a fullscreen run.
    std::atexit(SDL_Quit);

    chooseVideoFlags(fullscreen);

    if (SDL_SetVideoMode(width, height, bpp, videoFlags) == nullptr) {
        throw EngineError(std::string("Error: SDL Could not create Video Surface.") +
                          SDL_GetError());
    }

    if (use2D) {
        begin2D();
    } else {
        setup3D(width, height);
    }

    createShadowMapTexture();
    createWhiteDefaultTexture();

    GLenum status = glewInit();
    if (status != GLEW_OK) {
        console::errLine(std::string("Error: ") +
                         reinterpret_cast<const char*>(glewGetErrorString(status)));
    }
    twoSidedStencil = glewIsSupported("GL_EXT_stencil_two_side");
    anisotropic = glewIsSupported("GL_EXT_texture_filter_anisotropic");
}

void GraphicsCore::chooseVideoFlags(bool fullscreen) {
    videoFlags = SDL_OPENGL | SDL_HWPALETTE;
    if (fullscreen) {
        videoFlags |= SDL_FULLSCREEN;
    }

    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr) {
        std::string message = std::string("Failed getting Video Info : ") + SDL_GetError();
        console::errLine(message);
        SDL_Quit();
        // Without the video information no window can be set up.
        throw EngineError(message);
    }
    if (info->hw_available) {
        videoFlags |= SDL_HWSURFACE;
    }
    if (info->blit_hw) {
        videoFlags |= SDL_HWACCEL;
    }

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
}

void GraphicsCore::createShadowMapTexture() {
    glGenTextures(1, &shadowMapName);
    glBindTexture(GL_TEXTURE_2D, shadowMapName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, shadowMapW, shadowMapH, 0,
                 GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, nullptr);
    setTextureParameters(nearest(GL_CLAMP));
}

void GraphicsCore::createWhiteDefaultTexture() {
    // Texture name 0 becomes one white texel: programs that sample a texture
    // draw untextured geometry (name 0 bound) in its own lit colour instead
    // of black, and fixed-function texturing of it changes nothing.
    const GLubyte white[4] = {255, 255, 255, 255};
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    setTextureParameters(nearest(0));
}

void GraphicsCore::setup3D(int width, int height) {
    int h = height == 0 ? 1 : height;
    glViewport(0, 0, width, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(float(width) / float(h)), 1.0, 1500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_LIGHTING);
}

void GraphicsCore::begin2D() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_SCISSOR_TEST);
    // Wire-frame is for the scene: text, logo and pointer stay filled quads,
    // or the overlay (and the help that says how to leave wire-frame) vanishes.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glMatrixMode(GL_PROJECTION);
    // A window opened for 2D stays inside its overlay block for good and calls
    // begin2D every frame again: the 3D projection is saved only once, so the
    // stack does not overflow.
    if (!inside2D) {
        glPushMatrix();
        inside2D = true;
    }
    glLoadIdentity();
    glOrtho(0.0, screenWidth, screenHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void GraphicsCore::end2D() {
    glMatrixMode(GL_PROJECTION);
    if (inside2D) {
        glPopMatrix();
        inside2D = false;
    }
    // The model-view matrix is not saved by begin2D; it is popped only when
    // something above it was pushed, so an unbalanced pop raises no GL error
    // and the overlay's model-view (with any 2D camera shift) stays in place.
    glMatrixMode(GL_MODELVIEW);
    GLint depth = 1;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    if (depth > 1) {
        glPopMatrix();
    }
    glDepthFunc(GL_LEQUAL);
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
}

void GraphicsCore::setWireframe(bool flag) {
    wireframe = flag;
    glPolygonMode(GL_FRONT_AND_BACK, flag ? GL_LINE : GL_FILL);
}

void GraphicsCore::showCursor(bool flag) {
    SDL_ShowCursor(flag ? SDL_ENABLE : SDL_DISABLE);
}

void GraphicsCore::loadMousePointer(const std::string& path) {
    pointerTexture = loadPointer(path);
    drawPointer = true;
    currentPointer = pointerTexture.get();
    SDL_ShowCursor(SDL_DISABLE);
}

void GraphicsCore::loadAltMousePointer(const std::string& path) {
    altPointerTexture = loadPointer(path);
    altPointerLoaded = true;
}

void GraphicsCore::loadMousePointers(const std::string& path, const std::string& altPath) {
    loadMousePointer(path);
    loadAltMousePointer(altPath);
    currentPointer = pointerTexture.get();
}

void GraphicsCore::selectMousePointer(bool useAlt) {
    currentPointer = useAlt ? altPointerTexture.get() : pointerTexture.get();
}

void GraphicsCore::drawMousePointer() {
    Texture* image = altPointerLoaded ? currentPointer : pointerTexture.get();
    if (image == nullptr) {
        return;
    }
    image->drawAt(float(Engine::eventManager->getMouseX()),
                  float(Engine::eventManager->getMouseY()), 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void GraphicsCore::setCaption(const std::string& text) {
    caption = text;
    SDL_WM_SetCaption(caption.c_str(), "");
}

std::string GraphicsCore::getVendor() const {
    return glString(GL_VENDOR);
}
std::string GraphicsCore::getRenderer() const {
    return glString(GL_RENDERER);
}
std::string GraphicsCore::getVersion() const {
    return glString(GL_VERSION);
}
