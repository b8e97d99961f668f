#include "platform/GraphicsCore.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/Engine.h"
#include "image/Texture.h"
#include "platform/EventManager.h"
#include "tests/GlTestSupport.h"

namespace {

void expectMatrix(GLenum which, const double expected[16], double tolerance) {
    float m[16];
    glGetFloatv(which, m);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(m[i], expected[i], tolerance) << "element " << i;
    }
}

// The perspective matrix written out from its definition, column-major.
void perspective(double fovY, double aspect, double zNear, double zFar, double out[16]) {
    const double pi = std::acos(-1.0);
    double f = 1.0 / std::tan(fovY * pi / 360.0);
    for (int i = 0; i < 16; ++i) {
        out[i] = 0.0;
    }
    out[0] = f / aspect;
    out[5] = f;
    out[10] = (zFar + zNear) / (zNear - zFar);
    out[11] = -1.0;
    out[14] = 2.0 * zFar * zNear / (zNear - zFar);
}

GraphicsCore& graphics() {
    return *Engine::graphicsCore;
}

}  // namespace

TEST(GraphicsCore, WindowHasDepthAndStencilAndTheDetectedExtensions) {
    GLint depth = 0;
    GLint stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 16);
    EXPECT_GE(stencil, 4);
    EXPECT_TRUE(graphics().hasTwoSidedStencil());
    EXPECT_TRUE(graphics().hasAnisotropic());
    EXPECT_FALSE(graphics().getVendor().empty());
    EXPECT_TRUE(graphics().isMode3D());
    EXPECT_EQ(SDL_GetVideoSurface()->w, 1024);
    EXPECT_EQ(SDL_GetVideoSurface()->h, 768);
}

TEST(GraphicsCore, Setup3DSetsThePerspectiveAndDepthState) {
    graphics().setup3D(1024, 768);
    double expected[16];
    perspective(45.0, 1024.0 / 768.0, 1.0, 1500.0, expected);
    expectMatrix(GL_PROJECTION_MATRIX, expected, 1e-5);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_ALWAYS);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST(GraphicsCore, Setup3DWithZeroHeightUsesOne) {
    graphics().setup3D(640, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    double expected[16];
    perspective(45.0, 640.0, 1.0, 1500.0, expected);
    expectMatrix(GL_PROJECTION_MATRIX, expected, 1e-5);
    graphics().setup3D(1024, 768);
}

TEST(GraphicsCore, OverlayProjectionCountsPixelsFromTheTopLeftAndIsUndone) {
    graphics().setup3D(1024, 768);
    double perspectiveMatrix[16];
    perspective(45.0, 1024.0 / 768.0, 1.0, 1500.0, perspectiveMatrix);

    graphics().begin2D();
    // glOrtho(0, 1024, 768, 0, -1, 1): x to [-1, 1] left to right, y flipped.
    const double ortho[16] = {2.0 / 1024, 0, 0, 0, 0, -2.0 / 768, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1};
    expectMatrix(GL_PROJECTION_MATRIX, ortho, 1e-6);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    graphics().end2D();
    expectMatrix(GL_PROJECTION_MATRIX, perspectiveMatrix, 1e-5);
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    // The model-view matrix was never pushed: leaving the overlay must not
    // underflow its stack.
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(GraphicsCore, RepeatedOverlayStartsDoNotGrowTheProjectionStack) {
    glGetError();
    for (int i = 0; i < 40; ++i) {
        graphics().begin2D();
    }
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    graphics().end2D();
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST(GraphicsCore, WireframeSwitchesThePolygonMode) {
    GLint modes[2];
    graphics().setWireframe(true);
    graphics().setWireframe(true);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_TRUE(graphics().isWireframe());
    // The overlay is drawn filled and the scene's mode comes back after it.
    graphics().begin2D();
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    graphics().end2D();
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    graphics().setWireframe(false);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
}

TEST(GraphicsCore, ShadowMapIsA512DepthTexture) {
    GLuint name = graphics().shadowMapTexture();
    ASSERT_TRUE(glIsTexture(name));
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0;
    GLint height = 0;
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 512);
    EXPECT_EQ(format, GL_DEPTH_COMPONENT);
}

TEST(GraphicsCore, CaptionReachesTheWindow) {
    graphics().setCaption("Varno test caption");
    EXPECT_EQ(graphics().getCaption(), "Varno test caption");
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Varno test caption");
}

TEST(GraphicsCore, MousePointerIsDrawnWithItsTipAtTheMouse) {
    graphics().loadMousePointer("Data/MousePointer.png");
    ASSERT_TRUE(graphics().isPointerDrawn());
    ASSERT_EQ(graphics().getPointerTexture()->getWidth(), 32.0f);
    moveMouseTo(300, 200);

    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    graphics().begin2D();
    glLoadIdentity();
    // Only a primary pointer: asking for the second one still draws the first.
    graphics().selectMousePointer(true);
    graphics().drawMousePointer();
    graphics().end2D();

    auto tip = readPixel(300, 200);     // outline
    auto inside = readPixel(302, 208);  // white body
    auto beside = readPixel(320, 202);  // transparent: background shows
    auto before = readPixel(299, 200);
    EXPECT_EQ(tip[0], 0);
    EXPECT_EQ(tip[2], 0);
    EXPECT_EQ(inside[0], 255);
    EXPECT_EQ(inside[2], 255);
    EXPECT_EQ(beside[0], 0);
    EXPECT_EQ(beside[2], 255);
    EXPECT_EQ(before[2], 255);
}
