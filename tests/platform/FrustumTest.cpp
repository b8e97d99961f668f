#include "platform/Frustum.h"

#include <gtest/gtest.h>

// With the identity as clip matrix the visible volume is the cube [-1, 1]^3
// and every plane is exact, so points and corners can sit right on a plane.
class UnitCubeFrustum : public ::testing::Test {
protected:
    void SetUp() override {
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        frustum.setFromMatrix(identity);
    }
    Frustum frustum;
};

TEST_F(UnitCubeFrustum, PlanesPointInwardsInTheirOrder) {
    const float expected[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                                  {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(frustum.plane(i)[k], expected[i][k]) << i << "," << k;
        }
    }
}

TEST_F(UnitCubeFrustum, PointOnAPlaneIsOutsideButACornerOnItIsInFront) {
    EXPECT_TRUE(frustum.pointInFrustum(0.99f, 0.0f, 0.0f));
    EXPECT_FALSE(frustum.pointInFrustum(1.0f, 0.0f, 0.0f));
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 0.0f, -1.0f));
    // Touching the right plane from outside with one face.
    EXPECT_EQ(frustum.boxInFrustum(1.0f, -0.5f, -0.5f, 2.0f, 0.5f, 0.5f), INTERSECT);
    EXPECT_EQ(frustum.boxInFrustum(1.5f, -0.5f, -0.5f, 2.0f, 0.5f, 0.5f), OUTSIDE);
    EXPECT_EQ(frustum.boxInFrustum(-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f), INSIDE);
    EXPECT_EQ(frustum.boxInFrustum(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f), INSIDE);
    EXPECT_EQ(frustum.boxInFrustum(-5.0f, -5.0f, -5.0f, 5.0f, 5.0f, 5.0f), INTERSECT);
}

TEST_F(UnitCubeFrustum, SpheresAndCubesCountWhatReachesIn) {
    // Centre outside by less than the radius: visible; by exactly it: not.
    EXPECT_TRUE(frustum.sphereInFrustum(1.5f, 0.0f, 0.0f, 0.75f));
    EXPECT_FALSE(frustum.sphereInFrustum(1.5f, 0.0f, 0.0f, 0.5f));
    EXPECT_FALSE(frustum.sphereInFrustum(0.0f, 3.0f, 0.0f, 1.0f));
    // A cube needs one corner strictly inside each plane.
    EXPECT_TRUE(frustum.cubeInFrustum(1.5f, 0.0f, 0.0f, 0.6f));
    EXPECT_FALSE(frustum.cubeInFrustum(1.5f, 0.0f, 0.0f, 0.5f));
    EXPECT_TRUE(frustum.cubeInFrustum(0.0f, 0.0f, 0.0f, 10.0f));
}

TEST(Frustum, BeforeTheFirstExtractionNothingIsInsideAndEveryBoxIs) {
    Frustum frustum;
    EXPECT_FALSE(frustum.pointInFrustum(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(frustum.boxInFrustum(-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f), INSIDE);
}
