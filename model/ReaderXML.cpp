#include "model/ReaderXML.h"

#include <algorithm>
#include <cstdlib>

#include "xml/XmlParser.h"

namespace {

constexpr float kBoxStart = 999999.0f;
const char* const kNotValid = "! Not a valid Varno Engine Model file!";

// Reads the attributes of one element, reporting each required one that is
// missing with the loader's message for it.
class ElementReader {
public:
    ElementReader(const DomNode& node, const Reporter& report, bool& valid)
        : node_(node), report_(report), valid_(valid) {}

    const char* value(const char* name) const { return node_.attributeValue(name); }
    bool has(const char* name) const { return value(name) != nullptr; }

    // A value the document must hold; `missing` is the whole message.
    const char* required(const char* name, const std::string& missing) const {
        const char* text = value(name);
        if (text == nullptr) {
            report_(missing);
            valid_ = false;
        }
        return text;
    }
    float requiredFloat(const char* name, const std::string& missing, float current) const {
        const char* text = required(name, missing);
        return text != nullptr ? float(std::atof(text)) : current;
    }
    // Values the format lists as present but that a broken file may lack:
    // they read as 0.
    float number(const char* name, float fallback = 0.0f) const {
        const char* text = value(name);
        return text != nullptr ? float(std::atof(text)) : fallback;
    }
    int integer(const char* name, int fallback) const {
        const char* text = value(name);
        return text != nullptr ? std::atoi(text) : fallback;
    }

private:
    DomNode node_;  // a handle of its own: callers pass lookups' temporaries
    const Reporter& report_;
    bool& valid_;
};

void readColour(const DomNode& material, const char* element, float colour[4],
                const Reporter& report, bool& valid) {
    ElementReader reader(material.childByName(element), report, valid);
    static const char* const kChannels[4] = {"r", "g", "b", "a"};
    for (int i = 0; i < 4; ++i) {
        // The diffuse blue message has always named "gb"; files and scripts
        // that look for it keep finding it.
        std::string shown = (std::string(element) == "diffuse" && i == 2) ? "gb" : kChannels[i];
        colour[i] = reader.requiredFloat(
            kChannels[i],
            "\n" + shown + " attribute not found in the " + element + " tag" + kNotValid,
            colour[i]);
    }
}

MaterialXML readMaterial(const DomNode& node, const TextureLoader& loadTexture,
                         const Reporter& report, bool& valid) {
    MaterialXML material;
    ElementReader reader(node, report, valid);
    if (const char* name = reader.required(
            "name", "\nname tag not found in material tag" + std::string(kNotValid))) {
        material.name = name;
    }
    material.opacity = reader.requiredFloat(
        "opacity", "\nopacity attribute not found in material tag" + std::string(kNotValid),
        material.opacity);
    readColour(node, "ambient", material.ambient, report, valid);
    readColour(node, "diffuse", material.diffuse, report, valid);
    readColour(node, "specular", material.specular, report, valid);

    DomNode texture = node.childByName("texture");
    if (texture.isEmpty()) {
        report("\nWARNING: No colormap information found.");
        return material;
    }
    ElementReader textureReader(texture, report, valid);
    const char* colormap = textureReader.required(
        "colormap", "\ncolormap attribute not found in the texture tag" + std::string(kNotValid));
    if (colormap != nullptr) {
        material.colormap = colormap;
        material.texture = loadTexture ? loadTexture(colormap) : -1;
    }
    return material;
}

VertexXML readVertex(const DomNode& node) {
    bool unused = true;
    Reporter silent;
    ElementReader reader(node, silent, unused);
    VertexXML v;
    v.x = reader.number("x");
    v.y = reader.number("y");
    v.z = reader.number("z");
    v.u0 = reader.number("u0", -1.0f);
    v.u1 = reader.number("u1");
    v.u2 = reader.number("u2");
    v.u3 = reader.number("u3");
    v.v0 = reader.number("v0");
    v.v1 = reader.number("v1");
    v.v2 = reader.number("v2");
    v.v3 = reader.number("v3");
    v.r = reader.number("r");
    v.g = reader.number("g");
    v.b = reader.number("b");
    v.a = reader.number("a");
    return v;
}

Vector3 position(const VertexXML& v) {
    return Vector3(v.x, v.y, v.z);
}

void widen(Vector3& min, Vector3& max, const Vector3& p) {
    min = Vector3(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
    max = Vector3(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
}

// Reads a face with its normal; false for one that names a vertex the
// object does not have. A material index past the table reads as none.
bool readFace(const DomNode& element, const std::vector<VertexXML>& vertices, int numMaterials,
              FaceXML& face) {
    bool unused = true;
    Reporter silent;
    ElementReader reader(element, silent, unused);
    face.a = reader.integer("a", -1);
    face.b = reader.integer("b", -1);
    face.c = reader.integer("c", -1);
    face.d = reader.integer("d", -1);
    const int vertexCount = int(vertices.size());
    auto inside = [vertexCount](int i) { return i >= 0 && i < vertexCount; };
    if (!inside(face.a) || !inside(face.b) || !inside(face.c) ||
        (face.d != -1 && !inside(face.d))) {
        return false;
    }
    const Vector3 origin = position(vertices[size_t(face.a)]);
    face.normal = cross(position(vertices[size_t(face.b)]) - origin,
                        position(vertices[size_t(face.c)]) - origin);
    face.normal.normalize();
    face.materialIndex = reader.integer("materialindex", -1);
    if (face.materialIndex < 0 || face.materialIndex >= numMaterials) {
        face.materialIndex = -1;  // drawn as a face without material
    }
    return true;
}

// Hands the first `stated` children named `tag` to `take`, in order, and
// reports a `holder` ("the xml", "object crate") that holds fewer of them
// (`what`: "materials", "vertices"). Children are taken with the iterator
// lookup, so reading stays linear in the document however many it holds.
template <typename Take>
void readStated(const DomNode& node, const char* tag, int stated, const std::string& holder,
                const char* what, const Reporter& report, Take take) {
    int iterator = 0;
    for (int k = 0; k < stated; ++k) {
        DomNode child = node.childByName(tag, &iterator);
        if (child.isEmpty()) {
            report("\nWARNING: " + holder + " holds only " + std::to_string(k) + " of its " +
                   std::to_string(stated) + " " + what + ".");
            return;
        }
        take(child);
    }
}

SubObjectXML readObject(const DomNode& node, int numMaterials, const Reporter& report) {
    bool unused = true;
    Reporter silent;
    ElementReader reader(node, silent, unused);
    SubObjectXML object;
    if (const char* name = reader.value("name")) {
        object.name = name;
    }
    const int statedVertices = std::max(0, reader.integer("numvertices", 0));
    const int statedFaces = std::max(0, reader.integer("numfaces", 0));

    ElementReader place(node.childByName("position"), silent, unused);
    object.position = Vector3(place.number("x"), place.number("y"), place.number("z"));
    ElementReader turn(node.childByName("orientation"), silent, unused);
    object.angle = turn.number("angle");
    object.axis = Vector3(turn.number("x"), turn.number("y"), turn.number("z"));

    readStated(node, "vertex", statedVertices, "object " + object.name, "vertices", report,
               [&](const DomNode& vertex) { object.vertices.push_back(readVertex(vertex)); });

    report("\nNum of faces: " + std::to_string(statedFaces));
    int skipped = 0;
    readStated(node, "face", statedFaces, "object " + object.name, "faces", report,
               [&](const DomNode& element) {
                   FaceXML face;
                   if (readFace(element, object.vertices, numMaterials, face)) {
                       object.faces.push_back(face);
                   } else {
                       ++skipped;
                   }
               });
    if (skipped > 0) {
        report("\nWARNING: object " + object.name + ": " + std::to_string(skipped) +
               " faces name vertices it does not have; they are left out.");
    }
    object.numVertices = int(object.vertices.size());
    object.numFaces = int(object.faces.size());
    return object;
}

}  // namespace

bool readXmlModel(const DomNode& root, ModelXML& model, const TextureLoader& loadTexture,
                  const Reporter& report) {
    const std::string path = model.path;
    model = ModelXML{};
    model.path = path;
    bool valid = true;

    DomNode node = root.childByName("model");
    ElementReader reader(node, report, valid);
    if (const char* name =
            reader.required("name", "\nModel Name not found in the xml" + std::string(kNotValid))) {
        model.name = name;
    }
    const char* subObjects = reader.required(
        "numsubobjects", "\nnumsubobjects tag not found in the xml" + std::string(kNotValid));
    const char* materials = reader.required(
        "nummaterials", "\nnummaterials tag not found in the xml" + std::string(kNotValid));
    const int statedObjects = subObjects != nullptr ? std::max(0, std::atoi(subObjects)) : 0;
    const int statedMaterials = materials != nullptr ? std::max(0, std::atoi(materials)) : 0;

    readStated(node, "material", statedMaterials, "the xml", "materials", report,
               [&](const DomNode& material) {
                   model.materials.push_back(readMaterial(material, loadTexture, report, valid));
               });
    model.numMaterials = int(model.materials.size());

    readStated(node, "object", statedObjects, "the xml", "objects", report,
               [&](const DomNode& object) {
                   model.subObjects.push_back(readObject(object, model.numMaterials, report));
               });
    model.numSubObjects = int(model.subObjects.size());

    model.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
    model.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
    for (SubObjectXML& object : model.subObjects) {
        object.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
        object.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
        for (const VertexXML& v : object.vertices) {
            widen(object.boxMin, object.boxMax, position(v));
            widen(model.boxMin, model.boxMax, position(v));
        }
    }
    return valid;
}
