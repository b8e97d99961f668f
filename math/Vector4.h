// A homogeneous point or a row/column of a Matrix4: four floats.
#pragma once

struct Vector4 {
    float x;
    float y;
    float z;
    float w;

    constexpr Vector4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    constexpr Vector4(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}

    bool operator==(const Vector4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const Vector4& v) const { return !(*this == v); }
};

static_assert(sizeof(Vector4) == 4 * sizeof(float), "Vector4 must stay four packed floats");
