#include "math/Vector3.h"

#include <cmath>

#include "math/Angle.h"
#include "math/Matrix4.h"

namespace {

// Cosine and sine of an angle in degrees, computed in double and rounded to
// float before they are used.
void cosSin(float angle, float& c, float& s) {
    const double radians = degreesToRadians(angle);
    c = static_cast<float>(std::cos(radians));
    s = static_cast<float>(std::sin(radians));
}

}  // namespace

Vector3 Vector3::rotatedX(float angle) const {
    if (angle == 0.0f) {
        return *this;
    }
    float c, s;
    cosSin(angle, c, s);
    return Vector3(x, c * y - s * z, s * y + c * z);
}

Vector3 Vector3::rotatedY(float angle) const {
    if (angle == 0.0f) {
        return *this;
    }
    float c, s;
    cosSin(angle, c, s);
    return Vector3(c * x + s * z, y, c * z - s * x);
}

Vector3 Vector3::rotatedZ(float angle) const {
    if (angle == 0.0f) {
        return *this;
    }
    float c, s;
    cosSin(angle, c, s);
    return Vector3(c * x - s * y, s * x + c * y, z);
}

Vector3 Vector3::rotatedAxis(float angle, const Vector3& axis) const {
    if (angle == 0.0f) {
        return *this;
    }
    Matrix4 rotation;
    rotation.setRotationAxis(angle, axis);
    return rotation.rotateVector(*this);
}
