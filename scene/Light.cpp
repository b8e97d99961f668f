#include "scene/Light.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>

#include "core/Engine.h"
#include "render/GlState.h"
#include "scene/GameObjectManager.h"

namespace {

void copy4(float* to, const float* from) {
    std::copy(from, from + 4, to);
}

void set4(float* to, float a, float b, float c, float d) {
    to[0] = a;
    to[1] = b;
    to[2] = c;
    to[3] = d;
}

}  // namespace

Light::Light() : enabled(false) {
    set4(position_, 0.0f, 190.0f, 0.0f, 1.0f);
    set4(diffuse_, 0.8f, 0.8f, 0.8f, 0.0f);
    set4(ambient_, 0.8f, 0.8f, 0.8f, 1.0f);
    set4(specular_, 0.6f, 0.6f, 0.6f, 1.0f);
    computeMatrices();
}

Light::Light(const float position[4], const float diffuse[4], const float ambient[4],
             const float specular[4])
    : enabled(false) {
    setAll(position, diffuse, ambient, specular);
}

void Light::setAll(const float position[4], const float diffuse[4], const float ambient[4],
                   const float specular[4]) {
    enabled = false;
    copy4(position_, position);
    copy4(diffuse_, diffuse);
    copy4(ambient_, ambient);
    copy4(specular_, specular);
    computeMatrices();
}

void Light::enable() {
    enabled = true;
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular_);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse_);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient_);
    glLightfv(GL_LIGHT0, GL_POSITION, position_);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void Light::disable() {
    enabled = false;
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

void Light::setPosition(float x, float y, float z, float w) {
    set4(position_, x, y, z, w);
    glLightfv(GL_LIGHT0, GL_POSITION, position_);
    if (Engine::gameObjectManager != nullptr) {
        Engine::gameObjectManager->setLightChanged(true);
    }
    computeMatrices();
}

void Light::setDiffuse(float r, float g, float b, float a) {
    set4(diffuse_, r, g, b, a);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse_);
}

void Light::setAmbient(float r, float g, float b, float a, bool send) {
    set4(ambient_, r, g, b, a);
    if (send) {
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient_);
    }
}

void Light::setSpecular(float r, float g, float b, float a) {
    set4(specular_, r, g, b, a);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular_);
}

void Light::computeMatrices() {
    // The matrices are read back from the model-view stack, whichever matrix
    // the caller had selected.
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    {
        const gl::ScopedMatrix scratch(GL_MODELVIEW);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluPerspective(45.0, 1.0, 1.0, 500.0);
        glGetFloatv(GL_MODELVIEW_MATRIX, projection.data());
        glLoadIdentity();
        gluLookAt(position_[0], position_[1], position_[2], 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        glGetFloatv(GL_MODELVIEW_MATRIX, view.data());
    }
    glMatrixMode(GLenum(mode));
}
