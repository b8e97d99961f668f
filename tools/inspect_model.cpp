// varno-inspect model FILE and varno-inspect xml FILE.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/FileBytes.h"
#include "model/ModelRecord.h"
#include "model/Reader3DS.h"
#include "model/ReaderMD2.h"
#include "model/ReaderXML.h"
#include "tools/inspect.h"
#include "xml/XmlParser.h"

namespace {

std::string lowerExtension(const char* file) {
    const char* dot = std::strrchr(file, '.');
    std::string extension = dot != nullptr ? dot + 1 : "";
    for (char& c : extension) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

int rejected(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

void printBox(const Vector3& min, const Vector3& max) {
    std::printf("box %g %g %g %g %g %g\n", min.x, min.y, min.z, max.x, max.y, max.z);
}

void printRecordSummary(const char* kind, const ModelRecord& model) {
    long vertices = 0;
    long faces = 0;
    for (const MeshRecord& mesh : model.meshes) {
        vertices += mesh.numVertices;
        faces += mesh.numFaces;
    }
    std::printf("kind %s\n", kind);
    std::printf("%s %d\n", std::strcmp(kind, "md2") == 0 ? "frames" : "meshes", model.numMeshes);
    std::printf("materials %d\n", model.numMaterials);
    std::printf("vertices %ld faces %ld\n", vertices, faces);
    std::printf("totalVertices %d\n", model.totalVertices);
}

int inspect3ds(const std::vector<uint8_t>& bytes, const char* file) {
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    bool ok = read3ds(bytes.data(), bytes.size(), file, model, message, warnings);
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    if (!ok) {
        return rejected(message);
    }
    printRecordSummary("3ds", model);
    printBox(model.boxMin, model.boxMax);
    for (const MeshRecord& mesh : model.meshes) {
        const char* material = "-";
        if (mesh.materialId >= 0 && size_t(mesh.materialId) < model.materials.size()) {
            material = model.materials[size_t(mesh.materialId)].name;
        }
        std::printf("mesh \"%s\" vertices %d faces %d texcoords %d material \"%s\"\n", mesh.name,
                    mesh.numVertices, mesh.numFaces, mesh.numTexCoords, material);
    }
    for (const MaterialRecord& material : model.materials) {
        std::printf("material \"%s\" texture \"%s\"\n", material.name, material.textureFile);
    }
    return 0;
}

int inspectMd2(const std::vector<uint8_t>& bytes, const char* file) {
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    bool ok = readMd2(bytes.data(), bytes.size(), file, nullptr, model, message, warnings);
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    if (!ok) {
        return rejected(message);
    }
    printRecordSummary("md2", model);
    if (!model.meshes.empty()) {
        printBox(model.meshes[0].boxMin, model.meshes[0].boxMax);
    }
    for (const AnimationRecord& animation : model.animations) {
        std::printf("animation %s %d %d\n", animation.name, animation.startFrame,
                    animation.endFrame);
    }
    return 0;
}

std::string parseReport(const ParseResult& result) {
    return "error " + std::to_string(int(result.error)) + " " + errorText(result.error) + " line " +
           std::to_string(result.line) + " column " + std::to_string(result.column);
}

int inspectXmlModel(const char* file) {
    // The parse is checked here rather than through the loader's fatal path.
    ParseResult result;
    DomNode root = DomNode::parseXmlFile(file, "VarnoModelFormat", &result);
    if (result.error != ErrorNone) {
        return rejected(parseReport(result));
    }
    ModelXML model;
    model.path = file;
    std::vector<std::string> messages;
    bool valid = readXmlModel(root, model, nullptr,
                              [&messages](const std::string& m) { messages.push_back(m); });
    if (!valid) {
        std::string all;
        for (const std::string& message : messages) {
            all += message;
        }
        return rejected(all);
    }
    long vertices = 0;
    long faces = 0;
    long drawn = 0;
    for (const SubObjectXML& object : model.subObjects) {
        vertices += object.numVertices;
        faces += object.numFaces;
        for (const FaceXML& face : object.faces) {
            drawn += face.d >= 0 ? 6 : 3;  // a quad is drawn as two triangles
        }
    }
    std::printf("kind xml\n");
    std::printf("subobjects %d\n", model.numSubObjects);
    std::printf("materials %d\n", model.numMaterials);
    std::printf("vertices %ld faces %ld\n", vertices, faces);
    std::printf("totalVertices %ld\n", drawn);
    printBox(model.boxMin, model.boxMax);
    for (const SubObjectXML& object : model.subObjects) {
        std::printf("object \"%s\" vertices %d faces %d\n", object.name.c_str(), object.numVertices,
                    object.numFaces);
    }
    for (const MaterialXML& material : model.materials) {
        std::printf("material \"%s\" colormap \"%s\"\n", material.name.c_str(),
                    material.colormap.c_str());
    }
    return 0;
}

}  // namespace

int inspectModel(const char* file) {
    std::string extension = lowerExtension(file);
    if (extension == "xml") {
        return inspectXmlModel(file);
    }
    if (extension != "3ds" && extension != "md2") {
        return rejected(std::string("not a model file (.3ds, .md2 or .xml): ") + file);
    }
    std::vector<uint8_t> bytes;
    if (!readFileBytes(file, bytes)) {
        return rejected(std::string("Unable to find the file: ") + file + "!");
    }
    return extension == "3ds" ? inspect3ds(bytes, file) : inspectMd2(bytes, file);
}

int inspectXml(const char* file) {
    ParseResult result;
    DomNode root = DomNode::parseXmlFile(file, nullptr, &result);
    std::printf("%s\n", parseReport(result).c_str());
    if (!root.isEmpty()) {
        root.printText(stdout, true);
    }
    return result.error == ErrorNone ? 0 : 1;
}
