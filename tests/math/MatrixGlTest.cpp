// Matrix4's builders and product compared with what the GL matrix stack
// (llvmpipe in CI) builds from the same arguments.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "math/Matrix4.h"
#include "tests/GlTestSupport.h"

namespace {

// The modelview matrix GL builds from the identity with `apply`; the stack and
// the matrix mode are left as they were.
Matrix4 glMatrix(const std::function<void()>& apply) {
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    apply();
    Matrix4 m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.entries);
    glPopMatrix();
    glMatrixMode(mode);
    return m;
}

void expectSameMatrix(const Matrix4& expected, const Matrix4& actual, const char* name) {
    for (int i = 0; i < 16; ++i) {
        const double tolerance = 1e-5 * std::max(1.0, std::fabs(double(expected.entries[i])));
        EXPECT_NEAR(expected.entries[i], actual.entries[i], tolerance) << name << ", entry " << i;
    }
}

Matrix4 built(const std::function<void(Matrix4&)>& build) {
    Matrix4 m;
    build(m);
    return m;
}

TEST(MatrixGlTest, BuildersMatchTheGlMatrixStack) {
    ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
    struct Case {
        const char* name;
        std::function<void()> gl;
        std::function<void(Matrix4&)> ours;
    } cases[] = {
        {"axis", [] { glRotatef(47, 1, 2, 3); },
         [](Matrix4& m) { m.setRotationAxis(47, Vector3(1, 2, 3)); }},
        {"x", [] { glRotatef(-30, 1, 0, 0); }, [](Matrix4& m) { m.setRotationX(-30); }},
        {"y", [] { glRotatef(125, 0, 1, 0); }, [](Matrix4& m) { m.setRotationY(125); }},
        {"z", [] { glRotatef(300, 0, 0, 1); }, [](Matrix4& m) { m.setRotationZ(300); }},
        {"translation", [] { glTranslatef(1.5f, -2, 7); },
         [](Matrix4& m) { m.setTranslation(Vector3(1.5f, -2, 7)); }},
        {"scale", [] { glScalef(2, -3, 0.5f); },
         [](Matrix4& m) { m.setScale(Vector3(2, -3, 0.5f)); }},
        {"frustum", [] { glFrustum(-1, 2, -0.5, 1.5, 0.3, 50); },
         [](Matrix4& m) { m.setFrustum(-1, 2, -0.5f, 1.5f, 0.3f, 50); }},
        {"ortho", [] { glOrtho(-2, 3, -1, 4, 0.1, 100); },
         [](Matrix4& m) { m.setOrtho(-2, 3, -1, 4, 0.1f, 100); }},
        {"perspective", [] { gluPerspective(60, 4.0 / 3.0, 0.1, 1000); },
         [](Matrix4& m) { m.setPerspective(60, 4.0f / 3.0f, 0.1f, 1000); }},
    };
    for (const Case& c : cases) {
        expectSameMatrix(glMatrix(c.gl), built(c.ours), c.name);
    }
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST(MatrixGlTest, ProductMatchesGlMultMatrix) {
    Matrix4 rigid;
    rigid.setRotationAxis(33, Vector3(-1, 0.5f, 2));
    rigid.setTranslationPart(Vector3(3, -4, 5));
    const Matrix4 general(1, 0.5f, -2, 0.25f, 3, 1, 0.5f, -1, 0, 2, 1, 0.5f, 4, -3, 2, 2);
    // Every pairing of affine and non-affine operands.
    const Matrix4* operands[] = {&rigid, &general};
    for (const Matrix4* a : operands) {
        for (const Matrix4* b : operands) {
            const Matrix4 expected = glMatrix([&] {
                glMultMatrixf(a->data());
                glMultMatrixf(b->data());
            });
            expectSameMatrix(expected, *a * *b, "product");
        }
    }
}

}  // namespace
