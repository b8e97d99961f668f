/// \file
/// The side walls of one mesh's shadow for one light position: the faces that
/// face the light, the edges only one of them owns (the silhouette), and each
/// such edge extruded away from the light into two triangles. Pure geometry:
/// the stencil shadows of the scene count these walls into the stencil buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "math/Transform.h"
#include "math/Vector3.h"
#include "model/ModelRecord.h"
#include "model/ModelXML.h"

/// A candidate silhouette edge: an edge of a lit face, switched off when a
/// second lit face owns it too.
struct ShadowEdge {
    int32_t vertexA = 0;  ///< the edge's first vertex, as the lit face ran
    int32_t vertexB = 0;  ///< the edge's second vertex
    bool active = false;  ///< on the silhouette: owned by one lit face only
};

/// The shadow walls of one mesh, rebuilt in place whenever the light or the
/// model moves.
class ShadowVolume {
public:
    /// Empty; the first 3DS or MD2 build will compute the face normals.
    ShadowVolume();

    /// A lit face's edge: cancels the active edge it matches in either
    /// direction, or is appended as a new active edge.
    void addEdge(int32_t a, int32_t b);

    /// One 3DS mesh, placed by scale, rotation about Y by `angle` degrees
    /// and translation; the first build also computes (and keeps) face normals.
    /// `axis` is not used: the rotation is always about Y.
    void build3ds(MeshRecord& mesh, Vector3 light, Vector3 position, Vector3 scale, float angle,
                  Vector3 axis);
    /// An MD2 pose blended between two key frames (`t` of the way from
    /// `current` to `next`); frame0 holds the faces. Rebuilds on every call
    /// but the first.
    void buildMd2(MeshRecord& frame0, const MeshRecord& current, const MeshRecord& next, float t,
                  Vector3 light, Vector3 position, Vector3 scale, float angle, Vector3 axis);
    /// The first sub-object of an XML model, moved by `position` only.
    void buildXml(ModelXML& model, float lightX, float lightY, float lightZ, Vector3 position);

    /// Every candidate edge of the last build, in the order lit faces gave them.
    const std::vector<ShadowEdge>& edges() const { return edges_; }
    /// The number of candidate edges, active or not.
    uint32_t edgeCount() const { return uint32_t(edges_.size()); }
    /// The number of wall vertices to draw: six per active edge.
    uint32_t vertexCount() const { return vertexCount_; }
    /// Volume vertex positions; the first vertexCount() are drawn.
    const std::vector<Vector3>& vertices() const { return vertices_; }
    /// The last light-to-vertex direction the build computed.
    const Vector3& lightToVertex() const { return lightToVertex_; }
    /// True until a 3DS or MD2 build has computed the face normals.
    bool isFirstBuild() const { return firstBuild_; }
    /// The MD2 builder rebuilds when its call counter reaches this.
    int32_t rebuildInterval() const { return rebuildInterval_; }
    /// The MD2 builder's calls since its last rebuild.
    int32_t callCounter() const { return callCounter_; }

private:
    // The three edges of a lit triangle, in its winding order.
    void addTriangleEdges(const int32_t corners[3]);

    // One slot of the open-addressing table that finds the active edge of an
    // unordered vertex pair (lo <= hi) without scanning the edge list. A slot is
    // live only when its stamp equals the table's current stamp, so emptying
    // the table for a new build is a single increment.
    struct EdgeSlot {
        uint32_t stamp = 0;
        int32_t lo = 0;
        int32_t hi = 0;
        uint32_t entry = 0;  // index into edges_
    };

    // Empties the edge list and the pair table (storage kept).
    void beginEdges();
    void growEdgeTable();
    size_t slotOf(int32_t lo, int32_t hi) const;
    // Makes room for six vertices per edge entry; the store only ever grows.
    void reserveVertices();
    // Appends the two triangles (A, B, A') and (B, B', A').
    void emitQuad(const Vector3& a, const Vector3& b, const Vector3& farA, const Vector3& farB);
    // The walls of the edge from world point `a` to `b`, each end pushed away
    // from the light by kExtrusion times its distance to it.
    void extrude(const Vector3& a, const Vector3& b, const Vector3& light);

    std::vector<ShadowEdge> edges_;
    std::vector<Vector3> vertices_;
    uint32_t vertexCount_ = 0;
    Vector3 lightToVertex_;
    bool firstBuild_ = true;
    int32_t rebuildInterval_ = 1;
    int32_t callCounter_ = 0;

    std::vector<EdgeSlot> slots_;  // size a power of two, at most half live
    uint32_t stamp_ = 1;           // never 0: a zero stamp marks an empty slot
    uint32_t liveSlots_ = 0;
    int slotShift_ = 64;  // 64 - log2(slots_.size())
};
