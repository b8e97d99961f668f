/// \file
/// One light: position, colours, and its own projection and view matrices (the
/// light seen as a camera looking at the origin). Every light drives OpenGL's
/// fixed-function light 0; shaders see it through that built-in state.
#pragma once

#include "math/Matrix4.h"

/// A light with its colours and the matrices of its view of the scene.
class Light {
public:
    /// A switched-off light at (0, 190, 0) with grey colours. Needs a current
    /// GL context: the matrices are computed with GL's matrix stack.
    Light();
    /// A switched-off light with the given position (x, y, z, w) and colours
    /// (r, g, b, a).
    Light(const float position[4], const float diffuse[4], const float ambient[4],
          const float specular[4]);

    /// Stores all four, marks the light off and recomputes the matrices;
    /// sends nothing to GL.
    void setAll(const float position[4], const float diffuse[4], const float ambient[4],
                const float specular[4]);
    /// Sends the light to GL_LIGHT0 and turns lighting on.
    void enable();
    /// Turns GL_LIGHT0 and lighting off.
    void disable();
    /// Whether enable() was the last of enable() and disable() called.
    bool isEnabled() const { return enabled; }

    /// x, y, z, w (w = 0: directional).
    const float* position() const { return position_; }
    /// The diffuse colour, r, g, b, a.
    const float* diffuse() const { return diffuse_; }
    /// The ambient colour, r, g, b, a.
    const float* ambient() const { return ambient_; }
    /// The specular colour, r, g, b, a.
    const float* specular() const { return specular_; }

    /// Moves the light, sends the position to GL_LIGHT0, recomputes the
    /// matrices and tells the game object manager that shadows must be rebuilt.
    void setPosition(float x, float y, float z, float w);
    /// Stores the diffuse colour and sends it to GL_LIGHT0.
    void setDiffuse(float r, float g, float b, float a);
    /// Stores the ambient colour and sends it to GL_LIGHT0; with send false it
    /// is only stored, for a later enable().
    void setAmbient(float r, float g, float b, float a, bool send = true);
    /// Stores the specular colour and sends it to GL_LIGHT0.
    void setSpecular(float r, float g, float b, float a);

    /// The light's projection: 45 degrees, aspect 1, near 1, far 500.
    Matrix4 projectionMatrix() const { return projection; }
    /// The light's view: from its position towards the origin, Y up.
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
