#include "math/Geometry.h"

#include <cmath>

namespace {

// Angles around an inside point add up to 2 pi; 1% slack absorbs rounding.
constexpr double kFullTurnThreshold = 6.220353454107791;

}  // namespace

float absolute(float f) {
    return f < 0.0f ? -f : f;
}

Vector3 triangleNormal(const Vector3 triangle[3]) {
    return normalizeVector(cross(triangle[2] - triangle[0], triangle[1] - triangle[0]));
}

float planeDistance(const Vector3& normal, const Vector3& point) {
    return -dot(normal, point);
}

Vector3 closestPointOnSegment(const Vector3& a, const Vector3& b, const Vector3& p) {
    const Vector3 direction = normalizeVector(b - a);
    const float length = distance(a, b);
    const float t = dot(direction, p - a);
    if (t <= 0.0f) {
        return a;
    }
    if (t >= length) {
        return b;
    }
    return a + direction * t;
}

double angleBetween(const Vector3& a, const Vector3& b) {
    const float cosine = dot(a, b) / (magnitude(a) * magnitude(b));
    const double angle = std::acos(static_cast<double>(cosine));
    return std::isnan(angle) ? 0.0 : angle;
}

bool segmentCrossesPlane(const Vector3 polygon[3], const Vector3 segment[2], Vector3& outNormal,
                         float& outDistance) {
    outNormal = triangleNormal(polygon);
    outDistance = planeDistance(outNormal, polygon[0]);
    const float d1 = dot(outNormal, segment[0]) + outDistance;
    const float d2 = dot(outNormal, segment[1]) + outDistance;
    return !(d1 * d2 >= 0.0f);
}

Vector3 linePlaneIntersection(const Vector3& normal, const Vector3 segment[2], float planeD) {
    const Vector3 direction = normalizeVector(segment[1] - segment[0]);
    const float numerator = -(dot(normal, segment[0]) + planeD);
    const float denominator = dot(normal, direction);
    if (denominator == 0.0f) {
        return segment[0];
    }
    return segment[0] + direction * (numerator / denominator);
}

bool pointInPolygon(const Vector3& p, const Vector3 polygon[], int count) {
    double total = 0.0;
    for (int i = 0; i < count; ++i) {
        total += angleBetween(polygon[i] - p, polygon[(i + 1) % count] - p);
    }
    return total >= kFullTurnThreshold;
}

bool segmentHitsPolygon(const Vector3 polygon[], const Vector3 segment[2], int count) {
    Vector3 normal;
    float planeD = 0.0f;
    if (!segmentCrossesPlane(polygon, segment, normal, planeD)) {
        return false;
    }
    return pointInPolygon(linePlaneIntersection(normal, segment, planeD), polygon, count);
}

SphereClass classifySphere(const Vector3& center, const Vector3& normal,
                           const Vector3& pointOnPlane, float radius, float& outDistance) {
    const float d = dot(normal, center) + planeDistance(normal, pointOnPlane);
    outDistance = d;
    if (absolute(d) < radius) {
        return kSphereIntersects;
    }
    if (d >= radius) {
        return kSphereInFront;
    }
    return kSphereBehind;
}

bool edgeSphereCollision(const Vector3& center, const Vector3 polygon[], int count, float radius) {
    for (int i = 0; i < count; ++i) {
        const Vector3 nearest = closestPointOnSegment(polygon[i], polygon[(i + 1) % count], center);
        if (distance(center, nearest) < radius) {
            return true;
        }
    }
    return false;
}

bool spherePolygonCollision(const Vector3 polygon[], const Vector3& center, int count,
                            float radius) {
    const Vector3 normal = triangleNormal(polygon);
    float d = 0.0f;
    if (classifySphere(center, normal, polygon[0], radius, d) != kSphereIntersects) {
        return false;
    }
    const Vector3 projected = center - normal * d;
    if (pointInPolygon(projected, polygon, 3)) {
        return true;
    }
    return edgeSphereCollision(center, polygon, count, radius);
}

Vector3 collisionOffset(const Vector3& normal, float radius, float distance) {
    if (distance > 0.0f) {
        return normal * (radius - distance);
    }
    return normal * -(radius + distance);
}

bool sameSide(const Vector3& a, const Vector3& b, const Vector3& p, const Vector3& n) {
    return dot(cross(b - a, p - a), n) >= 0.0f;
}

bool rayHitsTriangle(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& origin,
                     const Vector3& direction, Vector3& outPoint) {
    const Vector3 n = cross(b - a, c - b);
    const float denominator = dot(n, direction);
    if (!(denominator < 0.0f)) {
        return false;
    }
    const float t = -dot(n, origin - a) / denominator;
    if (t < 0.0f) {
        return false;
    }
    outPoint = origin + direction * t;
    return sameSide(a, b, outPoint, n) && sameSide(b, c, outPoint, n) &&
           sameSide(c, a, outPoint, n);
}
