// Feeds arbitrary bytes to the 3DS reader. Besides the sanitizers' checks it
// traps when the record breaks what the renderer relies on: every count
// matches its array, every face names a vertex of its mesh, every mesh names
// an existing material or none, a textured mesh has a coordinate per vertex,
// names are terminated, and a failure carries a message and an empty model.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzContract.h"
#include "model/Reader3DS.h"

namespace {

bool terminated(const char* field) {
    return std::memchr(field, 0, kRecordNameSize) != nullptr;
}

bool meshHolds(const MeshRecord& mesh, int32_t numMaterials) {
    if (size_t(mesh.numVertices) != mesh.vertices.size() ||
        mesh.normals.size() != mesh.vertices.size() || size_t(mesh.numFaces) != mesh.faces.size() ||
        size_t(mesh.numTexCoords) != mesh.texCoords.size() ||
        mesh.vboVertexCount != mesh.numFaces * 3 || !terminated(mesh.name)) {
        return false;
    }
    if (mesh.materialId < -1 || mesh.materialId >= numMaterials) {
        return false;
    }
    if (mesh.hasTexture && (mesh.materialId < 0 || mesh.numTexCoords < mesh.numVertices)) {
        return false;
    }
    for (const FaceRecord& face : mesh.faces) {
        for (const int32_t i : face.vertexIndex) {
            if (i < 0 || i >= mesh.numVertices) {
                return false;
            }
        }
    }
    return true;
}

bool modelHolds(bool ok, const ModelRecord& model, const std::string& message) {
    if (!ok) {
        return !message.empty() && model.meshes.empty() && model.materials.empty();
    }
    if (!message.empty() || size_t(model.numMeshes) != model.meshes.size() ||
        size_t(model.numMaterials) != model.materials.size() || model.numAnimations != 0) {
        return false;
    }
    for (const MaterialRecord& material : model.materials) {
        if (!terminated(material.name) || !terminated(material.textureFile)) {
            return false;
        }
    }
    int64_t total = 0;
    for (const MeshRecord& mesh : model.meshes) {
        if (!meshHolds(mesh, model.numMaterials)) {
            return false;
        }
        total += mesh.vboVertexCount;
    }
    return total == model.totalVertices;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzReader<ModelRecord>(size, 0, [&](ModelRecord& model, std::string& message) {
        std::vector<std::string> warnings;
        const bool ok = read3ds(data, size, "fuzz.3ds", model, message, warnings);
        return modelHolds(ok, model, message);
    });
}
