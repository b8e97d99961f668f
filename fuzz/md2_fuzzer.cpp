// Feeds arbitrary bytes to the MD2 reader. Besides the sanitizers' checks it
// traps when the record breaks the reader's contract: on success every array
// matches its count, texture coordinates and faces sit in frame 0 only, every
// face index lies inside its array and every animation inside the frames; on
// failure a message and an empty record.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzContract.h"
#include "model/ReaderMD2.h"

namespace {

bool keepsMd2Contract(bool ok, const ModelRecord& m, const std::string& message) {
    if (!ok) {
        return !message.empty() && m.numMeshes == 0 && m.meshes.empty() && m.animations.empty() &&
               m.materials.empty();
    }
    if (!message.empty() || m.numMeshes <= 0 || size_t(m.numMeshes) != m.meshes.size() ||
        size_t(m.numAnimations) != m.animations.size() || m.numMaterials != 1 ||
        m.materials.size() != 1) {
        return false;
    }
    const MeshRecord& first = m.meshes[0];
    if (first.numVertices < 0 || first.numTexCoords < 0 || first.numFaces < 0 ||
        first.faces.size() != size_t(first.numFaces) ||
        first.texCoords.size() != size_t(first.numTexCoords) ||
        m.totalVertices != first.numFaces * 3) {
        return false;
    }
    for (const FaceRecord& f : first.faces) {
        for (int k = 0; k < 3; ++k) {
            if (f.vertexIndex[k] < 0 || f.vertexIndex[k] >= first.numVertices ||
                f.coordIndex[k] < 0 || f.coordIndex[k] >= first.numTexCoords) {
                return false;
            }
        }
    }
    for (size_t i = 0; i < m.meshes.size(); ++i) {
        const MeshRecord& mesh = m.meshes[i];
        if (mesh.numVertices != first.numVertices || mesh.numFaces != first.numFaces ||
            mesh.numTexCoords != first.numTexCoords ||
            mesh.vertices.size() != size_t(mesh.numVertices) ||
            mesh.normals.size() != mesh.vertices.size() ||
            mesh.vboVertexCount != mesh.numFaces * 3 ||
            (i > 0 && (!mesh.faces.empty() || !mesh.texCoords.empty()))) {
            return false;
        }
    }
    for (const AnimationRecord& a : m.animations) {
        if (a.startFrame < 0 || a.startFrame > a.endFrame || a.endFrame >= m.numMeshes ||
            a.name[kRecordNameSize - 1] != '\0') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzReader<ModelRecord>(size, 0, [&](ModelRecord& model, std::string& message) {
        std::vector<std::string> warnings;
        const bool ok = readMd2(data, size, "fuzz.md2", "skin.pcx", model, message, warnings);
        return keepsMd2Contract(ok, model, message);
    });
}
