/// \file
/// The in-memory records of a model read from a 3DS or MD2 file: materials,
/// meshes (an MD2 model has one mesh per key frame), faces, animations and
/// bounding boxes. The shadow volumes read the same records.
#pragma once

#include <cstdint>
#include <vector>

#include "math/Vector3.h"

/// Fixed-size name fields hold 254 characters and the terminating NUL.
constexpr size_t kRecordNameSize = 255;

/// A texture coordinate.
struct Vector2 {
    float u = 0.0f;  ///< horizontal
    float v = 0.0f;  ///< vertical
};

/// A material: its name, colour and texture map.
struct MaterialRecord {
    char name[kRecordNameSize] = {};         ///< the name faces refer to it by
    char textureFile[kRecordNameSize] = {};  ///< empty: no texture map
    uint8_t color[3] = {};                   ///< diffuse red, green, blue
    int32_t textureId = 0;                   ///< set by the model object
};

/// A triangle of a mesh.
struct FaceRecord {
    int32_t vertexIndex[3] = {};  ///< the corners, indices into the mesh's vertices
    int32_t coordIndex[3] = {};   ///< texture coordinates (MD2 only)
    Vector3 normal;               ///< the plane normal, kept by the shadow volumes
};

/// A mesh (3DS) or key frame (MD2) with its buffers and box.
struct MeshRecord {
    int32_t numVertices = 0;          ///< the size of vertices
    int32_t numFaces = 0;             ///< the size of faces
    int32_t numTexCoords = 0;         ///< the size of texCoords
    int32_t materialId = 0;           ///< -1: the named material is not (yet) loaded
    bool hasTexture = false;          ///< its material has a texture map
    char name[kRecordNameSize] = {};  ///< the mesh or frame name
    std::vector<Vector3> vertices;    ///< positions
    std::vector<Vector3> normals;     ///< one smooth normal per vertex
    std::vector<Vector2> texCoords;   ///< texture coordinates
    std::vector<FaceRecord> faces;    ///< triangles
    Vector3 boxMin;                   ///< bounding box, smallest corner
    Vector3 boxMax;                   ///< bounding box, largest corner
    int32_t vboVertexCount = 0;       ///< numFaces * 3
    uint32_t vboVertices = 0;         ///< GL buffer of the unrolled positions, 0 before upload
    uint32_t vboNormals = 0;          ///< GL buffer of the unrolled normals
    uint32_t vboTexCoords = 0;        ///< GL buffer of the unrolled texture coordinates
};

/// A named run of MD2 key frames.
struct AnimationRecord {
    char name[kRecordNameSize] = {};  ///< the frame names' common prefix, such as "run"
    int32_t startFrame = 0;           ///< its first key frame
    int32_t endFrame = 0;             ///< its last key frame
};

/// A whole 3DS or MD2 model.
struct ModelRecord {
    int32_t numMeshes = 0;                    ///< the size of meshes
    int32_t numMaterials = 0;                 ///< the size of materials
    int32_t numAnimations = 0;                ///< the size of animations (MD2)
    int32_t currentAnimation = 0;             ///< the animation playing (MD2)
    int32_t currentFrame = 0;                 ///< the key frame shown (MD2)
    std::vector<AnimationRecord> animations;  ///< MD2 animations, in file order
    std::vector<MaterialRecord> materials;    ///< materials, in file order
    std::vector<MeshRecord> meshes;           ///< meshes, or MD2 key frames
    Vector3 boxMin;                           ///< bounding box of all meshes, smallest corner
    Vector3 boxMax;                           ///< bounding box of all meshes, largest corner
    int32_t totalVertices = 0;                ///< vertices drawn: numFaces * 3 over the meshes
};
