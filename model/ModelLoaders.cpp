#include "model/ModelLoaders.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/Console.h"
#include "base/FileBytes.h"
#include "model/Reader3DS.h"
#include "model/ReaderMD2.h"
#include "model/ReaderXML.h"
#include "core/Engine.h"
#include "platform/Utils.h"
#include "xml/XmlParser.h"

namespace {

// A model the program needs and cannot have: say why and stop, rather than
// run on with SDL shut down.
[[noreturn]] void fatal(const std::string& message) {
    console::outLine(message);
    SDL_Quit();
    std::exit(1);
}

void readModelFile(const char* path, std::vector<uint8_t>& bytes) {
    if (path == nullptr || !readFileBytes(path, bytes)) {
        fatal(std::string("Unable to find the file: ") + (path ? path : "") + "!");
    }
}

void printWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
        console::outLine(warning);
    }
}

GLuint createBuffer(const void* data, size_t bytes) {
    GLuint name = 0;
    glGenBuffersARB(1, &name);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(bytes), data, GL_STATIC_DRAW_ARB);
    return name;
}

}  // namespace

bool load3ds(ModelRecord& model, const char* path) {
    std::vector<uint8_t> bytes;
    readModelFile(path, bytes);
    std::string message;
    std::vector<std::string> warnings;
    bool ok = read3ds(bytes.data(), bytes.size(), path, model, message, warnings);
    printWarnings(warnings);
    if (!ok) {
        fatal(message);
    }
    for (MeshRecord& mesh : model.meshes) {
        createVertexBuffers(mesh);
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    return true;
}

bool loadMd2(ModelRecord& model, const char* path, const char* skinFile) {
    std::vector<uint8_t> bytes;
    readModelFile(path, bytes);
    std::string message;
    std::vector<std::string> warnings;
    bool ok = readMd2(bytes.data(), bytes.size(), path, skinFile, model, message, warnings);
    printWarnings(warnings);
    if (!ok) {
        fatal(message);
    }
    return true;
}

ModelXML& loadXmlModel(ModelXML& model, const char* path) {
    model.path = path != nullptr ? path : "";
    DomNode root = DomNode::openXmlFile(path, "VarnoModelFormat");
    bool valid = readXmlModel(
        root, model,
        [](const char* colormap) { return int(Engine::utils->loadImageByExtension(colormap)); },
        [](const std::string& message) { console::outLine(message); });
    if (!valid) {
        // Every missing attribute has been named; a model that lacks them
        // cannot be drawn as meant.
        SDL_Quit();
        std::exit(1);
    }
    return model;
}

void createVertexBuffers(MeshRecord& mesh) {
    mesh.vboVertexCount = int32_t(mesh.faces.size() * 3);
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
    std::vector<Vector2> coords;
    positions.reserve(size_t(mesh.vboVertexCount));
    normals.reserve(size_t(mesh.vboVertexCount));
    // Texture coordinates are looked up by vertex index: a mesh without one
    // for every vertex is drawn untextured.
    if (mesh.texCoords.size() < mesh.vertices.size()) {
        mesh.hasTexture = false;
    }
    const bool textured = mesh.hasTexture;
    for (const FaceRecord& face : mesh.faces) {
        for (int corner = 0; corner < 3; ++corner) {
            size_t v = size_t(face.vertexIndex[corner]);
            positions.push_back(mesh.vertices[v]);
            normals.push_back(mesh.normals[v]);
            if (textured) {
                coords.push_back(mesh.texCoords[v]);
            }
        }
    }
    mesh.vboVertices = createBuffer(positions.data(), positions.size() * sizeof(Vector3));
    mesh.vboNormals = createBuffer(normals.data(), normals.size() * sizeof(Vector3));
    if (textured) {
        mesh.vboTexCoords = createBuffer(coords.data(), coords.size() * sizeof(Vector2));
    }
}
