#include "math/Matrix4.h"

#include <cmath>

#include "math/Angle.h"

namespace {

// True when the bottom row is exactly 0 0 0 1, i.e. the matrix is affine and
// products with it can skip the terms that are known zeros.
bool hasAffineBottomRow(const float* m) {
    return m[3] == 0.0f && m[7] == 0.0f && m[11] == 0.0f && m[15] == 1.0f;
}

// The product a * b into out, column by column. With an affine a, row 3 of
// the product is b's own row 3; with an affine b, the term that multiplies b's
// bottom row is left out (a known 0) or added without the multiply (the 1 in
// column 3). Every entry sums the k terms in the same order as the full
// product and only leaves out terms that multiply a known 0, so all four
// forms give the same floats as the full product.
template <bool aAffine, bool bAffine>
void multiply(const float* a, const float* b, float* out) {
    for (int c = 0; c < 4; ++c) {
        const float* column = b + c * 4;
        for (int r = 0; r < (aAffine ? 3 : 4); ++r) {
            float sum = a[r] * column[0] + a[4 + r] * column[1] + a[8 + r] * column[2];
            if (!bAffine) {
                sum += a[12 + r] * column[3];
            } else if (c == 3) {
                sum += a[12 + r];
            }
            out[c * 4 + r] = sum;
        }
        if (aAffine) {
            out[c * 4 + 3] = bAffine ? (c == 3 ? 1.0f : 0.0f) : column[3];
        }
    }
}

void cosSin(float angle, float& c, float& s) {
    const double radians = degreesToRadians(angle);
    c = static_cast<float>(std::cos(radians));
    s = static_cast<float>(std::sin(radians));
}

// Writes the four entries of a turn by `angle` that takes axis p towards axis
// q: the rotation about the third axis (p, q = 1, 2 for x; 2, 0 for y; 0, 1
// for z).
void setPlaneTurn(float* m, float angle, int p, int q) {
    float c, s;
    cosSin(angle, c, s);
    m[p * 4 + p] = c;
    m[p * 4 + q] = s;
    m[q * 4 + p] = -s;
    m[q * 4 + q] = c;
}

// Determinant of the 3x3 left when row skipRow and column skipColumn are struck out.
float minorDeterminant(const float* m, int skipRow, int skipColumn) {
    int rows[3];
    int columns[3];
    for (int i = 0, r = 0, c = 0; i < 4; ++i) {
        if (i != skipRow) {
            rows[r++] = i;
        }
        if (i != skipColumn) {
            columns[c++] = i;
        }
    }
    auto at = [&](int r, int c) { return m[columns[c] * 4 + rows[r]]; };
    return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
           at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
           at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
}

}  // namespace

Matrix4::Matrix4(float e0, float e1, float e2, float e3, float e4, float e5, float e6, float e7,
                 float e8, float e9, float e10, float e11, float e12, float e13, float e14,
                 float e15)
    : entries{e0, e1, e2, e3, e4, e5, e6, e7, e8, e9, e10, e11, e12, e13, e14, e15} {}

void Matrix4::setIdentity() {
    for (int i = 0; i < 16; ++i) {
        entries[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

void Matrix4::setZero() {
    for (float& e : entries) {
        e = 0.0f;
    }
}

void Matrix4::setEntry(int index, float value) {
    if (index >= 0 && index <= 15) {
        entries[index] = value;
    }
}

float Matrix4::entry(int index) const {
    return (index >= 0 && index <= 15) ? entries[index] : 0.0f;
}

Vector4 Matrix4::row(int index) const {
    if (index < 0 || index > 3) {
        return Vector4();
    }
    return Vector4(entries[index], entries[index + 4], entries[index + 8], entries[index + 12]);
}

Vector4 Matrix4::column(int index) const {
    if (index < 0 || index > 3) {
        return Vector4();
    }
    const float* c = entries + index * 4;
    return Vector4(c[0], c[1], c[2], c[3]);
}

Matrix4 Matrix4::operator+(const Matrix4& m) const {
    Matrix4 result;
    for (int i = 0; i < 16; ++i) {
        result.entries[i] = entries[i] + m.entries[i];
    }
    return result;
}

Matrix4 Matrix4::operator-(const Matrix4& m) const {
    Matrix4 result;
    for (int i = 0; i < 16; ++i) {
        result.entries[i] = entries[i] - m.entries[i];
    }
    return result;
}

Matrix4 Matrix4::operator*(const Matrix4& m) const {
    const float* a = entries;
    const float* b = m.entries;
    Matrix4 result;
    float* out = result.entries;
    const bool aAffine = hasAffineBottomRow(a);
    const bool bAffine = hasAffineBottomRow(b);
    if (aAffine && bAffine) {
        multiply<true, true>(a, b, out);
    } else if (aAffine) {
        multiply<true, false>(a, b, out);
    } else if (bAffine) {
        multiply<false, true>(a, b, out);
    } else {
        multiply<false, false>(a, b, out);
    }
    return result;
}

Matrix4 Matrix4::operator*(float f) const {
    Matrix4 result;
    for (int i = 0; i < 16; ++i) {
        result.entries[i] = entries[i] * f;
    }
    return result;
}

Matrix4 Matrix4::operator/(float f) const {
    if (f == 0.0f || f == 1.0f) {
        return *this;
    }
    return *this * (1.0f / f);
}

Matrix4 Matrix4::operator-() const {
    Matrix4 result;
    for (int i = 0; i < 16; ++i) {
        result.entries[i] = -entries[i];
    }
    return result;
}

bool Matrix4::operator==(const Matrix4& m) const {
    for (int i = 0; i < 16; ++i) {
        if (entries[i] != m.entries[i]) {
            return false;
        }
    }
    return true;
}

Vector4 Matrix4::operator*(const Vector4& v) const {
    const float* e = entries;
    const float x = e[0] * v.x + e[4] * v.y + e[8] * v.z + e[12] * v.w;
    const float y = e[1] * v.x + e[5] * v.y + e[9] * v.z + e[13] * v.w;
    const float z = e[2] * v.x + e[6] * v.y + e[10] * v.z + e[14] * v.w;
    if (hasAffineBottomRow(e)) {
        return Vector4(x, y, z, v.w);
    }
    return Vector4(x, y, z, e[3] * v.x + e[7] * v.y + e[11] * v.z + e[15] * v.w);
}

Vector3 Matrix4::rotateVector(const Vector3& v) const {
    const float* e = entries;
    return Vector3(e[0] * v.x + e[4] * v.y + e[8] * v.z, e[1] * v.x + e[5] * v.y + e[9] * v.z,
                   e[2] * v.x + e[6] * v.y + e[10] * v.z);
}

Vector3 Matrix4::inverseRotateVector(const Vector3& v) const {
    const float* e = entries;
    return Vector3(e[0] * v.x + e[1] * v.y + e[2] * v.z, e[4] * v.x + e[5] * v.y + e[6] * v.z,
                   e[8] * v.x + e[9] * v.y + e[10] * v.z);
}

Vector3 Matrix4::translateVector(const Vector3& v) const {
    return v + Vector3(entries[12], entries[13], entries[14]);
}

Vector3 Matrix4::inverseTranslateVector(const Vector3& v) const {
    return v - Vector3(entries[12], entries[13], entries[14]);
}

// The adjugate is the transposed matrix of cofactors: the cofactor of the
// entry at row r, column c goes to row c, column r. The determinant is the
// expansion along the first column, entries 0..3 times their own cofactors.
Matrix4 Matrix4::inverse() const {
    Matrix4 adjugate;
    float cofactorOfColumn0[4] = {};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float cofactor = minorDeterminant(entries, r, c);
            if ((r + c) % 2 != 0) {
                cofactor = -cofactor;
            }
            if (c == 0) {
                cofactorOfColumn0[r] = cofactor;
            }
            adjugate.setEntry(r * 4 + c, cofactor);
        }
    }
    const float determinant = entries[0] * cofactorOfColumn0[0] +
                              entries[1] * cofactorOfColumn0[1] +
                              entries[2] * cofactorOfColumn0[2] + entries[3] * cofactorOfColumn0[3];
    if (determinant == 0.0f) {
        return Matrix4();
    }
    return adjugate / determinant;
}

Matrix4 Matrix4::transpose() const {
    Matrix4 result;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            result.entries[r * 4 + c] = entries[c * 4 + r];
        }
    }
    return result;
}

Matrix4 Matrix4::affineInverse() const {
    const float* e = entries;
    return Matrix4(e[0], e[4], e[8], 0.0f,  //
                   e[1], e[5], e[9], 0.0f,  //
                   e[2], e[6], e[10], 0.0f, -(e[0] * e[12] + e[1] * e[13] + e[2] * e[14]),
                   -(e[4] * e[12] + e[5] * e[13] + e[6] * e[14]),
                   -(e[8] * e[12] + e[9] * e[13] + e[10] * e[14]), 1.0f);
}

Matrix4 Matrix4::affineInverseTranspose() const {
    const float* e = entries;
    return Matrix4(e[0], e[1], e[2], -(e[0] * e[12] + e[1] * e[13] + e[2] * e[14]),    //
                   e[4], e[5], e[6], -(e[4] * e[12] + e[5] * e[13] + e[6] * e[14]),    //
                   e[8], e[9], e[10], -(e[8] * e[12] + e[9] * e[13] + e[10] * e[14]),  //
                   0.0f, 0.0f, 0.0f, 1.0f);
}

void Matrix4::setTranslation(const Vector3& v) {
    setIdentity();
    setTranslationPart(v);
}

void Matrix4::setTranslationPart(const Vector3& v) {
    entries[12] = v.x;
    entries[13] = v.y;
    entries[14] = v.z;
}

void Matrix4::setScale(const Vector3& v) {
    setIdentity();
    entries[0] = v.x;
    entries[5] = v.y;
    entries[10] = v.z;
}

void Matrix4::setUniformScale(float s) {
    setScale(Vector3(s, s, s));
}

void Matrix4::setRotationAxis(float angle, const Vector3& axis) {
    setIdentity();
    const Vector3 u = axis.normalized();
    float c, s;
    cosSin(angle, c, s);
    const float t = 1.0f - c;
    entries[0] = u.x * u.x + c * (1.0f - u.x * u.x);
    entries[4] = t * u.x * u.y - s * u.z;
    entries[8] = t * u.x * u.z + s * u.y;
    entries[1] = t * u.x * u.y + s * u.z;
    entries[5] = u.y * u.y + c * (1.0f - u.y * u.y);
    entries[9] = t * u.y * u.z - s * u.x;
    entries[2] = t * u.x * u.z - s * u.y;
    entries[6] = t * u.y * u.z + s * u.x;
    entries[10] = u.z * u.z + c * (1.0f - u.z * u.z);
}

void Matrix4::setRotationX(float angle) {
    setIdentity();
    setPlaneTurn(entries, angle, 1, 2);
}

void Matrix4::setRotationY(float angle) {
    setIdentity();
    setPlaneTurn(entries, angle, 2, 0);
}

void Matrix4::setRotationZ(float angle) {
    setIdentity();
    setPlaneTurn(entries, angle, 0, 1);
}

void Matrix4::setRotationEuler(float angleX, float angleY, float angleZ) {
    setIdentity();
    setRotationPartEuler(angleX, angleY, angleZ);
}

// Kept in double until each product is stored, so the three rotations compose
// with a single rounding per entry.
void Matrix4::setRotationPartEuler(float angleX, float angleY, float angleZ) {
    const double roll = degreesToRadians(angleX);
    const double pitch = degreesToRadians(angleY);
    const double yaw = degreesToRadians(angleZ);
    const double cr = std::cos(roll), sr = std::sin(roll);
    const double cp = std::cos(pitch), sp = std::sin(pitch);
    const double cy = std::cos(yaw), sy = std::sin(yaw);

    entries[0] = static_cast<float>(cp * cy);
    entries[1] = static_cast<float>(cp * sy);
    entries[2] = static_cast<float>(-sp);
    entries[4] = static_cast<float>(sr * sp * cy - cr * sy);
    entries[5] = static_cast<float>(sr * sp * sy + cr * cy);
    entries[6] = static_cast<float>(sr * cp);
    entries[8] = static_cast<float>(cr * sp * cy + sr * sy);
    entries[9] = static_cast<float>(cr * sp * sy - sr * cy);
    entries[10] = static_cast<float>(cr * cp);
}

void Matrix4::setFrustum(float left, float right, float bottom, float top, float zNear,
                         float zFar) {
    setZero();
    if (left == right || bottom == top || zNear == zFar) {
        return;
    }
    entries[0] = 2.0f * zNear / (right - left);
    entries[5] = 2.0f * zNear / (top - bottom);
    entries[8] = (right + left) / (right - left);
    entries[9] = (top + bottom) / (top - bottom);
    entries[11] = -1.0f;
    if (zFar != -1.0f) {
        entries[10] = -(zFar + zNear) / (zFar - zNear);
        entries[14] = -(2.0f * zFar * zNear) / (zFar - zNear);
    } else {
        // Far plane at infinity: the limit of the two terms, pulled in slightly
        // so depth never reaches exactly 1.
        entries[10] = -0.999f;
        entries[14] = -2.0f * zNear * 0.999f;
    }
}

void Matrix4::setPerspective(float fovY, float aspect, float zNear, float zFar) {
    const float top = zNear * std::tan(fovY * 0.017453292f * 0.5f);
    setFrustum(-top * aspect, top * aspect, -top, top, zNear, zFar);
}

void Matrix4::setOrtho(float left, float right, float bottom, float top, float zNear, float zFar) {
    setIdentity();
    entries[0] = 2.0f / (right - left);
    entries[5] = 2.0f / (top - bottom);
    entries[10] = -2.0f / (zFar - zNear);
    entries[12] = -(right + left) / (right - left);
    entries[13] = -(top + bottom) / (top - bottom);
    entries[14] = -(zFar + zNear) / (zFar - zNear);
}
