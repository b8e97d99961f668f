// The shadow volume's steps in their plainest form, written apart from the
// engine's builder so that the tests and the shadow benchmark can hold it to
// them: the edge search as a scan of the whole list, model space to world
// space one step at a time, and the two wall triangles of an edge.
#pragma once

#include <vector>

#include "math/Transform.h"
#include "model/ShadowVolume.h"

// Cancels the active edge (a, b) or (b, a), the first one in list order, or
// appends (a, b) as a new active edge.
inline void plainAddEdge(std::vector<ShadowEdge>& edges, int32_t a, int32_t b) {
    for (ShadowEdge& edge : edges) {
        if (edge.active && ((edge.vertexA == a && edge.vertexB == b) ||
                            (edge.vertexA == b && edge.vertexB == a))) {
            edge.active = false;
            return;
        }
    }
    edges.push_back(ShadowEdge{a, b, true});
}

// Scale, then rotation about Y by `angle` degrees, then translation.
inline Vector3 plainWorld(Vector3 p, Vector3 scale, float angle, Vector3 position) {
    Transform t;
    t.setScale(scale);
    t.transformPoint(p);
    t.setRotationY(angle);
    t.transformPoint(p);
    t.setTranslation(position);
    t.transformPoint(p);
    return p;
}

// A, B, A', B, B', A' for the edge from world point a to b, the far ends 1000
// light-to-vertex distances out.
inline void plainWalls(std::vector<Vector3>& out, Vector3 a, Vector3 b, Vector3 light) {
    const Vector3 farA = a + (a - light) * 1000.0f;
    const Vector3 farB = b + (b - light) * 1000.0f;
    out.insert(out.end(), {a, b, farA, b, farB, farA});
}
