#include "scene/StencilShadows.h"

#include <GL/glew.h>

#include "model/ShadowVolume.h"
#include "render/GlState.h"

void drawShadowVolume(const ShadowVolume& volume) {
    const uint32_t count = volume.vertexCount();
    if (count == 0) {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    for (uint32_t k = 0; k + 2 < count; k += 3) {
        for (uint32_t corner = k; corner < k + 3; ++corner) {
            const Vector3& v = volume.vertices()[corner];
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void renderShadowStencil(const std::vector<const ShadowVolume*>& volumes, bool twoSided) {
    const auto drawVolumes = [&volumes] {
        for (const ShadowVolume* volume : volumes) {
            drawShadowVolume(*volume);
        }
    };
    if (twoSided) {
        glDepthMask(GL_FALSE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_CULL_FACE);
        glEnable(GL_STENCIL_TEST);
        glEnable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        glActiveStencilFaceEXT(GL_BACK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR_WRAP_EXT);
        glStencilMask(~0u);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        glActiveStencilFaceEXT(GL_FRONT);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR_WRAP_EXT);
        glStencilMask(~0u);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        drawVolumes();
    } else {
        // A two-sided pass before leaves the extension on; its back-face
        // operations would otherwise still apply to these passes.
        if (GLEW_EXT_stencil_two_side) {
            glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        }
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        drawVolumes();
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
        glCullFace(GL_BACK);
        drawVolumes();
    }
    // The state the rest of the frame expects; two-sided mode stays on.
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!twoSided) {
        glDisable(GL_CULL_FACE);
    }
}

void darkenShadowedPixels() {
    glMatrixMode(GL_MODELVIEW);
    const gl::ScopedMatrix view(GL_MODELVIEW);
    glLoadIdentity();
    const gl::ScopedMatrix projection(GL_PROJECTION);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glEnable(GL_BLEND);
    // Every covered pixel whose count is not zero keeps half its colour.
    glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glMatrixMode(GL_MODELVIEW);
}
