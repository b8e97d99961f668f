#include "platform/Camera.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/Engine.h"
#include "platform/CameraManager.h"
#include "platform/EventManager.h"
#include "tests/GlTestSupport.h"

namespace {

// Model-view times a point, in double.
void eyeSpace(const float m[16], double x, double y, double z, double out[3]) {
    for (int r = 0; r < 3; ++r) {
        out[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    }
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1024.0 / 768.0, 1.0, 1500.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

}  // namespace

TEST_F(ViewTest, LookPutsTheEyeAtTheOriginFacingTheTarget) {
    Camera camera;
    camera.setPosition(0.0f, 15.0f, -33.0f);
    camera.look();
    EXPECT_EQ(camera.getView(), Vector3(1.0f, 5.0f, 1.0f));

    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    double eye[3];
    double target[3];
    eyeSpace(m, 0.0, 15.0, -33.0, eye);
    eyeSpace(m, 1.0, 5.0, 1.0, target);
    EXPECT_NEAR(eye[0], 0.0, 1e-4);
    EXPECT_NEAR(eye[1], 0.0, 1e-4);
    EXPECT_NEAR(eye[2], 0.0, 1e-4);
    double distance = std::sqrt(1.0 + 100.0 + 34.0 * 34.0);
    EXPECT_NEAR(target[0], 0.0, 1e-4);
    EXPECT_NEAR(target[1], 0.0, 1e-4);
    EXPECT_NEAR(target[2], -distance, 1e-3);
}

TEST_F(ViewTest, FrustumFromTheViewClassifiesTheScene) {
    Camera camera;
    camera.placeCamera(0.0f, 0.0f, 10.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    camera.look();
    const Frustum& frustum = *camera.getFrustum();

    EXPECT_TRUE(frustum.pointInFrustum(0.0f, 0.0f, 0.0f));
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 0.0f, 9.5f));      // before the near plane
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 0.0f, -1500.0f));  // past the far plane
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 0.0f, 20.0f));     // behind the eye
    // Half the vertical field of view is 22.5 degrees: at 10 units the view
    // is 4.14 units high and 5.52 wide on either side.
    EXPECT_TRUE(frustum.pointInFrustum(0.0f, 4.0f, 0.0f));
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 4.3f, 0.0f));
    EXPECT_TRUE(frustum.pointInFrustum(5.4f, 0.0f, 0.0f));
    EXPECT_FALSE(frustum.pointInFrustum(5.7f, 0.0f, 0.0f));
    EXPECT_TRUE(frustum.sphereInFrustum(6.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_FALSE(frustum.sphereInFrustum(8.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_TRUE(frustum.cubeInFrustum(6.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_FALSE(frustum.cubeInFrustum(0.0f, 0.0f, 13.0f, 1.0f));

    EXPECT_EQ(frustum.boxInFrustum(-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f), INSIDE);
    EXPECT_EQ(frustum.boxInFrustum(-2000.0f, -2000.0f, -2000.0f, 2000.0f, 2000.0f, 2000.0f),
              INTERSECT);
    EXPECT_EQ(frustum.boxInFrustum(-1.0f, -1.0f, 9.5f, 1.0f, 1.0f, 9.9f), OUTSIDE);
    EXPECT_EQ(frustum.boxInFrustum(4.0f, -1.0f, -1.0f, 8.0f, 1.0f, 1.0f), INTERSECT);
}

TEST(Camera, RotateViewTurnsTheTargetAboutTheEye) {
    Camera camera;
    camera.placeCamera(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -10.0f, 0.0f, 1.0f, 0.0f);
    camera.moveForward(5.0f);  // no rotation yet: no forward direction
    EXPECT_EQ(camera.getPosition(), Vector3(0.0f, 0.0f, 0.0f));

    const double angle = 0.3;
    camera.rotateView(float(angle), 0.0f, 1.0f, 0.0f);
    // Turning (0, 0, -10) left about y by 0.3 radians.
    EXPECT_NEAR(camera.getView().x, -10.0 * std::sin(angle), 1e-5);
    EXPECT_NEAR(camera.getView().z, -10.0 * std::cos(angle), 1e-5);
    EXPECT_NEAR(camera.getDirection().x, -std::sin(angle), 1e-6);
    EXPECT_NEAR(camera.getDirection().z, -std::cos(angle), 1e-6);

    camera.moveForward(2.0f);
    EXPECT_NEAR(camera.getPosition().x, -2.0 * std::sin(angle), 1e-5);
    EXPECT_NEAR(camera.getView().z, -12.0 * std::cos(angle), 1e-5);

    camera.moveTo(1.0f, 2.0f, 3.0f);  // the target moves along
    EXPECT_NEAR(camera.getView().x, 1.0 - 10.0 * std::sin(angle), 1e-5);
    EXPECT_NEAR(camera.getView().y, 2.0, 1e-6);
}

TEST(Camera, StrafingStaysLevel) {
    Camera camera;
    camera.placeCamera(0.0f, 5.0f, 0.0f, 0.0f, 0.0f, -10.0f, 0.0f, 1.0f, 0.0f);
    camera.update();  // sets the side vector (pointer handling aside)
    camera.placeCamera(0.0f, 5.0f, 0.0f, 0.0f, 0.0f, -10.0f, 0.0f, 1.0f, 0.0f);
    camera.strafeSide(3.0f);
    EXPECT_EQ(camera.getPosition().y, 5.0f);
    EXPECT_GT(camera.getPosition().x, 2.9f);  // looking down -z, the right side is +x
}

TEST(Camera, MouseLookTurnsByHowFarThePointerLeftTheCentre) {
    Camera camera;
    camera.placeCamera(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -10.0f, 0.0f, 1.0f, 0.0f);
    moveMouseTo(512, 384);
    camera.mouseLook();
    EXPECT_EQ(camera.getView(), Vector3(0.0f, 0.0f, -10.0f));

    moveMouseTo(502, 384);  // 10 pixels left: 0.05 radians about y
    camera.mouseLook();
    EXPECT_NEAR(camera.getView().x, -10.0 * std::sin(0.05), 1e-5);
    EXPECT_NEAR(camera.getView().y, 0.0, 1e-6);
    EXPECT_NEAR(camera.getView().z, -10.0 * std::cos(0.05), 1e-5);
    // The pointer went back to the centre.
    int x = 0;
    int y = 0;
    for (int i = 0; i < 100 && (x != 512 || y != 384); ++i) {
        SDL_PumpEvents();
        SDL_GetMouseState(&x, &y);
        SDL_Delay(5);
    }
    EXPECT_EQ(x, 512);
    EXPECT_EQ(y, 384);
}

TEST(CameraManager, ShiftsTheOverlayByTheCurrentCamera) {
    CameraManager cameras;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cameras.applyCurrent();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_FALSE(cameras.currentPosition().has_value());
    cameras.moveCurrentRight(5.0f);  // nothing to move

    cameras.addCamera(new Camera2D(5.0f, 7.0f));
    cameras.addCamera(new Camera2D());
    EXPECT_EQ(cameras.getCurrent(), 1u);
    cameras.selectCamera(2);  // past the end: ignored
    EXPECT_EQ(cameras.getCurrent(), 1u);
    cameras.moveCurrent(1.0f, 2.0f);
    cameras.moveCurrentUp(4.0f);
    EXPECT_EQ(*cameras.currentPosition(), std::make_pair(1.0f, -2.0f));
    EXPECT_EQ(*cameras.cameraPosition(0), std::make_pair(5.0f, 7.0f));
    EXPECT_EQ(*cameras.cameraPosition(9), std::make_pair(1.0f, -2.0f));

    cameras.selectCamera(0);
    cameras.applyCurrent();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 5.0f);
    EXPECT_EQ(m[13], 7.0f);
    glLoadIdentity();
}
