#include "platform/Utils.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Console.h"
#include "core/Engine.h"
#include "image/ImageFormat.h"
#include "image/ImageLoaders.h"
#include "image/TextureUpload.h"
#include "platform/GraphicsCore.h"
#include "render/GlState.h"

Utils::Utils()
    : fps(0),
      frameTime(0.0),
      captionText(),
      ticks(SDL_GetTicks),
      previousTime(0.0f),
      lastCaptionTime(0.0f),
      frameCount(0.0f),
      captionShown(false) {}

void Utils::updateFrameTiming() {
    float now = float(ticks()) * 0.001f;
    frameTime = now - previousTime;
    previousTime = now;
    frameCount += 1.0f;

    // The caption first shows on the very first frame, then once more than a
    // second has passed since it last changed.
    if (!captionShown || now - lastCaptionTime > 1.0f) {
        captionShown = true;
        lastCaptionTime = now;
        fps = int(frameCount);
        std::snprintf(captionText, sizeof captionText, " Current FPS: %d", fps);
        if (Engine::graphicsCore != nullptr) {
            std::string caption = Engine::graphicsCore->getCaption() + captionText;
            SDL_WM_SetCaption(caption.c_str(), nullptr);
        }
        frameCount = 0.0f;
    }
}

void Utils::drawGrid(float x, float y, float z) {
    glDisable(GL_TEXTURE_2D);
    gl::ScopedMatrix placed;
    glTranslatef(x, y, z);
    glColor3f(0.5f, 0.5f, 0.5f);
    glBegin(GL_LINES);
    for (int i = -30; i <= 30; ++i) {
        float f = float(i);
        glVertex3f(f, 0.0f, -30.0f);
        glVertex3f(f, 0.0f, 30.0f);
        glVertex3f(30.0f, 0.0f, f);
        glVertex3f(-30.0f, 0.0f, f);
    }
    glEnd();
}

void Utils::drawColorCube(float x, float y, float z) {
    struct Face {
        float color[3];
        float corners[4][3];
    };
    static const Face faces[] = {
        {{0.0f, 1.0f, 0.0f}, {{1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}}},      // top
        {{1.0f, 0.5f, 0.0f}, {{1, -1, 1}, {-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}}},  // bottom
        {{1.0f, 0.0f, 0.0f}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},      // front
        {{1.0f, 1.0f, 0.0f}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},  // back
        {{0.0f, 0.0f, 1.0f}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},  // left
        {{1.0f, 0.0f, 1.0f}, {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}}},      // right
    };
    glDisable(GL_TEXTURE_2D);
    gl::ScopedMatrix placed;
    glTranslatef(x, y, z);
    glBegin(GL_QUADS);
    for (const Face& face : faces) {
        glColor3fv(face.color);
        for (const auto& corner : face.corners) {
            glVertex3fv(corner);
        }
    }
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
}

void Utils::drawQuad(float x, float y, float z) {
    glDisable(GL_TEXTURE_2D);
    gl::ScopedMatrix placed;
    glTranslatef(x, y, z);
    glColor3f(0.3f, 1.0f, 0.2f);
    glBegin(GL_QUADS);
    glVertex3f(-1.0f, -1.0f, 1.0f);
    glVertex3f(1.0f, -1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, 1.0f);
    glEnd();
}

void Utils::drawAxes() {
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(10.0f, 0.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 10.0f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 10.0f);
    glEnd();
}

namespace {

// Repeat wrapping, linear filtering and, where the driver has it, the
// strongest anisotropic filtering, on the bound texture.
void setSdlTextureParameters() {
    bool anisotropic = Engine::graphicsCore != nullptr && Engine::graphicsCore->hasAnisotropic();
    GLfloat maxAnisotropy = 1.0f;
    if (anisotropic) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (anisotropic) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
    }
}

}  // namespace

unsigned Utils::loadImageByExtension(const char* fileName) {
    switch (chooseImageFormat(fileName)) {
        case ImageFormat::Bmp:
            return loadBmp(fileName);
        case ImageFormat::Pcx:
            return loadPcx(fileName);
        case ImageFormat::Dds:
            return loadDds(fileName);
        case ImageFormat::Jpeg:
            return loadJpeg(fileName, 1);
        case ImageFormat::Sdl:
            break;
    }
    SDL_Surface* surface = IMG_Load(fileName);
    if (surface == nullptr) {
        console::errLine(std::string("\nFailed to load the image: ") + fileName);
        return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setSdlTextureParameters();
    buildMipmapsFromSurface(surface);
    return name;
}

unsigned Utils::loadBmpThroughSdl(const char* fileName) {
    console::outLine(std::string("Loading Texture: ") + fileName);
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromFile(fileName, "rb"), 1);
    if (surface == nullptr) {
        console::errLine(std::string(" Failed loading ") + fileName + " : " + SDL_GetError());
        console::outLine(std::string("Failed to load the image: ") + fileName +
                         ", Error: " + SDL_GetError());
        return 0;
    }
    // SDL gives rows top-down, each `pitch` bytes long: turn them into RGB
    // rows bottom-up, as the other loaders deliver them.
    const int w = surface->w;
    const int h = surface->h;
    const int bytesPerPixel = surface->format->BytesPerPixel;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    SDL_LockSurface(surface);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) +
                             size_t(h - 1 - y) * size_t(surface->pitch);
        uint8_t* out = rgb.data() + size_t(y) * size_t(w) * 3;
        for (int x = 0; x < w; ++x) {
            Uint32 value = 0;
            for (int b = 0; b < bytesPerPixel; ++b) {
                value |= Uint32(row[x * bytesPerPixel + b]) << (8 * b);
            }
            SDL_GetRGB(value, surface->format, &out[0], &out[1], &out[2]);
            out += 3;
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    uploadPackedRows(GL_RGB, 3, w, h, rgb.data(), true);
    setSdlTextureParameters();
    return name;
}
