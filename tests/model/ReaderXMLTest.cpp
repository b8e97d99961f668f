#include "model/ReaderXML.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xml/XmlParser.h"

namespace {

struct Read {
    ModelXML model;
    bool valid = false;
    std::vector<std::string> messages;
    std::vector<std::string> textures;  // colour maps asked for, in order
};

Read readDocument(const std::string& body) {
    std::string text = "<VarnoModelFormat>" + body + "</VarnoModelFormat>";
    ParseResult result;
    DomNode root = DomNode::parseText(text.c_str(), "VarnoModelFormat", &result);
    EXPECT_EQ(result.error, ErrorNone) << text;
    Read read;
    read.valid = readXmlModel(
        root, read.model,
        [&read](const char* path) {
            read.textures.push_back(path);
            return int(read.textures.size());
        },
        [&read](const std::string& m) { read.messages.push_back(m); });
    return read;
}

const char* const kMaterial =
    "<material name='m' opacity='0.5'><ambient r='1' g='2' b='3' a='4'/>"
    "<diffuse r='.1' g='.2' b='.3' a='.4'/><specular r='0' g='0' b='0' a='1'/>"
    "<texture colormap='Data/x.bmp'/></material>";

std::string object(const std::string& vertices, const std::string& faces, int numVertices,
                   int numFaces) {
    return "<object name='o' numvertices='" + std::to_string(numVertices) + "' numfaces='" +
           std::to_string(numFaces) +
           "'><position x='1' y='2' z='3'/><orientation angle='90' x='0' y='1' z='0'/>" + vertices +
           faces + "</object>";
}

const char* const kTriangle =
    "<vertex x='0' y='0' z='0' u0='0.5' v0='0.25' r='1' g='0' b='0' a='1'/>"
    "<vertex x='1' y='0' z='0' r='0' g='1' b='0' a='1'/>"
    "<vertex x='0' y='1' z='0'/><vertex x='1' y='1' z='0'/>";

// A model (`attributes`) of kMaterial and one object of the kTriangle vertices.
Read readTriangleModel(const std::string& attributes, const std::string& faces, int numVertices,
                       int numFaces) {
    return readDocument("<model " + attributes + ">" + kMaterial +
                        object(kTriangle, faces, numVertices, numFaces) + "</model>");
}

}  // namespace

TEST(ReaderXML, ReadsMaterialsVerticesFacesNormalsAndBoxes) {
    Read r = readTriangleModel("name='demo' numsubobjects='1' nummaterials='1'",
                               "<face a='0' b='1' c='2' materialindex='0'/>"
                               "<face a='1' b='3' c='2' d='0'/>",
                               4, 2);
    ASSERT_TRUE(r.valid);
    const ModelXML& m = r.model;
    EXPECT_EQ(m.name, "demo");
    ASSERT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.materials[0].ambient[2], 3.0f);
    EXPECT_FLOAT_EQ(m.materials[0].diffuse[3], 0.4f);
    EXPECT_EQ(m.materials[0].colormap, "Data/x.bmp");
    EXPECT_EQ(m.materials[0].texture, 1);
    EXPECT_EQ(r.textures, std::vector<std::string>({"Data/x.bmp"}));

    ASSERT_EQ(m.subObjects.size(), 1u);
    const SubObjectXML& o = m.subObjects[0];
    EXPECT_EQ(o.position, Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(o.angle, 90.0f);
    EXPECT_EQ(o.vertices[0].u0, 0.5f);
    EXPECT_EQ(o.vertices[1].u0, -1.0f);  // no texture coordinate
    EXPECT_EQ(o.vertices[1].g, 1.0f);
    ASSERT_EQ(o.faces.size(), 2u);
    EXPECT_EQ(o.faces[0].d, -1);
    EXPECT_EQ(o.faces[0].normal, Vector3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(o.faces[1].d, 0);
    EXPECT_EQ(o.faces[1].materialIndex, -1);  // none given
    EXPECT_EQ(o.boxMax, Vector3(1.0f, 1.0f, 0.0f));
    EXPECT_EQ(m.boxMin, Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(r.messages, std::vector<std::string>({"\nNum of faces: 2"}));
}

TEST(ReaderXML, ReportsEachMissingRequiredAttribute) {
    Read r = readDocument(
        "<model numsubobjects='0'><material opacity='1'><ambient r='1' g='1' b='1' a='1'/>"
        "<diffuse r='1' g='1' a='1'/><specular r='1' g='1' b='1' a='1'/>"
        "<texture/></material></model>");
    EXPECT_FALSE(r.valid);
    const std::string tail = "! Not a valid Varno Engine Model file!";
    EXPECT_EQ(r.messages,
              std::vector<std::string>({"\nModel Name not found in the xml" + tail,
                                        "\nnummaterials tag not found in the xml" + tail}));

    r = readDocument(
        "<model name='x' numsubobjects='0' nummaterials='1'><material opacity='1'>"
        "<ambient r='1' g='1' b='1' a='1'/><diffuse r='1' g='1' a='1'/>"
        "<specular r='1' g='1' b='1' a='1'/><texture/></material></model>");
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.messages, std::vector<std::string>(
                              {"\nname tag not found in material tag" + tail,
                               "\ngb attribute not found in the diffuse tag" + tail,
                               "\ncolormap attribute not found in the texture tag" + tail}));
}

TEST(ReaderXML, MaterialWithoutTextureIsOnlyAWarning) {
    std::string material = kMaterial;
    material.replace(material.find("<texture"),
                     std::string("<texture colormap='Data/x.bmp'/>").size(), "");
    Read r =
        readDocument("<model name='x' numsubobjects='0' nummaterials='1'>" + material + "</model>");
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.model.materials[0].texture, -1);
    EXPECT_TRUE(r.model.materials[0].colormap.empty());
    EXPECT_EQ(r.messages, std::vector<std::string>({"\nWARNING: No colormap information found."}));
}

TEST(ReaderXML, CountsAndIndicesFromTheDocumentAreNotTrusted) {
    Read r = readTriangleModel("name='x' numsubobjects='3' nummaterials='1'",
                               "<face a='0' b='1' c='9'/><face a='0' b='1' c='2' "
                               "materialindex='7'/><face b='1' c='2'/>",
                               100000000, 5);
    EXPECT_TRUE(r.valid);
    ASSERT_EQ(r.model.subObjects.size(), 1u);
    const SubObjectXML& o = r.model.subObjects[0];
    EXPECT_EQ(o.numVertices, 4);
    ASSERT_EQ(o.numFaces, 1);                 // the two faces naming missing vertices are left out
    EXPECT_EQ(o.faces[0].materialIndex, -1);  // past the material table
    ASSERT_GE(r.messages.size(), 4u);
    EXPECT_NE(r.messages[0].find("holds only 4 of its 100000000 vertices"), std::string::npos);
    EXPECT_EQ(
        r.messages,
        std::vector<std::string>(
            {"\nWARNING: object o holds only 4 of its 100000000 vertices.", "\nNum of faces: 5",
             "\nWARNING: object o holds only 3 of its 5 faces.",
             "\nWARNING: object o: 2 faces name vertices it does not have; they are left out.",
             "\nWARNING: the xml holds only 1 of its 3 objects."}));
}

TEST(ReaderXML, SampleModelReads) {
    ParseResult result;
    DomNode root = DomNode::parseXmlFile(VARNO_SOURCE_DIR "/Data/Model/crate.xml",
                                         "VarnoModelFormat", &result);
    ASSERT_EQ(result.error, ErrorNone);
    ModelXML model;
    std::vector<std::string> messages;
    ASSERT_TRUE(readXmlModel(root, model, nullptr,
                             [&messages](const std::string& m) { messages.push_back(m); }));
    EXPECT_EQ(model.numSubObjects, 2);
    EXPECT_EQ(model.subObjects[0].numFaces, 6);
    EXPECT_EQ(model.materials[0].colormap, "Data/Model/crate.bmp");
    for (const SubObjectXML& object : model.subObjects) {
        for (const FaceXML& face : object.faces) {
            EXPECT_NEAR(magnitude(face.normal), 1.0f, 1e-6f);
        }
    }
}

TEST(ReaderXML, SavedFuzzInputsReplayCleanly) {
    // Inputs that once broke the reader under the fuzzer (AddressSanitizer
    // catches a relapse in the sanitizer build).
    const std::string dir = VARNO_SOURCE_DIR "/tests/fuzz_regressions/xmlmodel/";
    for (const char* name : {"dangling-element-handle.xml"}) {
        std::ifstream in(dir + name, std::ios::binary);
        ASSERT_TRUE(in) << name;
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        DomNode root = DomNode::parseText(text.c_str(), "VarnoModelFormat");
        ModelXML model;
        readXmlModel(root, model, nullptr, [](const std::string&) {});
        EXPECT_FALSE(model.materials.empty());
    }
}
