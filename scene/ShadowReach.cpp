// Each wall (the quad A, B, B', A') is clipped in world space against the
// scene's box, and against each face plane of the box from the outside for
// the parts past it; every piece is carried into clip space and clipped
// against the near and far planes, which the rasteriser clips at too. The
// side planes need no clipping: the rectangles are cut to the viewport. Work
// is in double precision, as the far ends of the walls lie a thousand times
// the light's distance out.
#include "scene/ShadowReach.h"

#include <algorithm>
#include <cmath>

#include "model/ShadowVolume.h"

namespace {

struct Point {
    double x, y, z, w;
};

// At most the 4 corners of a wall plus one per clipping plane (8).
constexpr int kMaxCorners = 12;

struct Polygon {
    Point corners[kMaxCorners];
    int count = 0;
};

// Keeps the part where a*x + b*y + c*z + d*w >= 0. Most calls find the
// polygon wholly on one side, and return without copying it.
void clip(Polygon& polygon, double a, double b, double c, double d) {
    double distance[kMaxCorners];
    int inside = 0;
    for (int i = 0; i < polygon.count; ++i) {
        const Point& p = polygon.corners[i];
        distance[i] = a * p.x + b * p.y + c * p.z + d * p.w;
        inside += distance[i] >= 0;
    }
    if (inside == polygon.count) {
        return;
    }
    Polygon kept;
    if (inside > 0) {
        for (int i = 0, j = polygon.count - 1; i < polygon.count; j = i++) {
            // The edge from corner j to corner i: where it crosses, then i if kept.
            const double dj = distance[j], di = distance[i];
            if ((dj >= 0) != (di >= 0)) {
                const Point& p = polygon.corners[j];
                const Point& q = polygon.corners[i];
                const double t = dj / (dj - di);
                kept.corners[kept.count++] = {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t,
                                              p.z + (q.z - p.z) * t, p.w + (q.w - p.w) * t};
            }
            if (di >= 0) {
                kept.corners[kept.count++] = polygon.corners[i];
            }
        }
    }
    std::copy(kept.corners, kept.corners + kept.count, polygon.corners);
    polygon.count = kept.count;
}

// Screen bounds and nearest depth of the pieces seen.
struct Extent {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    double depth = HUGE_VAL;
};

void addSeen(Polygon piece, const ShadowView& view, Extent& extent) {
    const float* m = view.clipFromWorld;
    for (int i = 0; i < piece.count; ++i) {
        const Point p = piece.corners[i];
        piece.corners[i] = {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * p.w,
                            m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * p.w,
                            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * p.w,
                            m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15] * p.w};
    }
    clip(piece, 0, 0, 1, 1);   // near: z >= -w
    clip(piece, 0, 0, -1, 1);  // far: z <= w
    const int* vp = view.viewport;
    for (int i = 0; i < piece.count; ++i) {
        const Point& p = piece.corners[i];
        if (p.w <= 0) {
            continue;  // only on the near plane of an odd projection
        }
        const double x = vp[0] + (p.x / p.w + 1) * 0.5 * vp[2];
        const double y = vp[1] + (p.y / p.w + 1) * 0.5 * vp[3];
        const double z = view.depthNear + (p.z / p.w + 1) * 0.5 * (view.depthFar - view.depthNear);
        extent.x0 = std::min(extent.x0, x);
        extent.x1 = std::max(extent.x1, x);
        extent.y0 = std::min(extent.y0, y);
        extent.y1 = std::max(extent.y1, y);
        extent.depth = std::min(extent.depth, z);
    }
}

// The pixels around an extent, one to spare on each side, cut to the viewport.
ScreenRect pixelsOf(const Extent& extent, const int* vp) {
    ScreenRect rect;
    if (extent.x0 > extent.x1) {
        return rect;
    }
    const double left = std::max(extent.x0 - 1, double(vp[0]));
    const double bottom = std::max(extent.y0 - 1, double(vp[1]));
    const double right = std::min(extent.x1 + 2, double(vp[0] + vp[2]));
    const double top = std::min(extent.y1 + 2, double(vp[1] + vp[3]));
    if (left < right && bottom < top) {
        rect.x0 = int(std::floor(left));
        rect.y0 = int(std::floor(bottom));
        rect.x1 = int(std::ceil(right));
        rect.y1 = int(std::ceil(top));
    }
    return rect;
}

}  // namespace

void ScreenRect::unite(const ScreenRect& other) {
    if (other.empty()) {
        return;
    }
    if (empty()) {
        *this = other;
        return;
    }
    x0 = std::min(x0, other.x0);
    y0 = std::min(y0, other.y0);
    x1 = std::max(x1, other.x1);
    y1 = std::max(y1, other.y1);
}

void ScreenRect::clip(const ScreenRect& limit) {
    x0 = std::max(x0, limit.x0);
    y0 = std::max(y0, limit.y0);
    x1 = std::min(x1, limit.x1);
    y1 = std::min(y1, limit.y1);
    if (empty()) {
        *this = ScreenRect();
    }
}

ShadowReach shadowReach(const ShadowVolume& volume, const ShadowView& view) {
    // The box's six faces as planes a*x + b*y + c*z + d >= 0 holding the inside.
    const Vector3& lo = view.boundsMin;
    const Vector3& hi = view.boundsMax;
    const double faces[6][4] = {{1, 0, 0, -lo.x}, {-1, 0, 0, hi.x}, {0, 1, 0, -lo.y},
                                {0, -1, 0, hi.y}, {0, 0, 1, -lo.z}, {0, 0, -1, hi.z}};
    Extent inside;
    Extent beyond;
    const std::vector<Vector3>& v = volume.vertices();
    // Walls come as A, B, A', B, B', A'.
    for (uint32_t k = 0; k + 6 <= volume.vertexCount(); k += 6) {
        Polygon wall;
        for (uint32_t index : {k, k + 1, k + 4, k + 2}) {
            wall.corners[wall.count++] = {v[index].x, v[index].y, v[index].z, 1.0};
        }
        Polygon within = wall;
        for (const auto& f : faces) {
            bool allIn = true;
            for (int i = 0; i < wall.count; ++i) {
                const Point& p = wall.corners[i];
                allIn = allIn && f[0] * p.x + f[1] * p.y + f[2] * p.z + f[3] >= 0;
            }
            if (!allIn) {
                Polygon past = wall;
                clip(past, -f[0], -f[1], -f[2], -f[3]);
                addSeen(past, view, beyond);
                clip(within, f[0], f[1], f[2], f[3]);
            }
        }
        addSeen(within, view, inside);
    }
    ShadowReach reach;
    reach.inside = pixelsOf(inside, view.viewport);
    reach.beyond = pixelsOf(beyond, view.viewport);
    if (!reach.beyond.empty()) {
        // A little nearer than the nearest corner: rasterised depths round.
        reach.beyondDepth = float(std::max(double(view.depthNear), beyond.depth - 1e-5));
    }
    return reach;
}
