#include "platform/Utils.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <string>

#include "base/Console.h"
#include "core/Engine.h"
#include "image/ImageLoaders.h"
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

namespace {

// The debugging shapes are drawn untextured, moved to (x, y, z); the
// model-view matrix comes back afterwards.
template <typename Draw>
void drawUntexturedAt(float x, float y, float z, Draw draw) {
    glDisable(GL_TEXTURE_2D);
    gl::ScopedMatrix placed;
    glTranslatef(x, y, z);
    draw();
}

}  // namespace

void Utils::drawGrid(float x, float y, float z) {
    drawUntexturedAt(x, y, z, [] {
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
    });
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
    drawUntexturedAt(x, y, z, [] {
        glBegin(GL_QUADS);
        for (const Face& face : faces) {
            glColor3fv(face.color);
            for (const auto& corner : face.corners) {
                glVertex3fv(corner);
            }
        }
        glEnd();
    });
    glColor3f(1.0f, 1.0f, 1.0f);
}

void Utils::drawQuad(float x, float y, float z) {
    drawUntexturedAt(x, y, z, [] {
        glColor3f(0.3f, 1.0f, 0.2f);
        glBegin(GL_QUADS);
        glVertex3f(-1.0f, -1.0f, 1.0f);
        glVertex3f(1.0f, -1.0f, 1.0f);
        glVertex3f(1.0f, 1.0f, 1.0f);
        glVertex3f(-1.0f, 1.0f, 1.0f);
        glEnd();
    });
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

bool driverHasAnisotropy() {
    return Engine::graphicsCore != nullptr && Engine::graphicsCore->hasAnisotropic();
}

}  // namespace

unsigned Utils::loadImageByExtension(const char* fileName) {
    return loadTextureByExtension(fileName, driverHasAnisotropy());
}

unsigned Utils::loadBmpThroughSdl(const char* fileName) {
    return loadBmpTextureThroughSdl(fileName, driverHasAnisotropy());
}
