#include "model/Reader3DS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Faces = std::vector<std::array<int, 3>>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes u16(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}
Bytes u32(uint32_t v) {
    return u16(v) + u16(v >> 16);
}
Bytes f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
}
Bytes str(const std::string& s) {
    return Bytes(s.c_str(), s.c_str() + s.size() + 1);
}

// A small chunk writer: each helper returns one whole chunk.
Bytes chunk(uint16_t id, const Bytes& body) {
    return u16(id) + u32(uint32_t(body.size() + 6)) + body;
}
Bytes vertexList(const std::vector<Vector3>& v) {
    Bytes b = u16(uint32_t(v.size()));
    for (const Vector3& p : v) {
        b = b + f32(p.x) + f32(p.y) + f32(p.z);
    }
    return chunk(0x4110, b);
}
Bytes faceList(const Faces& faces, const Bytes& children = {}) {
    Bytes b = u16(uint32_t(faces.size()));
    for (const auto& f : faces) {
        b = b + u16(f[0]) + u16(f[1]) + u16(f[2]) + u16(7);
    }
    return chunk(0x4120, b + children);
}
Bytes group(const std::string& material) {
    return chunk(0x4130, str(material) + u16(1) + u16(0));
}
Bytes object(const std::string& name, const Bytes& meshChunks) {
    return chunk(0x4000, str(name) + chunk(0x4100, meshChunks));
}
Bytes material(const std::string& name, const std::string& texture = "") {
    return chunk(0xAFFF,
                 chunk(0xA000, str(name)) + chunk(0xA020, chunk(0x0011, {10, 20, 30})) +
                     (texture.empty() ? Bytes() : chunk(0xA200, chunk(0xA300, str(texture)))));
}
Bytes model3ds(const Bytes& editorChunks, uint32_t version = 3) {
    return chunk(0x4D4D, chunk(0x0002, u32(version)) +
                             chunk(0x3D3D, chunk(0x3D3E, u32(3)) + editorChunks) +
                             chunk(0xB000, Bytes(20, 0)));
}

const std::vector<Vector3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

// The record's invariants, whatever the bytes: every count matches its
// array, every face names a vertex of its mesh, names are terminated.
void expectSane(const ModelRecord& m) {
    ASSERT_EQ(size_t(m.numMeshes), m.meshes.size());
    ASSERT_EQ(size_t(m.numMaterials), m.materials.size());
    for (const MaterialRecord& mat : m.materials) {
        EXPECT_TRUE(std::memchr(mat.name, 0, kRecordNameSize) &&
                    std::memchr(mat.textureFile, 0, kRecordNameSize));
    }
    int64_t total = 0;
    for (const MeshRecord& mesh : m.meshes) {
        EXPECT_TRUE(std::memchr(mesh.name, 0, kRecordNameSize));
        ASSERT_TRUE(size_t(mesh.numVertices) == mesh.vertices.size() &&
                    mesh.normals.size() == mesh.vertices.size() &&
                    size_t(mesh.numFaces) == mesh.faces.size() &&
                    size_t(mesh.numTexCoords) == mesh.texCoords.size());
        EXPECT_EQ(mesh.vboVertexCount, mesh.numFaces * 3);
        EXPECT_TRUE(mesh.materialId >= -1 && mesh.materialId < m.numMaterials);
        EXPECT_TRUE(!mesh.hasTexture || mesh.numTexCoords >= mesh.numVertices);
        for (const FaceRecord& f : mesh.faces) {
            for (int32_t i : f.vertexIndex) {
                ASSERT_TRUE(i >= 0 && i < mesh.numVertices);
            }
        }
        total += mesh.vboVertexCount;
    }
    EXPECT_EQ(m.totalVertices, total);
}

struct Result {
    bool ok = false;
    std::string message;
    ModelRecord model;
    std::vector<std::string> warnings;
};

// Reads an exactly sized heap copy, so AddressSanitizer sees any read past it.
Result read(const Bytes& file, const char* name = "t.3ds") {
    Result r;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), copy.get());
    r.ok = read3ds(file.empty() ? nullptr : copy.get(), file.size(), name, r.model, r.message,
                   r.warnings);
    EXPECT_EQ(r.ok, r.message.empty()) << r.message;
    expectSane(r.model);
    return r;
}

// The normals as described: every vertex scans every face that names it.
std::vector<Vector3> quadraticNormals(const MeshRecord& mesh) {
    std::vector<Vector3> normals;
    for (int32_t i = 0; i < mesh.numVertices; ++i) {
        Vector3 sum;
        int count = 0;
        for (const FaceRecord& f : mesh.faces) {
            const int32_t* v = f.vertexIndex;
            if (v[0] == i || v[1] == i || v[2] == i) {
                const Vector3 &p0 = mesh.vertices[v[0]], &p1 = mesh.vertices[v[1]],
                              &p2 = mesh.vertices[v[2]];
                sum = add(sum, cross(p0 - p2, p2 - p1));
                ++count;
            }
        }
        const Vector3 average = count ? divide(sum, -float(count)) : Vector3();
        normals.push_back(magnitude(average) == 0.0f ? Vector3(0, 1, 0) : normalizeVector(average));
    }
    return normals;
}

void expectQuadraticNormals(const MeshRecord& mesh, const std::string& what) {
    const std::vector<Vector3> expected = quadraticNormals(mesh);
    ASSERT_EQ(expected.size(), mesh.normals.size()) << what;
    const size_t bytes = expected.size() * sizeof(Vector3);
    EXPECT_TRUE(bytes == 0 || std::memcmp(expected.data(), mesh.normals.data(), bytes) == 0)
        << what << " mesh " << mesh.name;
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(Reader3DS, RefusesWhatIsNotA3dsFile) {
    const Bytes cases[] = {{}, {0x4D, 0x4D, 6, 0, 0}, chunk(0x4D4C, {}), chunk(0x3D3D, {})};
    for (const Bytes& file : cases) {
        const Result r = read(file, "bad.3ds");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ("Unable to load PRIMARY chuck from file: bad.3ds!", r.message);
        EXPECT_TRUE(r.model.meshes.empty());
    }
}

TEST(Reader3DS, VersionAxesAndEmptyBox) {
    const Result v3 = read(model3ds({}));
    ASSERT_TRUE(v3.ok);
    EXPECT_TRUE(v3.warnings.empty());
    EXPECT_EQ(0, v3.model.numMeshes);
    EXPECT_EQ(Vector3(999999, 999999, 999999), v3.model.boxMin);
    EXPECT_EQ(Vector3(-999999, -999999, -999999), v3.model.boxMax);

    const Result v4 = read(model3ds(object("o", vertexList({{1, 2, 3}})), 4));
    ASSERT_TRUE(v4.ok);
    EXPECT_EQ(
        std::vector<std::string>{"This 3DS file is over version 3 so it may load incorrectly"},
        v4.warnings);
    ASSERT_EQ(1, v4.model.numMeshes);
    const MeshRecord& mesh = v4.model.meshes[0];
    EXPECT_STREQ("o", mesh.name);
    EXPECT_EQ(Vector3(1, 3, -2), mesh.vertices.at(0));
    EXPECT_EQ(Vector3(1, 3, -2), mesh.boxMin);
    EXPECT_EQ(Vector3(1, 3, -2), v4.model.boxMax);
    EXPECT_EQ(Vector3(0, 1, 0), mesh.normals.at(0));  // no face names it
}

TEST(Reader3DS, MaterialsMatchedByNameAsTheGroupIsRead) {
    const Bytes mesh = vertexList(kTriangle) + faceList({{0, 1, 2}}, group("wood")) +
                       chunk(0x4140, u16(3) + Bytes(16, 0) + f32(2) + f32(0.5f)) +
                       chunk(0x4160, Bytes(48, 0));
    const Bytes file =
        model3ds(material("stone") + material("wood", "wood.tga") + material("wood", "x.tga") +
                 object("a", mesh) +
                 object("b", vertexList(kTriangle) + faceList({{0, 1, 2}}, group("later"))) +
                 material("later", "later.tga"));
    const Result r = read(file);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.warnings.empty());
    ASSERT_EQ(4, r.model.numMaterials);
    EXPECT_STREQ("wood.tga", r.model.materials[1].textureFile);
    EXPECT_EQ(10, r.model.materials[1].color[0]);
    EXPECT_EQ(30, r.model.materials[1].color[2]);
    const MeshRecord& a = r.model.meshes.at(0);
    EXPECT_EQ(1, a.materialId);  // the first "wood"
    EXPECT_TRUE(a.hasTexture);
    EXPECT_EQ(3, a.numTexCoords);  // the sibling after the face list's group
    EXPECT_EQ(2.0f, a.texCoords.at(2).u);
    const MeshRecord& b = r.model.meshes.at(1);
    EXPECT_EQ(-1, b.materialId);
    EXPECT_FALSE(b.hasTexture);

    // No materials at all: no mesh names one.
    const Result none = read(model3ds(object("a", mesh)));
    EXPECT_EQ(-1, none.model.meshes.at(0).materialId);
    EXPECT_FALSE(none.model.meshes.at(0).hasTexture);
}

// What `assimp info` lists for a file: its named materials, then its
// texture files; empty when assimp is not installed.
std::vector<std::string> assimpMaterialsAndTextures(const Bytes& file) {
    char path[] = "/tmp/varno-3ds-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, file.data(), file.size()) != ssize_t(file.size())) {
        return {};
    }
    close(fd);
    std::vector<std::string> found;
    if (FILE* out = popen(("assimp info " + std::string(path) + " -r 2>/dev/null").c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            const std::string text = line;
            const size_t open = text.find("    '"), close = text.rfind('\'');
            if (open == 0 && close > 4) {
                found.push_back(text.substr(5, close - 5));
            }
        }
        pclose(out);
    }
    std::remove(path);
    return found;
}

// Exporters that write no mesh version chunk open the editor data with a
// material or an object; it is read like the chunks after it.
TEST(Reader3DS, EditorDataWithoutAMeshVersionKeepsItsFirstChunk) {
    const Bytes editor =
        material("wood", "wood.tga") +
        object("tri", vertexList(kTriangle) + faceList({{0, 1, 2}}, group("wood")) +
                          chunk(0x4140, u16(3) + Bytes(24, 0)));
    const Bytes file = chunk(0x4D4D, chunk(0x0002, u32(3)) + chunk(0x3D3D, editor));
    const Result r = read(file);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(1, r.model.numMaterials);
    EXPECT_STREQ("wood", r.model.materials[0].name);
    EXPECT_STREQ("wood.tga", r.model.materials[0].textureFile);
    EXPECT_EQ(0, r.model.meshes.at(0).materialId);
    EXPECT_TRUE(r.model.meshes.at(0).hasTexture);

    // The same record with the chunk, and what assimp finds in the file.
    const Result with = read(model3ds(editor));
    EXPECT_EQ(1, with.model.numMaterials);
    EXPECT_EQ(0, with.model.meshes.at(0).materialId);
    const std::vector<std::string> assimp = assimpMaterialsAndTextures(file);
    if (!assimp.empty()) {
        EXPECT_EQ(assimp, (std::vector<std::string>{"wood", "wood.tga"}));
    }
}

TEST(Reader3DS, NormalsPointOutwardsAndMatchTheQuadraticScan) {
    std::vector<Vector3> corners;
    for (int i = 0; i < 8; ++i) {
        corners.push_back(Vector3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    }
    // Two triangles per side, counter-clockwise seen from outside in the
    // file's axes.
    const int sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    Faces faces;
    for (const auto& s : sides) {
        faces.push_back({s[0], s[1], s[2]});
        faces.push_back({s[0], s[2], s[3]});
    }
    const Result r = read(model3ds(object("cube", vertexList(corners) + faceList(faces))));
    ASSERT_TRUE(r.ok);
    const MeshRecord& mesh = r.model.meshes.at(0);
    EXPECT_EQ(36, mesh.vboVertexCount);
    EXPECT_EQ(36, r.model.totalVertices);
    EXPECT_EQ(Vector3(-1, -1, -1), mesh.boxMin);
    EXPECT_EQ(Vector3(1, 1, 1), r.model.boxMax);
    for (int i = 0; i < 8; ++i) {
        EXPECT_GT(dot(mesh.normals[i], mesh.vertices[i]), 1.0f) << i;
        EXPECT_NEAR(1.0f, magnitude(mesh.normals[i]), 1e-6f);
    }
    expectQuadraticNormals(mesh, "cube");

    // Random faces, some naming a vertex twice or three times, some without
    // area, and vertices no face names.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
    std::vector<Vector3> vertices(60);
    for (Vector3& v : vertices) {
        v = Vector3(coordinate(random), coordinate(random), coordinate(random));
    }
    Faces random300;
    for (int i = 0; i < 300; ++i) {
        const int a = int(random() % 50), b = i % 7 ? int(random() % 50) : a;
        random300.push_back({a, b, i % 11 ? int(random() % 50) : b});
    }
    const Result rr = read(model3ds(object("r", vertexList(vertices) + faceList(random300))));
    expectQuadraticNormals(rr.model.meshes.at(0), "random");
}

TEST(Reader3DS, FieldsAndCountsNeverOverflow) {
    const std::string longName(300, 'n');
    const Bytes file =
        model3ds(chunk(0xAFFF, chunk(0xA000, Bytes(400, 'm')) +
                                   chunk(0xA020, chunk(0x0010, f32(1) + f32(0.25f) + f32(1)) +
                                                     chunk(0x0011, {1, 2, 3})) +
                                   chunk(0xA200, chunk(0xA300, Bytes(300, 't')))) +
                 object(longName, chunk(0x4110, u16(10) + Bytes(24, 0)) +  // 2 of 10 vertices
                                      faceList({{0, 1, 0}, {0, 5, 1}, {1, 0, 9}}) +  // 2 broken
                                      chunk(0x4130, str(std::string(254, 'm')) + str("rest")) +
                                      chunk(0x4140, u16(5) + Bytes(8, 0))));  // 1 of 5 coordinates
    const Result r = read(file);
    ASSERT_TRUE(r.ok);
    const MaterialRecord& mat = r.model.materials.at(0);
    EXPECT_EQ(std::string(254, 'm'), mat.name);
    EXPECT_EQ(std::string(254, 't'), mat.textureFile);
    EXPECT_EQ(0, mat.color[0]);  // the first colour child's first bytes: 1.0f
    EXPECT_EQ(0x80, mat.color[2]);
    const MeshRecord& mesh = r.model.meshes.at(0);
    EXPECT_EQ(std::string(254, 'n'), mesh.name);
    EXPECT_EQ(2, mesh.numVertices);
    EXPECT_EQ(1, mesh.numFaces);
    EXPECT_EQ(0, mesh.materialId);
    EXPECT_TRUE(mesh.hasTexture);
    EXPECT_EQ(2, mesh.numTexCoords);  // padded to one per vertex
    EXPECT_EQ(0.0f, mesh.texCoords[1].u);
    EXPECT_EQ(4u, r.warnings.size());  // vertices, coordinates, faces, padding
}

TEST(Reader3DS, HostileChunkLengthsAreBounded) {
    const Bytes mesh = object("o", vertexList(kTriangle) + faceList({{0, 1, 2}}));
    // A zero length ends its parent's children; a length past the parent is
    // cut to it; a version chunk longer than four bytes is cut.
    const Result zero = read(model3ds(mesh + u16(0x4000) + u32(0) + object("late", {})));
    EXPECT_EQ(1, zero.model.numMeshes);
    EXPECT_TRUE(zero.warnings.empty());

    const Result cut =
        read(chunk(0x4D4D, chunk(0x0002, u32(3) + u32(9)) +
                               chunk(0x4000, str("x") + u16(0x4110) + u32(0xFFFFFFF0) + u16(1) +
                                                 f32(1) + f32(2) + f32(3))));
    EXPECT_TRUE(cut.ok);
    EXPECT_EQ(std::vector<std::string>{"3DS chunk 0x4110 in t.3ds runs past its parent; cut short"},
              cut.warnings);
    EXPECT_EQ(1, cut.model.meshes.at(0).numVertices);

    // Chunks nested thousands deep are skipped past a depth, not recursed.
    Bytes deep = vertexList(kTriangle);
    for (int i = 0; i < 5000; ++i) {
        deep = chunk(0x4100, deep);
    }
    const Result nested = read(model3ds(chunk(0x4000, str("d") + deep)));
    EXPECT_TRUE(nested.ok);
    EXPECT_EQ(0, nested.model.meshes.at(0).numVertices);
    EXPECT_EQ(1u, nested.warnings.size());
}

// ---------------------------------------------------------------------------
// Sample files

// Counts from tests/corpus/MANIFEST.md: named objects, those with triangles,
// vertices, faces, texture coordinates, materials and diffuse texture files;
// no objects: the file is refused. The faces equal the triangles assimp
// reports; `drawn` is its vertex count with `assimp info FILE -r` (one per
// face corner, no post-processing), taken once and written here.
struct Sample {
    const char* file;
    int objects, trimeshes, vertices, faces, texCoords, materials;
    std::set<std::string> textures;
    int drawn;
};

// clang-format off
const Sample kSamples[] = {
    {"assimp_test1.3ds", 9, 9, 288, 108, 288, 3, {"IMAGE1.JPG", "CWALL02.JPG", "IMAGE2.JPG"}, 324},
    {"assimp_fels.3ds", 1, 1, 386, 768, 0, 1, {}, 2304},
    {"assimp_cubes_with_alpha.3DS", 5, 5, 130, 60, 130, 5, {"BERETTA_.JPG"}, 180},
    {"assimp_cube_with_diffuse_texture.3DS", 1, 1, 32, 12, 32, 1, {"TEST.PNG"}, 36},
    {"assimp_RotatingCube.3DS", 1, 1, 26, 12, 26, 0, {}, 36},
    {"assimp_CameraRollAnim.3ds", 2, 1, 26, 12, 26, 0, {}, 36},  // a camera object
    {"assimp_jeep1.3ds", 7, 7, 1948, 2032, 1948, 1, {"jeep1.jpg"}, 6096},
    {"assimp_mar_rifle.3ds", 1, 1, 421, 572, 421, 1, {"m_rifl.bmp"}, 1716},
    {"assimp_UVTransform_Normal.3DS", 1, 1, 25, 32, 25, 1, {"UVTRANSF.PNG"}, 96},
    {"assimp_UVTransform_OffsetUV0.5-clampUV.3DS", 1, 1, 25, 32, 25, 1, {"UVTRANSF.PNG"}, 96},
    {"assimp_empty.3ds", 0, 0, 0, 0, 0, 0, {}, 0},
};
// clang-format on

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool inside(const Vector3& v, const Vector3& lo, const Vector3& hi) {
    return v.x >= lo.x && v.y >= lo.y && v.z >= lo.z && v.x <= hi.x && v.y <= hi.y && v.z <= hi.z;
}

TEST(Reader3DS, CorpusFilesMatchTheirTable) {
    const fs::path dir = fs::path(VARNO_CORPUS_DIR) / "3ds";
    std::set<std::string> listed, present;
    for (const Sample& s : kSamples) {
        listed.insert(s.file);
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        present.insert(entry.path().filename().string());
    }
    EXPECT_EQ(listed, present) << "every sample file has a row";

    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.file);
        const Result r = read(readFile(dir / s.file), s.file);
        ASSERT_EQ(s.objects > 0, r.ok) << r.message;
        if (!r.ok) {
            continue;
        }
        const ModelRecord& m = r.model;
        EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
        EXPECT_EQ(s.objects, m.numMeshes);
        EXPECT_EQ(s.materials, m.numMaterials);
        int trimeshes = 0, vertices = 0, faces = 0, texCoords = 0;
        for (const MeshRecord& mesh : m.meshes) {
            trimeshes += mesh.numFaces > 0;
            vertices += mesh.numVertices;
            faces += mesh.numFaces;
            texCoords += mesh.numTexCoords;
            for (size_t i = 0; i < mesh.vertices.size(); ++i) {
                ASSERT_TRUE(inside(mesh.vertices[i], mesh.boxMin, mesh.boxMax));
                ASSERT_TRUE(inside(mesh.vertices[i], m.boxMin, m.boxMax));
                ASSERT_NEAR(1.0f, magnitude(mesh.normals[i]), 1e-5f);
            }
            if (mesh.numVertices > 0) {
                EXPECT_TRUE(inside(mesh.boxMin, m.boxMin, m.boxMax));
            }
            expectQuadraticNormals(mesh, s.file);
            if (mesh.numFaces > 0 && s.materials > 0) {  // each sample mesh has one group
                ASSERT_GE(mesh.materialId, 0);
                EXPECT_EQ(m.materials[mesh.materialId].textureFile[0] != 0, mesh.hasTexture);
            }
        }
        EXPECT_EQ(s.trimeshes, trimeshes);
        EXPECT_EQ(s.vertices, vertices);
        EXPECT_EQ(s.faces, faces);
        EXPECT_EQ(s.texCoords, texCoords);
        EXPECT_EQ(s.drawn, m.totalVertices);
        std::set<std::string> textures;
        for (const MaterialRecord& mat : m.materials) {
            if (mat.textureFile[0]) {
                textures.insert(mat.textureFile);
            }
        }
        EXPECT_EQ(s.textures, textures);
    }
}

TEST(Reader3DS, DamagedCorpusFilesNeverBreakTheRecord) {
    const fs::path dir = fs::path(VARNO_CORPUS_DIR) / "3ds";
    std::mt19937 random(3);
    for (const Sample& s : kSamples) {
        const Bytes file = readFile(dir / s.file);
        SCOPED_TRACE(s.file);
        // Cut at every length near the start, then every so often.
        for (size_t length = 0; length < file.size(); length += length < 64 ? 1 : 97) {
            const Result r = read(Bytes(file.begin(), file.begin() + length), s.file);
            EXPECT_EQ(length >= 6, r.ok);
        }
        // Bytes overwritten at random, chunk lengths among them.
        for (int round = 0; round < 200 && !file.empty(); ++round) {
            Bytes damaged = file;
            for (int k = 0; k < 4; ++k) {
                damaged[random() % damaged.size()] = uint8_t(random());
            }
            read(damaged, s.file);
        }
    }
}

}  // namespace
