#include "image/Texture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>

#include "base/Console.h"
#include "core/Engine.h"
#include "image/TextureUpload.h"
#include "image/TextureManager.h"
#include "shader/Shader.h"
#include "shader/ShaderManager.h"

namespace {

const TextureRegion kWholeImage = {1.0f, 1.0f, 0.0f, 0.0f};

}  // namespace

Texture::Texture()
    : x(0.0f), y(0.0f), glName(0), width(0.0f), height(0.0f), alpha(1.0f), shader(nullptr) {}

Texture::Texture(const std::string& path) : Texture() {
    alpha = 1.0f;
    load(path);
}

Texture::Texture(const std::string& path, float alphaValue) : Texture() {
    load(path);
    alpha = alphaValue;
}

Texture::~Texture() {
    // The manager lists textures without owning them: a texture going away
    // takes itself off the list, so the list never points at freed memory.
    if (Engine::textureManager != nullptr) {
        Engine::textureManager->forgetTexture(this);
    }
}

void Texture::load(const std::string& path) {
    console::outLine("Loading Texture: " + path);
    SDL_Surface* surface = IMG_Load(path.c_str());
    if (surface == nullptr) {
        console::outLine("Failed to load the image: " + path + ", Error: " + SDL_GetError());
        return;
    }
    name = path;
    createFromSurface(surface);
}

void Texture::createFromSurface(SDL_Surface* surface) {
    if (surface == nullptr) {
        return;
    }
    TextureParameters parameters;
    parameters.wrap = GL_REPEAT;
    glName = newTexture(parameters);
    width = float(surface->w);
    height = float(surface->h);
    uploadSurface(surface);

    // Every uploaded image draws through the simple texture program, which
    // applies the draw colour.
    if (Engine::shaderManager != nullptr && Engine::shaderManager->getShaderCount() > 0) {
        shader = Engine::shaderManager->getShader(0);
    }
    if (Engine::textureManager != nullptr) {
        Engine::textureManager->addTexture(this);
    }
}

void Texture::applyRotation(float angle, const TextureRegion& region) {
    // Turns the quad about its own centre (in image pixels), so a rotated
    // image stays where it was placed.
    if (angle == 0.0f) {
        return;
    }
    float cx = (region.right - region.left) * 0.5f * width;
    float cy = (region.top - region.bottom) * 0.5f * height;
    glTranslatef(cx, cy, 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glTranslatef(-cx, -cy, 0.0f);
}

void Texture::beginQuad(float px, float py, float scale, float angle, const TextureRegion& region,
                        float r, float g, float b, float a) {
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, glName);
    glTranslatef(px, py, 0.0f);
    if (scale != 1.0f) {
        glScalef(scale, scale, 0.0f);
    }
    applyRotation(angle, region);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    if (shader != nullptr) {
        shader->bind();
        glUniform4fARB(glGetUniformLocationARB(shader->getProgram(), "colors"), r, g, b, a);
    }
}

void Texture::endQuad() {
    Shader::unbind();
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void Texture::drawAt(float px, float py, float scale, float angle, float r, float g, float b,
                     float a) {
    // An image that never loaded has nothing to show.
    if (glName == 0) {
        return;
    }
    beginQuad(px, py, scale, angle, kWholeImage, r, g, b, a);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, height);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(width, height);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(width, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glEnd();
    endQuad();
}

void Texture::drawAtOwnPosition(float scale, float angle, float r, float g, float b, float a) {
    drawAt(x, y, scale, angle, r, g, b, a);
}

void Texture::drawWithOwnAlpha(float px, float py, float scale, float angle, float r, float g,
                               float b) {
    drawAt(px, py, scale, angle, r, g, b, alpha);
}

void Texture::drawRegion(float px, float py, const TextureRegion& region, float scale, float angle,
                         float r, float g, float b, float a) {
    if (glName == 0) {
        return;
    }
    float w = (region.right - region.left) * width;
    float h = (region.top - region.bottom) * height;
    beginQuad(px, py, scale, angle, region, r, g, b, a);
    glBegin(GL_QUADS);
    glTexCoord2f(region.left, 1.0f - region.top);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(region.right, 1.0f - region.top);
    glVertex2f(w, 0.0f);
    glTexCoord2f(region.right, 1.0f - region.bottom);
    glVertex2f(w, h);
    glTexCoord2f(region.left, 1.0f - region.bottom);
    glVertex2f(0.0f, h);
    glEnd();
    endQuad();
}

void Texture::bindToUnit(int unit) {
    glActiveTextureARB(GLenum(GL_TEXTURE0_ARB + unit));
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
