/// \file
/// Plane, polygon and collision routines on Vector3, for picking and simple
/// sphere-against-world collision. Polygons are arrays of vertices with a count;
/// a plane is a unit normal n and a distance D with dot(n, p) + D = 0 on it.
/// Nothing here allocates.
#pragma once

#include "math/Vector3.h"

/// The absolute value of f.
float absolute(float f);

/// Unit normal of a triangle, cross(p2 - p0, p1 - p0) normalised.
Vector3 triangleNormal(const Vector3 triangle[3]);

/// D of the plane with this normal through point.
float planeDistance(const Vector3& normal, const Vector3& point);

/// The point of segment a-b nearest to p.
Vector3 closestPointOnSegment(const Vector3& a, const Vector3& b, const Vector3& p);

/// Angle between two vectors in radians; 0 where it is undefined (a zero vector).
double angleBetween(const Vector3& a, const Vector3& b);

/// Whether the segment's ends lie strictly on opposite sides of the triangle's
/// plane. Also hands back that plane.
bool segmentCrossesPlane(const Vector3 polygon[3], const Vector3 segment[2], Vector3& outNormal,
                         float& outDistance);

/// Where the line through the segment meets the plane (normal, D); the
/// segment's first point when the line runs parallel to it.
Vector3 linePlaneIntersection(const Vector3& normal, const Vector3 segment[2], float planeD);

/// Whether p, taken to lie in the polygon's plane, is inside it: the angles
/// the edges subtend at p add up to a full turn (within 1%).
bool pointInPolygon(const Vector3& p, const Vector3 polygon[], int count);

/// Whether the segment crosses the polygon's plane at a point inside the polygon.
bool segmentHitsPolygon(const Vector3 polygon[], const Vector3 segment[2], int count);

/// Where a sphere lies relative to a plane; unscoped so callers may compare
/// the result with the plain numbers 0, 1 and 2.
enum SphereClass : int {
    kSphereBehind = 0,
    kSphereIntersects = 1,
    kSphereInFront = 2,
};

/// Classifies the sphere against the plane through pointOnPlane and writes the
/// centre's signed distance from that plane.
SphereClass classifySphere(const Vector3& center, const Vector3& normal,
                           const Vector3& pointOnPlane, float radius, float& outDistance);

/// Whether some edge of the polygon passes closer than radius to center.
bool edgeSphereCollision(const Vector3& center, const Vector3 polygon[], int count, float radius);

/// Whether the sphere touches the polygon. The inside test looks at the
/// polygon's first triangle only; the edge test covers every edge.
bool spherePolygonCollision(const Vector3 polygon[], const Vector3& center, int count,
                            float radius);

/// How far to push a sphere of this radius, whose centre is `distance` from a
/// plane, back out along the plane's normal.
Vector3 collisionOffset(const Vector3& normal, float radius, float distance);

/// Whether p is on the inner side of edge a-b for a polygon facing along n.
bool sameSide(const Vector3& a, const Vector3& b, const Vector3& p, const Vector3& n);

/// Ray against the front of triangle a, b, c (facing against the ray, with
/// normal cross(b - a, c - b)). outPoint gets the point where the ray meets the
/// plane whenever it does so ahead of its origin, hit or not.
bool rayHitsTriangle(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& origin,
                     const Vector3& direction, Vector3& outPoint);
