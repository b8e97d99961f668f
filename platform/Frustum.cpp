#include "platform/Frustum.h"

#include <GL/glew.h>

#include <cmath>

void Frustum::calculate() {
    float p[16];
    float v[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, v);
    float m[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[4 * i + j] = v[4 * i + 0] * p[j] + v[4 * i + 1] * p[4 + j] + v[4 * i + 2] * p[8 + j] +
                           v[4 * i + 3] * p[12 + j];
        }
    }
    setFromMatrix(m);
}

void Frustum::setFromMatrix(const float m[16]) {
    // Each plane is the fourth row of the clip matrix plus or minus one of
    // the other rows.
    static const struct {
        int row;
        float sign;
    } kPlanes[6] = {{0, -1.0f}, {0, 1.0f}, {1, 1.0f}, {1, -1.0f}, {2, -1.0f}, {2, 1.0f}};
    for (int i = 0; i < 6; ++i) {
        float* plane = planes[i];
        for (int k = 0; k < 4; ++k) {
            plane[k] = m[4 * k + 3] + kPlanes[i].sign * m[4 * k + kPlanes[i].row];
        }
        float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        for (int k = 0; k < 4; ++k) {
            plane[k] /= length;
        }
    }
}

bool Frustum::pointInFrustum(float x, float y, float z) const {
    for (int i = 0; i < 6; ++i) {
        if (distance(i, x, y, z) <= 0.0f) {
            return false;
        }
    }
    return true;
}

bool Frustum::sphereInFrustum(float x, float y, float z, float radius) const {
    for (int i = 0; i < 6; ++i) {
        if (distance(i, x, y, z) <= -radius) {
            return false;
        }
    }
    return true;
}

bool Frustum::cubeInFrustum(float x, float y, float z, float size) const {
    for (int i = 0; i < 6; ++i) {
        bool passed = false;
        for (int corner = 0; corner < 8 && !passed; ++corner) {
            float cx = corner & 1 ? x + size : x - size;
            float cy = corner & 2 ? y + size : y - size;
            float cz = corner & 4 ? z + size : z - size;
            passed = distance(i, cx, cy, cz) > 0.0f;
        }
        if (!passed) {
            return false;
        }
    }
    return true;
}

FrustumResult Frustum::boxInFrustum(float x1, float y1, float z1, float x2, float y2,
                                    float z2) const {
    bool intersects = false;
    for (int i = 0; i < 6; ++i) {
        int front = 0;
        int behind = 0;
        for (int corner = 0; corner < 8 && (front == 0 || behind == 0); ++corner) {
            float cx = corner & 1 ? x2 : x1;
            float cy = corner & 2 ? y2 : y1;
            float cz = corner & 4 ? z2 : z1;
            if (distance(i, cx, cy, cz) >= 0.0f) {
                ++front;
            } else {
                ++behind;
            }
        }
        if (front == 0) {
            return OUTSIDE;
        }
        if (behind > 0) {
            intersects = true;
        }
    }
    return intersects ? INTERSECT : INSIDE;
}
