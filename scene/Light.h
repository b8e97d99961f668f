// One light: position, colours, and its own projection and view matrices (the
// light seen as a camera looking at the origin). Every light drives OpenGL's
// fixed-function light 0; shaders see it through that built-in state.
#pragma once

#include "math/Matrix4.h"

class Light {
public:
    Light();
    Light(const float position[4], const float diffuse[4], const float ambient[4],
          const float specular[4]);

    // Stores all four and recomputes the matrices; sends nothing to GL.
    void setAll(const float position[4], const float diffuse[4], const float ambient[4],
                const float specular[4]);
    // Sends the light to GL_LIGHT0 and turns lighting on.
    void enable();
    // Turns GL_LIGHT0 and lighting off.
    void disable();
    bool isEnabled() const { return enabled; }

    // x, y, z, w (w = 0: directional).
    const float* position() const { return position_; }
    const float* diffuse() const { return diffuse_; }
    const float* ambient() const { return ambient_; }
    const float* specular() const { return specular_; }

    // Also tells the game object manager that shadows must be rebuilt.
    void setPosition(float x, float y, float z, float w);
    void setDiffuse(float r, float g, float b, float a);
    // With send false the colour is only stored, for a later enable().
    void setAmbient(float r, float g, float b, float a, bool send = true);
    void setSpecular(float r, float g, float b, float a);

    Matrix4 projectionMatrix() const { return projection; }
    Matrix4 viewMatrix() const { return view; }

private:
    // gluPerspective(45, 1, 1, 500) and gluLookAt(position -> origin), read
    // back from the model-view stack.
    void computeMatrices();

    float position_[4];
    float diffuse_[4];
    float ambient_[4];
    float specular_[4];
    Matrix4 projection;
    Matrix4 view;
    bool enabled;
};
