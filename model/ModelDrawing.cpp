#include "model/ModelDrawing.h"

#include <GL/glew.h>

#include "core/Engine.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"

void Placement::push() const {
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(angle, axis.x, axis.y, axis.z);
    glScalef(scale.x, scale.y, scale.z);
}

void drawBoxEdges(const Vector3& min, const Vector3& max) {
    const float x[2] = {min.x, max.x};
    const float y[2] = {min.y, max.y};
    const float z[2] = {min.z, max.z};
    glBegin(GL_LINES);
    // Four edges along each axis.
    for (int i = 0; i < 4; ++i) {
        const int a = i & 1;
        const int b = (i >> 1) & 1;
        glVertex3f(x[0], y[a], z[b]);
        glVertex3f(x[1], y[a], z[b]);
        glVertex3f(x[a], y[0], z[b]);
        glVertex3f(x[a], y[1], z[b]);
        glVertex3f(x[a], y[b], z[0]);
        glVertex3f(x[a], y[b], z[1]);
    }
    glEnd();
}

bool boxVisible(const Placement& placement, const Vector3& min, const Vector3& max) {
    const Vector3 worldMin = placement.carry(min);
    const Vector3 worldMax = placement.carry(max);
    return Engine::camera->getFrustum()->boxInFrustum(
               worldMin.x, worldMin.y, worldMin.z, worldMax.x, worldMax.y, worldMax.z) != OUTSIDE;
}

void renderShadowStencil(const std::function<void()>& drawVolumes) {
    if (Engine::graphicsCore->hasTwoSidedStencil()) {
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
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!Engine::graphicsCore->hasTwoSidedStencil()) {
        glDisable(GL_CULL_FACE);
    }
}
