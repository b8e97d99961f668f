// A 4x4 float matrix in GL's column-major layout: row r, column c is
// entries[c * 4 + r], so data() can go straight to glLoadMatrixf/glMultMatrixf.
// Angles are in degrees. A default-constructed matrix is the identity.
#pragma once

#include "math/Vector3.h"
#include "math/Vector4.h"

class Matrix4 {
public:
    float entries[16];

    Matrix4() { setIdentity(); }
    // The sixteen entries in storage order (column by column).
    Matrix4(float e0, float e1, float e2, float e3, float e4, float e5, float e6, float e7,
            float e8, float e9, float e10, float e11, float e12, float e13, float e14, float e15);

    void setIdentity();
    void setZero();

    // Indices outside 0..15 are ignored by setEntry and read as 0 by entry.
    void setEntry(int index, float value);
    float entry(int index) const;
    // Rows and columns 0..3; any other index gives a zero vector.
    Vector4 row(int index) const;
    Vector4 column(int index) const;

    const float* data() const { return entries; }
    float* data() { return entries; }

    Matrix4 operator+(const Matrix4& m) const;
    Matrix4 operator-(const Matrix4& m) const;
    Matrix4 operator*(const Matrix4& m) const;
    Matrix4 operator*(float f) const;
    // Multiplies by 1/f; dividing by exactly 0 or exactly 1 returns the matrix as is.
    Matrix4 operator/(float f) const;
    // Flips the sign of every entry, zeros included.
    Matrix4 operator-() const;
    // Exact comparison of all sixteen entries.
    bool operator==(const Matrix4& m) const;
    bool operator!=(const Matrix4& m) const { return !(*this == m); }

    Matrix4& operator+=(const Matrix4& m) { return *this = *this + m; }
    Matrix4& operator-=(const Matrix4& m) { return *this = *this - m; }
    Matrix4& operator*=(const Matrix4& m) { return *this = *this * m; }
    Matrix4& operator*=(float f) { return *this = *this * f; }
    Matrix4& operator/=(float f) { return *this = *this / f; }

    Vector4 operator*(const Vector4& v) const;

    // The upper 3x3 applied to v, and its transpose (the inverse for a rotation).
    Vector3 rotateVector(const Vector3& v) const;
    Vector3 inverseRotateVector(const Vector3& v) const;
    // v moved by the translation column, or back by it.
    Vector3 translateVector(const Vector3& v) const;
    Vector3 inverseTranslateVector(const Vector3& v) const;

    // General inverse through the adjugate; a singular matrix gives the identity.
    Matrix4 inverse() const;
    void invert() { *this = inverse(); }
    Matrix4 transpose() const;
    void transposeInPlace() { *this = transpose(); }
    Matrix4 inverseTranspose() const { return inverse().transpose(); }
    void invertTranspose() { *this = inverseTranspose(); }
    // Cheap inverse of a rotation plus translation (no scale, bottom row 0 0 0 1).
    Matrix4 affineInverse() const;
    void affineInvert() { *this = affineInverse(); }
    Matrix4 affineInverseTranspose() const;
    void affineInvertTranspose() { *this = affineInverseTranspose(); }

    // The set* builders start from the identity unless named "...Part", which
    // touch only their own entries.
    void setTranslation(const Vector3& v);
    void setTranslationPart(const Vector3& v);
    void setScale(const Vector3& v);
    void setUniformScale(float s);
    void setRotationAxis(float angle, const Vector3& axis);
    void setRotationX(float angle);
    void setRotationY(float angle);
    void setRotationZ(float angle);
    // Rotations about x, y and z (in degrees), composed as Rz * Ry * Rx.
    void setRotationEuler(float angleX, float angleY, float angleZ);
    void setRotationPartEuler(float angleX, float angleY, float angleZ);

    // Projections with GL's conventions. setFrustum gives all zeros when a pair
    // of planes coincides; a far plane of exactly -1 means "infinitely far".
    void setFrustum(float left, float right, float bottom, float top, float zNear, float zFar);
    void setPerspective(float fovY, float aspect, float zNear, float zFar);
    void setOrtho(float left, float right, float bottom, float top, float zNear, float zFar);
};

inline Matrix4 operator*(float f, const Matrix4& m) {
    return m * f;
}
