// The in-memory records of a model read from a 3DS or MD2 file: materials,
// meshes (an MD2 model has one mesh per key frame), faces, animations and
// bounding boxes. The shadow volumes read the same records.
#pragma once

#include <cstdint>
#include <vector>

#include "math/Vector3.h"

// Fixed-size name fields hold 254 characters and the terminating NUL.
constexpr size_t kRecordNameSize = 255;

struct Vector2 {
    float u = 0.0f;
    float v = 0.0f;
};

struct MaterialRecord {
    char name[kRecordNameSize] = {};
    char textureFile[kRecordNameSize] = {};  // empty: no texture map
    uint8_t color[3] = {};                   // diffuse red, green, blue
    int32_t textureId = 0;                   // set by the model object
};

struct FaceRecord {
    int32_t vertexIndex[3] = {};
    int32_t coordIndex[3] = {};  // texture coordinates (MD2 only)
    Vector3 normal;              // the plane normal, kept by the shadow volumes
};

struct MeshRecord {
    int32_t numVertices = 0;
    int32_t numFaces = 0;
    int32_t numTexCoords = 0;
    int32_t materialId = 0;  // -1: the named material is not (yet) loaded
    bool hasTexture = false;
    char name[kRecordNameSize] = {};
    std::vector<Vector3> vertices;
    std::vector<Vector3> normals;  // one smooth normal per vertex
    std::vector<Vector2> texCoords;
    std::vector<FaceRecord> faces;
    Vector3 boxMin;
    Vector3 boxMax;
    int32_t vboVertexCount = 0;  // numFaces * 3
    uint32_t vboVertices = 0;
    uint32_t vboNormals = 0;
    uint32_t vboTexCoords = 0;
};

struct AnimationRecord {
    char name[kRecordNameSize] = {};
    int32_t startFrame = 0;
    int32_t endFrame = 0;
};

struct ModelRecord {
    int32_t numMeshes = 0;
    int32_t numMaterials = 0;
    int32_t numAnimations = 0;
    int32_t currentAnimation = 0;
    int32_t currentFrame = 0;
    std::vector<AnimationRecord> animations;
    std::vector<MaterialRecord> materials;
    std::vector<MeshRecord> meshes;
    Vector3 boxMin;
    Vector3 boxMax;
    int32_t totalVertices = 0;  // vertices drawn: numFaces * 3 over the meshes
};
