/// \file
/// A 4x4 float matrix in GL's column-major layout: row r, column c is
/// entries[c * 4 + r], so data() can go straight to glLoadMatrixf/glMultMatrixf.
/// Angles are in degrees. A default-constructed matrix is the identity.
#pragma once

#include "math/Vector3.h"
#include "math/Vector4.h"

/// A 4x4 matrix of floats in GL's column-major order.
class Matrix4 {
public:
    float entries[16];  ///< column-major: row r, column c at c * 4 + r

    /// The identity.
    Matrix4() { setIdentity(); }
    /// The sixteen entries in storage order (column by column).
    Matrix4(float e0, float e1, float e2, float e3, float e4, float e5, float e6, float e7,
            float e8, float e9, float e10, float e11, float e12, float e13, float e14, float e15);

    /// Resets to the identity.
    void setIdentity();
    /// Sets every entry to 0.
    void setZero();

    /// Indices outside 0..15 are ignored by setEntry and read as 0 by entry.
    void setEntry(int index, float value);
    /// Entry `index` in storage order.
    float entry(int index) const;
    /// Rows and columns 0..3; any other index gives a zero vector.
    Vector4 row(int index) const;
    /// Column `index` (0..3).
    Vector4 column(int index) const;

    /// The entries, for glLoadMatrixf and glMultMatrixf.
    const float* data() const { return entries; }
    /// The entries, for glGetFloatv.
    float* data() { return entries; }

    /// Entry-wise sum.
    Matrix4 operator+(const Matrix4& m) const;
    /// Entry-wise difference.
    Matrix4 operator-(const Matrix4& m) const;
    /// The matrix product this x m, as GL composes transforms.
    Matrix4 operator*(const Matrix4& m) const;
    /// Every entry scaled by f.
    Matrix4 operator*(float f) const;
    /// Multiplies by 1/f; dividing by exactly 0 or exactly 1 returns the matrix as is.
    Matrix4 operator/(float f) const;
    /// Flips the sign of every entry, zeros included.
    Matrix4 operator-() const;
    /// Exact comparison of all sixteen entries.
    bool operator==(const Matrix4& m) const;
    /// Exact inequality.
    bool operator!=(const Matrix4& m) const { return !(*this == m); }

    /// Adds m.
    Matrix4& operator+=(const Matrix4& m) { return *this = *this + m; }
    /// Subtracts m.
    Matrix4& operator-=(const Matrix4& m) { return *this = *this - m; }
    /// Multiplies by m on the right.
    Matrix4& operator*=(const Matrix4& m) { return *this = *this * m; }
    /// Scales every entry by f.
    Matrix4& operator*=(float f) { return *this = *this * f; }
    /// Divides by f (see operator/).
    Matrix4& operator/=(float f) { return *this = *this / f; }

    /// The matrix applied to a column vector.
    Vector4 operator*(const Vector4& v) const;

    /// The upper 3x3 applied to v, and its transpose (the inverse for a rotation).
    Vector3 rotateVector(const Vector3& v) const;
    /// The transposed upper 3x3 applied to v.
    Vector3 inverseRotateVector(const Vector3& v) const;
    /// v moved by the translation column, or back by it.
    Vector3 translateVector(const Vector3& v) const;
    /// v moved back by the translation column.
    Vector3 inverseTranslateVector(const Vector3& v) const;

    /// General inverse through the adjugate; a singular matrix gives the identity.
    Matrix4 inverse() const;
    /// Replaces the matrix by its inverse.
    void invert() { *this = inverse(); }
    /// The transposed matrix.
    Matrix4 transpose() const;
    /// Transposes in place.
    void transposeInPlace() { *this = transpose(); }
    /// The transposed inverse (for normals).
    Matrix4 inverseTranspose() const { return inverse().transpose(); }
    /// Replaces the matrix by its transposed inverse.
    void invertTranspose() { *this = inverseTranspose(); }
    /// Cheap inverse of a rotation plus translation (no scale, bottom row 0 0 0 1).
    Matrix4 affineInverse() const;
    /// Replaces the matrix by its affine inverse.
    void affineInvert() { *this = affineInverse(); }
    /// The transposed affine inverse.
    Matrix4 affineInverseTranspose() const;
    /// Replaces the matrix by its transposed affine inverse.
    void affineInvertTranspose() { *this = affineInverseTranspose(); }

    /// The set* builders start from the identity unless named "...Part", which
    /// touch only their own entries.
    void setTranslation(const Vector3& v);
    /// Sets the translation column only.
    void setTranslationPart(const Vector3& v);
    /// A scale by v's components.
    void setScale(const Vector3& v);
    /// A scale by s on all three axes.
    void setUniformScale(float s);
    /// A rotation by `angle` degrees about an axis (normalised first).
    void setRotationAxis(float angle, const Vector3& axis);
    /// A rotation about the X axis.
    void setRotationX(float angle);
    /// A rotation about the Y axis.
    void setRotationY(float angle);
    /// A rotation about the Z axis.
    void setRotationZ(float angle);
    /// Rotations about x, y and z (in degrees), composed as Rz * Ry * Rx.
    void setRotationEuler(float angleX, float angleY, float angleZ);
    /// As setRotationEuler, on the upper 3x3 only.
    void setRotationPartEuler(float angleX, float angleY, float angleZ);

    /// Projections with GL's conventions. setFrustum gives all zeros when a pair
    /// of planes coincides; a far plane of exactly -1 means "infinitely far".
    void setFrustum(float left, float right, float bottom, float top, float zNear, float zFar);
    /// As gluPerspective: vertical field of view in degrees.
    void setPerspective(float fovY, float aspect, float zNear, float zFar);
    /// As glOrtho.
    void setOrtho(float left, float right, float bottom, float top, float zNear, float zFar);
};

/// m scaled by f.
inline Matrix4 operator*(float f, const Matrix4& m) {
    return m * f;
}
