/// \file
/// Scoped OpenGL state: each helper changes one piece of fixed-function state
/// for the block it lives in and puts back what it found when the block ends,
/// however the block is left. Code that changes state for itself uses these
/// instead of bare push/pop or enable/disable pairs.
#pragma once

#include <GL/glew.h>

#include "base/NonCopyable.h"

namespace gl {

/// Pushes the matrix stack of `mode` and pops it on exit. The matrix mode that
/// was current when the scope began is current again afterwards.
class ScopedMatrix : NonCopyable {
public:
    /// Pushes the stack of `mode` (GL_MODELVIEW, GL_PROJECTION or GL_TEXTURE).
    explicit ScopedMatrix(GLenum mode = GL_MODELVIEW) : mode(mode) {
        glGetIntegerv(GL_MATRIX_MODE, &previousMode);
        glMatrixMode(mode);
        glPushMatrix();
        glMatrixMode(static_cast<GLenum>(previousMode));
    }
    ~ScopedMatrix() {
        glMatrixMode(mode);
        glPopMatrix();
        glMatrixMode(static_cast<GLenum>(previousMode));
    }

private:
    GLenum mode;
    GLint previousMode = GL_MODELVIEW;
};

/// Sets one capability on or off and restores its previous setting on exit.
class ScopedEnable : NonCopyable {
public:
    /// Enables (`on`) or disables `capability` until the scope ends.
    explicit ScopedEnable(GLenum capability, bool on = true)
        : capability(capability), wasOn(glIsEnabled(capability) == GL_TRUE) {
        set(on);
    }
    ~ScopedEnable() { set(wasOn); }

private:
    void set(bool on) const {
        if (on) {
            glEnable(capability);
        } else {
            glDisable(capability);
        }
    }
    GLenum capability;
    bool wasOn;
};

/// Sets the polygon mode of both faces and restores the previous front and
/// back modes on exit.
class ScopedPolygonMode : NonCopyable {
public:
    /// Sets `mode` (GL_FILL, GL_LINE or GL_POINT) for both faces.
    explicit ScopedPolygonMode(GLenum mode) {
        glGetIntegerv(GL_POLYGON_MODE, previous);
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
    ~ScopedPolygonMode() {
        glPolygonMode(GL_FRONT, static_cast<GLenum>(previous[0]));
        glPolygonMode(GL_BACK, static_cast<GLenum>(previous[1]));
    }

private:
    GLint previous[2] = {GL_FILL, GL_FILL};
};

/// Saves the attribute groups in `mask` on GL's attribute stack and restores
/// them on exit: for blocks that change many related states at once.
class ScopedAttributes : NonCopyable {
public:
    /// Pushes the attribute groups in `mask` (glPushAttrib bits).
    explicit ScopedAttributes(GLbitfield mask) { glPushAttrib(mask); }
    ~ScopedAttributes() { glPopAttrib(); }
};

}  // namespace gl
