// Feeds arbitrary text to the XML parser and, when it parses, to the XML
// model reader, then checks what the reader promises: every face names
// vertices its object has, and a material index is -1 or inside the table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/ReaderXML.h"
#include "xml/XmlParser.h"

// Inputs past 16 KiB are skipped: the small seeds and their mutations reach
// every path, and large ones would only slow each run down.
constexpr size_t kMaxInput = 16 * 1024;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    ParseResult result;
    DomNode root = DomNode::parseText(text.c_str(), "VarnoModelFormat", &result);
    if (root.isEmpty()) {
        return 0;
    }
    ModelXML model;
    readXmlModel(root, model, nullptr, [](const std::string&) {});
    for (const SubObjectXML& object : model.subObjects) {
        const int vertices = int(object.vertices.size());
        if (object.numVertices != vertices || object.numFaces != int(object.faces.size())) {
            __builtin_trap();
        }
        for (const FaceXML& face : object.faces) {
            for (int index : {face.a, face.b, face.c}) {
                if (index < 0 || index >= vertices) {
                    __builtin_trap();
                }
            }
            if (face.d < -1 || face.d >= vertices || face.materialIndex < -1 ||
                face.materialIndex >= model.numMaterials) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
