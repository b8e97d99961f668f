/// \file
/// A homogeneous point or a row/column of a Matrix4: four floats.
#pragma once

/// Four packed floats: a homogeneous point, or a matrix row or column.
struct Vector4 {
    float x;  ///< x component
    float y;  ///< y component
    float z;  ///< z component
    float w;  ///< w component

    /// All four zero.
    constexpr Vector4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    /// The vector (x, y, z, w).
    constexpr Vector4(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}

    /// Exact equality.
    bool operator==(const Vector4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    /// Exact inequality.
    bool operator!=(const Vector4& v) const { return !(*this == v); }
};

static_assert(sizeof(Vector4) == 4 * sizeof(float), "Vector4 must stay four packed floats");
