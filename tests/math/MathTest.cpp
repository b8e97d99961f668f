// Vector, matrix and geometry routines against references computed here in
// double precision or known by construction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "math/Geometry.h"
#include "math/Matrix4.h"
#include "math/Transform.h"

namespace {

const double kPiD = std::acos(-1.0);

struct Mat4d {
    double m[16];
};

Mat4d toDouble(const Matrix4& a) {
    Mat4d d;
    for (int i = 0; i < 16; ++i) {
        d.m[i] = a.entries[i];
    }
    return d;
}

Mat4d multiply(const Mat4d& a, const Mat4d& b) {
    Mat4d r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            for (int k = 0; k < 4; ++k) {
                r.m[c * 4 + row] += a.m[k * 4 + row] * b.m[c * 4 + k];
            }
        }
    }
    return r;
}

// Rotation by `degrees` about a unit axis, from Rodrigues' formula in double.
Mat4d rodrigues(double degrees, double x, double y, double z) {
    const double t = degrees * kPiD / 180.0, c = std::cos(t), s = std::sin(t);
    const double k[3][3] = {{0, -z, y}, {z, 0, -x}, {-y, x, 0}};
    const double u[3] = {x, y, z};
    Mat4d r{};
    r.m[15] = 1.0;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            r.m[col * 4 + row] =
                (row == col ? c : 0.0) + s * k[row][col] + (1 - c) * u[row] * u[col];
        }
    }
    return r;
}

void expectNear(const Matrix4& actual, const Mat4d& expected, double tolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.entries[i], expected.m[i], tolerance) << "entry " << i;
    }
}

Matrix4 randomMatrix(std::mt19937& rng, bool affineBottomRow) {
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    Matrix4 m;
    for (float& e : m.entries) {
        e = dist(rng);
    }
    // Diagonally dominant, so well conditioned.
    for (int i = 0; i < 4; ++i) {
        m.entries[i * 5] += 4.0f;
    }
    if (affineBottomRow) {
        m.entries[3] = m.entries[7] = m.entries[11] = 0.0f;
        m.entries[15] = 1.0f;
    }
    return m;
}

TEST(Matrix4Test, ProductShortcutsAreBitIdenticalToTheFullProduct) {
    std::mt19937 rng(1234);
    for (int form = 0; form < 4; ++form) {
        for (int trial = 0; trial < 50; ++trial) {
            const Matrix4 a = randomMatrix(rng, form & 1);
            const Matrix4 b = randomMatrix(rng, form & 2);
            float full[16];
            for (int c = 0; c < 4; ++c) {
                for (int r = 0; r < 4; ++r) {
                    full[c * 4 + r] = a.entries[r] * b.entries[c * 4] +
                                      a.entries[4 + r] * b.entries[c * 4 + 1] +
                                      a.entries[8 + r] * b.entries[c * 4 + 2] +
                                      a.entries[12 + r] * b.entries[c * 4 + 3];
                }
            }
            const Matrix4 product = a * b;
            ASSERT_EQ(0, std::memcmp(full, product.entries, sizeof full)) << "form " << form;
            expectNear(product, multiply(toDouble(a), toDouble(b)), 1e-4);
        }
    }
}

TEST(Matrix4Test, TimesVector4MatchesDouble) {
    std::mt19937 rng(99);
    const float v[4] = {0.5f, -2, 3, 0.25f};
    for (bool affine : {true, false}) {
        const Matrix4 m = randomMatrix(rng, affine);
        const Vector4 r = m * Vector4(v[0], v[1], v[2], v[3]);
        const float out[4] = {r.x, r.y, r.z, r.w};
        for (int row = 0; row < 4; ++row) {
            double expected = 0.0;
            for (int k = 0; k < 4; ++k) {
                expected += double(m.entries[k * 4 + row]) * v[k];
            }
            EXPECT_NEAR(expected, out[row], 1e-5) << "row " << row << ", affine " << affine;
        }
    }
}

TEST(Matrix4Test, InverseOfRandomMatricesGivesIdentity) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 100; ++trial) {
        const Matrix4 a = randomMatrix(rng, trial % 2 == 0);
        const Mat4d identity = toDouble(Matrix4());
        const Mat4d product = multiply(toDouble(a), toDouble(a.inverse()));
        const Mat4d transposed = multiply(toDouble(a.transpose()), toDouble(a.inverseTranspose()));
        for (int i = 0; i < 16; ++i) {
            ASSERT_NEAR(identity.m[i], product.m[i], 1e-5) << "entry " << i;
            ASSERT_NEAR(identity.m[i], transposed.m[i], 1e-5) << "entry " << i;
        }
    }
}

TEST(Matrix4Test, InverseEdgeCases) {
    Matrix4 zero;
    zero.setZero();
    EXPECT_EQ(Matrix4(), zero.inverse());
    Matrix4 translation, expected;
    translation.setTranslation(Vector3(1, 2, 3));
    expected.setTranslation(Vector3(-1, -2, -3));
    EXPECT_EQ(expected, translation.inverse());
    // Lower shear (row 1, column 0): the determinant is 1, not 1 - 2 * 2.
    Matrix4 shear, unshear;
    shear.setEntry(1, 2.0f);
    unshear.setEntry(1, -2.0f);
    EXPECT_EQ(unshear, shear.inverse());
}

TEST(Matrix4Test, AffineInverseOfRigidTransformMatchesGeneralInverse) {
    Matrix4 rigid;
    rigid.setRotationAxis(37.0f, Vector3(1, 2, -0.5f));
    rigid.setTranslationPart(Vector3(4, -5, 6));
    const Matrix4 general = rigid.inverse();
    expectNear(rigid.affineInverse(), toDouble(general), 1e-5);
    expectNear(rigid.affineInverseTranspose(), toDouble(general.transpose()), 1e-5);
}

TEST(Matrix4Test, RotationBuildersMatchRodrigues) {
    Matrix4 x, y, z, axis, euler;
    x.setRotationX(30);
    y.setRotationY(-75);
    z.setRotationZ(200);
    axis.setRotationAxis(113, Vector3(3, 3, -3));  // normalised inside
    euler.setRotationEuler(20, -40, 65);
    const double r = 1.0 / std::sqrt(3.0);
    expectNear(x, rodrigues(30, 1, 0, 0), 1e-6);
    expectNear(y, rodrigues(-75, 0, 1, 0), 1e-6);
    expectNear(z, rodrigues(200, 0, 0, 1), 1e-6);
    expectNear(axis, rodrigues(113, r, r, -r), 1e-6);
    // Euler angles compose as Rz * Ry * Rx.
    const Mat4d zy = multiply(rodrigues(65, 0, 0, 1), rodrigues(-40, 0, 1, 0));
    expectNear(euler, multiply(zy, rodrigues(20, 1, 0, 0)), 1e-6);
}

TEST(Matrix4Test, EdgeValues) {
    Matrix4 m(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    EXPECT_EQ(Vector4(1, 5, 9, 13), m.row(1));
    EXPECT_EQ(Vector4(8, 9, 10, 11), m.column(2));
    EXPECT_EQ(Vector4(), m.row(4));
    EXPECT_EQ(Vector4(), m.column(-1));
    EXPECT_EQ(0.0f, m.entry(16));
    EXPECT_EQ(0.0f, m.entry(-1));
    const Matrix4 before = m;
    m.setEntry(16, 99.0f);
    m.setEntry(-1, 99.0f);
    EXPECT_EQ(before, m);

    EXPECT_EQ(0, std::memcmp(m.entries, (m / 0.0f).entries, sizeof m.entries));
    EXPECT_EQ(0, std::memcmp(m.entries, (m / 1.0f).entries, sizeof m.entries));
    EXPECT_EQ(7.0f, (m / 2.0f).entry(14));

    const Matrix4 negated = -m;
    EXPECT_TRUE(std::signbit(negated.entry(0)));
    EXPECT_EQ(-15.0f, negated.entry(15));

    // Coinciding planes give all zeros; a far plane at -1 is infinitely far.
    m.setFrustum(1, 1, -1, 1, 1, 10);
    Matrix4 zero;
    zero.setZero();
    EXPECT_EQ(zero, m);
    m.setFrustum(-1, 1, -1, 1, 0.5f, -1.0f);
    EXPECT_EQ(-0.999f, m.entry(10));
    EXPECT_FLOAT_EQ(-0.999f, m.entry(14));
}

void expectVectorNear(const Vector3& expected, const Vector3& actual, float tolerance) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

TEST(Vector3Test, NormalizeAndRotations) {
    EXPECT_EQ(Vector3(), Vector3().normalized());
    expectVectorNear(Vector3(0.6f, 0, 0.8f), Vector3(3, 0, 4).normalized(), 1e-7f);
    expectVectorNear(Vector3(0.5f, 0.5f, 0.0f), Vector3(0, 0, -5).packedTo01(), 1e-7f);

    // Right-handed quarter turns.
    expectVectorNear(Vector3(0, 1, 0), Vector3(1, 0, 0).rotatedZ(90), 1e-7f);
    expectVectorNear(Vector3(0, 0, 1), Vector3(0, 1, 0).rotatedX(90), 1e-7f);
    expectVectorNear(Vector3(1, 0, 0), Vector3(0, 0, 1).rotatedY(90), 1e-7f);
    // A third of a turn about the diagonal cycles the axes.
    expectVectorNear(Vector3(0, 1, 0), Vector3(1, 0, 0).rotatedAxis(120, Vector3(1, 1, 1)), 1e-6f);

    // An infinity makes any skipped 0 * x visible as NaN, and -0 any 0 + x.
    const Vector3 v(1.0f, -0.0f, INFINITY);
    for (const Vector3& same : {v.rotatedX(0), v.rotatedY(0), v.rotatedZ(0), v.rotatedAxis(0, v)}) {
        EXPECT_EQ(0, std::memcmp(&v, &same, sizeof v));
    }
}

TEST(TransformTest, SettersResetAndPointsTransform) {
    Transform t;
    t.setTranslation(Vector3(1, 2, 3));
    t.setScale(Vector3(2, 3, 4));
    Vector3 p(1, 1, 1);
    t.transformPoint(p);
    EXPECT_EQ(Vector3(2, 3, 4), p);

    t.setRotationY(90);
    p = Vector3(0, 0, 1);
    t.transformPoint(p);
    expectVectorNear(Vector3(1, 0, 0), p, 1e-6f);
}

// A 2x2 square in the z = 0 plane, split by the diagonal 0-2 into the first
// triangle (x > y) and the other half.
const Vector3 kSquare[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};

TEST(GeometryTest, PointsSegmentsAndAngles) {
    EXPECT_TRUE(pointInPolygon(Vector3(1, 1, 0), kSquare, 4));
    EXPECT_FALSE(pointInPolygon(Vector3(3, 1, 0), kSquare, 4));

    const Vector3 through[2] = {{1, 1, 1}, {1, 1, -1}};
    const Vector3 outside[2] = {{3, 1, 1}, {3, 1, -1}};
    const Vector3 above[2] = {{1, 1, 1}, {1, 1, 0.5f}};
    EXPECT_TRUE(segmentHitsPolygon(kSquare, through, 4));
    EXPECT_FALSE(segmentHitsPolygon(kSquare, outside, 4));
    EXPECT_FALSE(segmentHitsPolygon(kSquare, above, 4));
    const Vector3 parallel[2] = {{0, 0, 1}, {1, 0, 1}};
    EXPECT_EQ(parallel[0], linePlaneIntersection(Vector3(0, 0, 1), parallel, 0.0f));

    const Vector3 a(0, 0, 0), b(4, 0, 0);
    EXPECT_EQ(a, closestPointOnSegment(a, b, Vector3(-1, 1, 0)));
    EXPECT_EQ(b, closestPointOnSegment(a, b, Vector3(5, 1, 0)));
    EXPECT_EQ(Vector3(3, 0, 0), closestPointOnSegment(a, b, Vector3(3, 2, 0)));

    EXPECT_NEAR(kPiD / 2, angleBetween(Vector3(1, 0, 0), Vector3(0, 0, 3)), 1e-7);
    EXPECT_EQ(0.0, angleBetween(Vector3(), Vector3(1, 0, 0)));
}

TEST(GeometryTest, SphereAgainstPlaneAndPolygon) {
    const Vector3 up(0, 0, 1);
    float d = 0.0f;
    EXPECT_EQ(kSphereInFront, classifySphere(Vector3(0, 0, 2), up, Vector3(), 2.0f, d));
    EXPECT_EQ(2.0f, d);
    EXPECT_EQ(kSphereIntersects, classifySphere(Vector3(5, 5, -1), up, Vector3(), 2.0f, d));
    EXPECT_EQ(kSphereBehind, classifySphere(Vector3(0, 0, -2), up, Vector3(), 2.0f, d));

    struct Case {
        Vector3 center;
        float radius;
        bool hit;
    } cases[] = {
        {{1.5f, 0.5f, 0.1f}, 0.3f, true},   // over the first triangle
        {{0.5f, 1.5f, 0.1f}, 0.3f, false},  // over the other half, clear of every edge
        {{0.1f, 1.5f, 0.1f}, 0.3f, true},   // other half, but touching the edge x = 0
        {{1.5f, 0.5f, 0.5f}, 0.3f, false},  // above the plane
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.hit, spherePolygonCollision(kSquare, c.center, 4, c.radius))
            << c.center.x << ", " << c.center.y << ", " << c.center.z;
    }

    // The offset puts the centre exactly one radius from the plane, on its side.
    for (float distanceFromPlane : {0.3f, -0.3f}) {
        const Vector3 pushed =
            Vector3(0, 0, distanceFromPlane) + collisionOffset(up, 1.0f, distanceFromPlane);
        EXPECT_FLOAT_EQ(distanceFromPlane > 0 ? 1.0f : -1.0f, pushed.z);
    }
}

TEST(GeometryTest, RayAgainstTriangle) {
    // Faces +z: a ray must travel towards -z to hit it.
    const Vector3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    struct Case {
        const char* name;
        Vector3 origin, direction;
        bool hit;
    } cases[] = {
        {"hit", {0.2f, 0.2f, 5}, {0, 0, -1}, true},
        {"miss", {2, 2, 5}, {0, 0, -1}, false},
        {"behind", {0.2f, 0.2f, -5}, {0, 0, -1}, false},
        {"back face", {0.2f, 0.2f, -5}, {0, 0, 1}, false},
        {"parallel", {0.2f, 0.2f, 5}, {1, 0, 0}, false},
    };
    for (const Case& k : cases) {
        Vector3 point(9, 9, 9);
        EXPECT_EQ(k.hit, rayHitsTriangle(a, b, c, k.origin, k.direction, point)) << k.name;
        if (k.hit) {
            EXPECT_EQ(Vector3(0.2f, 0.2f, 0), point);
        }
    }
}

}  // namespace
