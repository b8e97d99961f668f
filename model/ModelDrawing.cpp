#include "model/ModelDrawing.h"

#include <GL/glew.h>

#include "core/Engine.h"
#include "platform/Camera.h"

void Placement::apply() const {
    glTranslatef(position_.x, position_.y, position_.z);
    glRotatef(angle_, axis_.x, axis_.y, axis_.z);
    glScalef(scale_.x, scale_.y, scale_.z);
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
