/// \file
/// A point or direction in 3D space: three floats and nothing else, so arrays of
/// them can be handed to GL as they are. The basic vector algebra used all over
/// the engine (dot, cross, magnitude, normalizeVector, ...) lives here as well;
/// plane and collision routines are in math/Geometry.h.
#pragma once

#include <cmath>

/// Three packed floats: a point or a direction.
struct Vector3 {
    float x;  ///< x component
    float y;  ///< y component (up)
    float z;  ///< z component

    /// The zero vector.
    constexpr Vector3() : x(0.0f), y(0.0f), z(0.0f) {}
    /// The vector (x, y, z).
    constexpr Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    /// Scales to unit length. A zero vector, or one already of length exactly 1,
    /// is left alone (no division by zero, no needless rounding).
    void normalize() {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length != 1.0f && length != 0.0f) {
            const float inverse = 1.0f / length;
            x *= inverse;
            y *= inverse;
            z *= inverse;
        }
    }
    /// A unit-length copy (see normalize).
    Vector3 normalized() const {
        Vector3 copy = *this;
        copy.normalize();
        return copy;
    }

    /// Rotations by an angle in degrees, right-handed about the named axis. An
    /// angle of exactly 0 returns the vector bit for bit.
    Vector3 rotatedX(float angle) const;
    /// As rotatedX, about the Y axis.
    Vector3 rotatedY(float angle) const;
    /// As rotatedX, about the Z axis.
    Vector3 rotatedZ(float angle) const;
    /// About an arbitrary axis (normalised first), with the same matrix as
    /// Matrix4::setRotationAxis.
    Vector3 rotatedAxis(float angle, const Vector3& axis) const;
    /// Rotates in place; see rotatedX.
    void rotateX(float angle) { *this = rotatedX(angle); }
    /// Rotates in place; see rotatedY.
    void rotateY(float angle) { *this = rotatedY(angle); }
    /// Rotates in place; see rotatedZ.
    void rotateZ(float angle) { *this = rotatedZ(angle); }
    /// Rotates in place; see rotatedAxis.
    void rotateAxis(float angle, const Vector3& axis) { *this = rotatedAxis(angle, axis); }

    /// Maps a direction into [0, 1] per component, as normal maps store it.
    Vector3 packedTo01() const {
        const Vector3 n = normalized();
        return Vector3(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f);
    }
    /// Packs in place; see packedTo01.
    void packTo01() { *this = packedTo01(); }

    /// Component-wise sum.
    Vector3 operator+(const Vector3& v) const { return Vector3(x + v.x, y + v.y, z + v.z); }
    /// Component-wise difference.
    Vector3 operator-(const Vector3& v) const { return Vector3(x - v.x, y - v.y, z - v.z); }
    /// The opposite vector.
    Vector3 operator-() const { return Vector3(-x, -y, -z); }
    /// Scaled by f.
    Vector3 operator*(float f) const { return Vector3(x * f, y * f, z * f); }
    /// Divided by f.
    Vector3 operator/(float f) const { return Vector3(x / f, y / f, z / f); }
    /// Adds v.
    Vector3& operator+=(const Vector3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    /// Subtracts v.
    Vector3& operator-=(const Vector3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    /// Scales by f.
    Vector3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    /// Divides by f.
    Vector3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }
    /// Exact comparison: callers that want a tolerance say so themselves.
    bool operator==(const Vector3& v) const { return x == v.x && y == v.y && z == v.z; }
    /// Exact inequality.
    bool operator!=(const Vector3& v) const { return !(*this == v); }
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must stay three packed floats");

/// v scaled by f.
inline Vector3 operator*(float f, const Vector3& v) {
    return v * f;
}

/// The dot product.
inline float dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

/// The cross product a x b.
inline Vector3 cross(const Vector3& a, const Vector3& b) {
    return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

/// The length.
inline float magnitude(const Vector3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

/// No guard against a zero vector: callers pass directions they know are not.
inline Vector3 normalizeVector(const Vector3& v) {
    return v / magnitude(v);
}

/// a + b.
inline Vector3 add(const Vector3& a, const Vector3& b) {
    return a + b;
}
/// a - b.
inline Vector3 subtract(const Vector3& a, const Vector3& b) {
    return a - b;
}
/// v / f.
inline Vector3 divide(const Vector3& v, float f) {
    return v / f;
}

/// The distance between two points.
inline float distance(const Vector3& a, const Vector3& b) {
    return magnitude(b - a);
}
