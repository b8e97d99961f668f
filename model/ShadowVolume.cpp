// Silhouette extraction and extrusion for the three model kinds. The edge list
// keeps every candidate edge in the order lit faces produced it; an edge met a
// second time (from the neighbouring lit face) is switched off, not removed.
// Finding that earlier entry goes through a hash table keyed by the unordered
// vertex pair, so a build costs time linear in the lit faces, and all storage
// (edges, pair table, vertices) is kept from build to build.
#include "model/ShadowVolume.h"

#include <algorithm>
#include <cstddef>

namespace {

// A face is lit when its unit normal dotted with the light position (taken as
// a vector from the origin) reaches this.
constexpr float kLitThreshold = 0.1f;
// The far end of a wall lies this many light-to-vertex distances beyond it.
constexpr float kExtrusion = 1000.0f;

bool inRange(int32_t index, size_t size) {
    return index >= 0 && size_t(index) < size;
}

// The faces a builder may visit: the count the record claims, never more than
// it stores.
size_t faceLimit(int32_t numFaces, size_t stored) {
    return numFaces <= 0 ? 0 : std::min(size_t(numFaces), stored);
}

Vector3 pointOf(const VertexXML& v) {
    return Vector3(v.x, v.y, v.z);
}

// Divided by its length, or left alone when that is 0 (a face without area
// keeps a zero normal and is never lit).
Vector3 unitOrZero(const Vector3& n) {
    const float length = magnitude(n);
    return length != 0.0f ? n / length : n;
}

// Model space to world space in three steps, each a transform of its own:
// scale, rotation about Y, translation.
struct WorldTransform {
    Transform scale;
    Transform rotation;
    Transform translation;

    WorldTransform(const Vector3& s, float angle, const Vector3& offset) {
        scale.setScale(s);
        rotation.setRotationY(angle);
        translation.setTranslation(offset);
    }
    Vector3 apply(Vector3 p) const {
        scale.transformPoint(p);
        rotation.transformPoint(p);
        translation.transformPoint(p);
        return p;
    }
};

// The first-build normal of a 3DS or MD2 face, rotated with the model and kept
// in the face.
void storeRotatedNormal(FaceRecord& face, const std::vector<Vector3>& vertices,
                        const Transform& rotation) {
    const Vector3& c0 = vertices[size_t(face.vertexIndex[0])];
    const Vector3& c1 = vertices[size_t(face.vertexIndex[1])];
    const Vector3& c2 = vertices[size_t(face.vertexIndex[2])];
    Vector3 n = cross(c1 - c0, c2 - c0);
    rotation.transformPoint(n);
    face.normal = unitOrZero(n);
}

bool cornersIn(const FaceRecord& face, size_t size) {
    return inRange(face.vertexIndex[0], size) && inRange(face.vertexIndex[1], size) &&
           inRange(face.vertexIndex[2], size);
}

}  // namespace

ShadowVolume::ShadowVolume() = default;

void ShadowVolume::beginEdges() {
    edges_.clear();
    liveSlots_ = 0;
    if (++stamp_ == 0) {
        // After 2^32 builds the stamps wrap: forget every slot once.
        for (EdgeSlot& slot : slots_) {
            slot.stamp = 0;
        }
        stamp_ = 1;
    }
}

size_t ShadowVolume::slotOf(int32_t lo, int32_t hi) const {
    const uint64_t key = (uint64_t(uint32_t(lo)) << 32) | uint32_t(hi);
    return size_t((key * 0x9E3779B97F4A7C15ull) >> slotShift_);
}

void ShadowVolume::growEdgeTable() {
    const size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    int bits = 0;
    while ((size_t(1) << bits) < size) {
        ++bits;
    }
    std::vector<EdgeSlot> old(size);
    old.swap(slots_);
    slotShift_ = 64 - bits;
    const size_t mask = size - 1;
    for (const EdgeSlot& slot : old) {
        if (slot.stamp == stamp_) {
            size_t i = slotOf(slot.lo, slot.hi);
            while (slots_[i].stamp == stamp_) {
                i = (i + 1) & mask;
            }
            slots_[i] = slot;
        }
    }
}

void ShadowVolume::addTriangleEdges(const int32_t corners[3]) {
    addEdge(corners[0], corners[1]);
    addEdge(corners[1], corners[2]);
    addEdge(corners[2], corners[0]);
}

void ShadowVolume::addEdge(int32_t a, int32_t b) {
    // At most one active entry per unordered pair exists at any time (a second
    // one would have cancelled the first), so the table maps each pair to the
    // index of its active entry, and the entry it finds is the one a scan of
    // the list in order would find.
    if (size_t(liveSlots_ + 1) * 2 > slots_.size()) {
        growEdgeTable();
    }
    const int32_t lo = std::min(a, b);
    const int32_t hi = std::max(a, b);
    const size_t mask = slots_.size() - 1;
    size_t i = slotOf(lo, hi);
    while (slots_[i].stamp == stamp_) {
        if (slots_[i].lo == lo && slots_[i].hi == hi) {
            edges_[slots_[i].entry].active = false;
            // Linear-probing removal: pull later entries of the run back into
            // the hole unless their home slot lies after it.
            size_t hole = i;
            for (size_t j = (i + 1) & mask; slots_[j].stamp == stamp_; j = (j + 1) & mask) {
                const size_t home = slotOf(slots_[j].lo, slots_[j].hi);
                const bool stays =
                    hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
                if (!stays) {
                    slots_[hole] = slots_[j];
                    hole = j;
                }
            }
            slots_[hole].stamp = 0;
            --liveSlots_;
            return;
        }
        i = (i + 1) & mask;
    }
    slots_[i] = EdgeSlot{stamp_, lo, hi, uint32_t(edges_.size())};
    ++liveSlots_;
    edges_.push_back(ShadowEdge{a, b, true});
}

void ShadowVolume::reserveVertices() {
    const size_t needed = edges_.size() * 6;
    if (vertices_.size() < needed) {
        vertices_.resize(needed);
    }
}

void ShadowVolume::emitQuad(const Vector3& a, const Vector3& b, const Vector3& farA,
                            const Vector3& farB) {
    Vector3* out = vertices_.data() + vertexCount_;
    out[0] = a;
    out[1] = b;
    out[2] = farA;
    out[3] = b;
    out[4] = farB;
    out[5] = farA;
    vertexCount_ += 6;
}

void ShadowVolume::extrude(const Vector3& a, const Vector3& b, const Vector3& light) {
    lightToVertex_ = b - light;
    emitQuad(a, b, a + (a - light) * kExtrusion, b + lightToVertex_ * kExtrusion);
}

void ShadowVolume::build3ds(MeshRecord& mesh, Vector3 light, Vector3 position, Vector3 scale,
                            float angle, Vector3 /*axis: rotation is always about Y*/) {
    beginEdges();
    vertexCount_ = 0;

    const size_t vertexTotal = mesh.vertices.size();
    const size_t faces = faceLimit(mesh.numFaces, mesh.faces.size());
    const WorldTransform world(scale, angle, position);
    for (size_t i = 0; i < faces; ++i) {
        FaceRecord& face = mesh.faces[i];
        if (!cornersIn(face, vertexTotal)) {
            continue;
        }
        bool lit;
        if (firstBuild_) {
            storeRotatedNormal(face, mesh.vertices, world.rotation);
            lit = dot(face.normal, light) >= kLitThreshold;
        } else {
            lit = dot(face.normal, light) > kLitThreshold;
        }
        if (lit) {
            addTriangleEdges(face.vertexIndex);
        }
    }
    firstBuild_ = false;

    reserveVertices();
    for (const ShadowEdge& edge : edges_) {
        if (!edge.active) {
            continue;
        }
        extrude(world.apply(mesh.vertices[size_t(edge.vertexA)]),
                world.apply(mesh.vertices[size_t(edge.vertexB)]), light);
    }
}

void ShadowVolume::buildMd2(MeshRecord& frame0, const MeshRecord& current, const MeshRecord& next,
                            float t, Vector3 light, Vector3 position, Vector3 scale, float angle,
                            Vector3 /*axis: rotation is always about Y*/) {
    const bool rebuild = callCounter_ == rebuildInterval_;
    if (rebuild) {
        callCounter_ = 0;
    }
    ++callCounter_;
    if (!rebuild) {
        return;
    }

    beginEdges();
    vertexCount_ = 0;

    // Faces live in frame 0; the other frames only move their vertices. A face
    // is extruded only when every frame involved holds its corners.
    const size_t faces = std::min(faceLimit(current.numFaces, frame0.faces.size()),
                                  faceLimit(frame0.numFaces, frame0.faces.size()));
    const size_t frame0Total = frame0.vertices.size();
    const size_t poseTotal = std::min(current.vertices.size(), next.vertices.size());
    const WorldTransform world(scale, angle, position);
    for (size_t i = 0; i < faces; ++i) {
        FaceRecord& face = frame0.faces[i];
        if (!cornersIn(face, frame0Total)) {
            continue;
        }
        if (firstBuild_) {
            storeRotatedNormal(face, frame0.vertices, world.rotation);
        }
        if (dot(face.normal, light) >= kLitThreshold && cornersIn(face, poseTotal)) {
            addTriangleEdges(face.vertexIndex);
        }
    }
    firstBuild_ = false;

    reserveVertices();
    const auto blended = [&](int32_t index) {
        const Vector3 from = world.apply(current.vertices[size_t(index)]);
        const Vector3 to = world.apply(next.vertices[size_t(index)]);
        return Vector3(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t,
                       from.z + (to.z - from.z) * t);
    };
    for (const ShadowEdge& edge : edges_) {
        if (!edge.active) {
            continue;
        }
        extrude(blended(edge.vertexA), blended(edge.vertexB), light);
    }
}

void ShadowVolume::buildXml(ModelXML& model, float lightX, float lightY, float lightZ,
                            Vector3 position) {
    beginEdges();
    vertexCount_ = 0;
    if (model.subObjects.empty()) {
        return;
    }

    SubObjectXML& object = model.subObjects[0];
    const std::vector<VertexXML>& vertices = object.vertices;
    const Vector3 light(lightX, lightY, lightZ);
    const size_t faces = faceLimit(object.numFaces, object.faces.size());
    for (size_t i = 0; i < faces; ++i) {
        FaceXML& face = object.faces[i];
        const bool quad = face.d != -1;
        if (!inRange(face.a, vertices.size()) || !inRange(face.b, vertices.size()) ||
            !inRange(face.c, vertices.size()) || (quad && !inRange(face.d, vertices.size()))) {
            continue;
        }
        const Vector3 c0 = pointOf(vertices[size_t(face.a)]);
        const Vector3 c1 = pointOf(vertices[size_t(face.b)]);
        const Vector3 c2 = pointOf(vertices[size_t(face.c)]);
        face.normal = unitOrZero(cross(c1 - c0, c2 - c0));
        if (dot(face.normal, light) >= kLitThreshold) {
            lightToVertex_ = (position + c0) - light;
            addEdge(face.a, face.b);
            addEdge(face.b, face.c);
            if (quad) {
                addEdge(face.c, face.d);
                addEdge(face.d, face.a);
            } else {
                addEdge(face.c, face.a);
            }
        }
    }

    // Every wall of the build goes along the one direction the last lit face
    // left behind.
    reserveVertices();
    const Vector3 extrusion = lightToVertex_ * kExtrusion;
    for (const ShadowEdge& edge : edges_) {
        if (!edge.active) {
            continue;
        }
        const Vector3 a = pointOf(vertices[size_t(edge.vertexA)]) + position;
        const Vector3 b = pointOf(vertices[size_t(edge.vertexB)]) + position;
        emitQuad(a, b, a + extrusion, b + extrusion);
    }
}
