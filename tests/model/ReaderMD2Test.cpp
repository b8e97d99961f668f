#include "model/ReaderMD2.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void put(Bytes& b, size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) {
        b.at(at + size_t(k)) = uint8_t(uint32_t(v) >> (8 * k));
    }
}
void append(Bytes& b, uint32_t v, int bytes = 4) {
    for (int k = 0; k < bytes; ++k) {
        b.push_back(uint8_t(v >> (8 * k)));
    }
}
void appendFloat(Bytes& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    append(b, bits);
}

// Header field offsets the tests patch.
enum : size_t { kVersion = 4, kFrameSize = 16, kNumVerts = 24, kNumCoords = 28, kNumTris = 32 };
enum : size_t { kNumFrames = 40, kOfsCoords = 48, kOfsFrames = 56 };

struct Frame {
    std::string name;  // written as 16 bytes, without a NUL when 16 long
    std::vector<std::array<uint8_t, 3>> packed;
    float scale[3] = {1, 1, 1};
    float translate[3] = {0, 0, 0};
};

// A well-formed file: header, texture coordinates, triangles, then frames of
// `frameSize` bytes (0: as small as the vertices allow).
struct Md2 {
    int skinWidth = 256, skinHeight = 128;
    std::vector<std::array<int, 2>> coords;
    std::vector<std::array<int, 6>> triangles;
    std::vector<Frame> frames;
    int frameSize = 0;

    Bytes bytes() const {
        const int numVerts = frames.empty() ? 0 : int(frames[0].packed.size());
        const int size = frameSize ? frameSize : 40 + 4 * numVerts;
        const int ofsTris = 68 + 4 * int(coords.size());
        const int ofsFrames = ofsTris + 12 * int(triangles.size());
        Bytes b;
        for (int v :
             {0x32504449, 8, skinWidth, skinHeight, size, 0, numVerts, int(coords.size()),
              int(triangles.size()), 0, int(frames.size()), 68, 68, ofsTris, ofsFrames, 0, 0}) {
            append(b, uint32_t(v));
        }
        for (const auto& c : coords) {
            append(b, uint32_t(c[0]), 2);
            append(b, uint32_t(c[1]), 2);
        }
        for (const auto& t : triangles) {
            for (int v : t) {
                append(b, uint32_t(v), 2);
            }
        }
        for (const Frame& f : frames) {
            const size_t start = b.size();
            for (int k = 0; k < 6; ++k) {
                appendFloat(b, k < 3 ? f.scale[k] : f.translate[k - 3]);
            }
            for (size_t i = 0; i < 16; ++i) {
                b.push_back(i < f.name.size() ? uint8_t(f.name[i]) : 0);
            }
            for (const auto& p : f.packed) {
                b.insert(b.end(), {p[0], p[1], p[2], 0});
            }
            b.resize(start + size_t(size), 0xEE);
        }
        return b;
    }
};

struct Result {
    bool ok = false;
    std::string message;
    std::vector<std::string> warnings;
    ModelRecord model;
};

// Reads an exactly sized copy and checks what every load must give: a record
// whose arrays match its counts and whose indices stay inside them, or a
// message and an empty record.
Result load(const Bytes& file, const char* skin = "skin.pcx", const std::string& name = "t.md2") {
    Result r;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), copy.get());
    r.ok = readMd2(copy.get(), file.size(), name.c_str(), skin, r.model, r.message, r.warnings);
    const ModelRecord& m = r.model;
    if (!r.ok) {
        EXPECT_FALSE(r.message.empty());
        EXPECT_TRUE(m.meshes.empty() && m.animations.empty() && m.materials.empty());
        return r;
    }
    EXPECT_EQ(r.message, "");
    EXPECT_GT(m.numMeshes, 0);
    EXPECT_EQ(size_t(m.numMeshes), m.meshes.size());
    EXPECT_EQ(size_t(m.numAnimations), m.animations.size());
    EXPECT_EQ(size_t(m.numMaterials), m.materials.size());
    if (m.meshes.empty()) {
        return r;
    }
    const MeshRecord& first = m.meshes[0];
    EXPECT_EQ(m.totalVertices, first.numFaces * 3);
    EXPECT_EQ(first.faces.size(), size_t(first.numFaces));
    EXPECT_EQ(first.texCoords.size(), size_t(first.numTexCoords));
    bool inside = true;
    for (const FaceRecord& f : first.faces) {
        for (int k = 0; k < 3; ++k) {
            inside = inside && f.vertexIndex[k] >= 0 && f.vertexIndex[k] < first.numVertices &&
                     f.coordIndex[k] >= 0 && f.coordIndex[k] < first.numTexCoords;
        }
    }
    EXPECT_TRUE(inside) << "a face index points outside its array";
    for (size_t i = 0; i < m.meshes.size(); ++i) {
        const MeshRecord& mesh = m.meshes[i];
        EXPECT_EQ(mesh.vertices.size(), size_t(first.numVertices));
        EXPECT_EQ(mesh.normals.size(), mesh.vertices.size());
        EXPECT_EQ(mesh.numFaces, first.numFaces);
        EXPECT_EQ(mesh.vboVertexCount, mesh.numFaces * 3);
        if (i > 0) {
            EXPECT_TRUE(mesh.faces.empty() && mesh.texCoords.empty()) << "frame " << i;
        }
    }
    for (const AnimationRecord& a : m.animations) {
        EXPECT_TRUE(0 <= a.startFrame && a.startFrame <= a.endFrame && a.endFrame < m.numMeshes)
            << a.name << " " << a.startFrame << ".." << a.endFrame;
    }
    return r;
}

Frame frame(const std::string& name, std::vector<std::array<uint8_t, 3>> packed = {{1, 2, 3}}) {
    Frame f;
    f.name = name;
    f.packed = std::move(packed);
    return f;
}

std::string animationList(const ModelRecord& m) {
    std::string s;
    for (const AnimationRecord& a : m.animations) {
        s += std::string(a.name) + " " + std::to_string(a.startFrame) + ".." +
             std::to_string(a.endFrame) + "; ";
    }
    return s;
}

TEST(ReaderMD2, AnimationsFromFrameNames) {
    auto numbered = [](const std::string& base, int from, int to, bool pad) {
        std::vector<std::string> names;
        for (int i = from; i <= to; ++i) {
            names.push_back(base + (pad && i < 10 ? "0" : "") + std::to_string(i));
        }
        return names;
    };
    auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* what;
        std::vector<std::string> names;
        std::string expected;
    } cases[] = {
        {"two runs", join(numbered("stand", 1, 40, true), numbered("run", 1, 6, true)),
         "stand 0..40; run 40..45; "},
        {"single frame", {"stand01"}, ""},
        {"one name throughout", numbered("walk", 1, 5, false), "walk 0..4; "},
        {"only the last two characters start the number",
         {"pain101", "pain102", "pain201", "pain202"},
         "pain1 0..2; pain2 2..3; "},
        // Number 0 puts the start at -1, which is kept at frame 0.
        {"no number", {"jump", "jump", "jump"}, "jump 0..2; "},
        {"numbered from 0", {"a00", "a01", "b00", "b01"}, "a 0..2; b 1..3; "},
        {"number past the end", {"a99", "a99", "b1"}, "a 2..2; "},
        {"16 characters without a NUL",
         {"abcdefghijklmn01", "abcdefghijklmn02"},
         "abcdefghijklmn 0..1; "},
    };
    for (const auto& c : cases) {
        Md2 md2;
        for (const std::string& n : c.names) {
            md2.frames.push_back(frame(n));
        }
        const Result r = load(md2.bytes());
        ASSERT_TRUE(r.ok) << c.what << ": " << r.message;
        EXPECT_EQ(animationList(r.model), c.expected) << c.what;
    }
}

// Frame 0 holds an upward triangle whose fourth vertex no face uses; frame 1
// is the same triangle scaled and moved.
Md2 triangleModel() {
    Md2 md2;
    md2.coords = {{64, 32}, {0, 0}, {256, 128}};
    md2.triangles = {{0, 1, 2, 0, 1, 2}};
    md2.frames.push_back(frame("a1", {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {10, 20, 30}}));
    md2.frames.push_back(md2.frames[0]);
    md2.frames[1].name = "a2";
    md2.frames[1].scale[0] = 2;
    md2.frames[1].scale[1] = 3;
    md2.frames[1].scale[2] = 4;
    md2.frames[1].translate[0] = 1;
    md2.frames[1].translate[1] = 2;
    md2.frames[1].translate[2] = 3;
    return md2;
}

TEST(ReaderMD2, GeometryOfTheFrames) {
    Md2 md2 = triangleModel();
    for (int frameSize : {0, 60}) {  // the larger frames carry bytes to skip
        md2.frameSize = frameSize;
        const Result r = load(md2.bytes());
        ASSERT_TRUE(r.ok) << r.message;
        const ModelRecord& m = r.model;
        ASSERT_EQ(m.numMeshes, 2);
        const MeshRecord& f0 = m.meshes[0];
        const MeshRecord& f1 = m.meshes[1];
        // Packed (x, y, z) becomes (x, z, -y).
        EXPECT_EQ(f0.vertices[3], Vector3(10, 30, -20));
        EXPECT_EQ(f1.vertices[3], Vector3(10 * 2 + 1, 30 * 4 + 3, -(20 * 3 + 2)));
        ASSERT_EQ(f0.texCoords.size(), 3u);
        EXPECT_EQ(f0.texCoords[0].u, 0.25f);
        EXPECT_EQ(f0.texCoords[0].v, 0.75f);
        EXPECT_EQ(f0.texCoords[2].v, 0.0f);
        // cross(p0 - p2, p2 - p1) for (0,0,0), (1,0,0), (0,1,0) points down z.
        for (const MeshRecord* mesh : {&f0, &f1}) {
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(mesh->normals[size_t(i)], Vector3(0, 0, -1));
            }
            EXPECT_EQ(mesh->normals[3], Vector3());  // no face uses it
        }
        EXPECT_EQ(f0.boxMin, Vector3(0, 0, -20));
        EXPECT_EQ(f0.boxMax, Vector3(10, 30, 0));
        EXPECT_EQ(m.boxMin, Vector3(0, 0, -62));
        EXPECT_EQ(m.boxMax, Vector3(21, 123, 0));
        ASSERT_EQ(m.numMaterials, 1);
        EXPECT_STREQ(m.materials[0].textureFile, "skin.pcx");
        EXPECT_EQ(m.materials[0].textureId, 0);
        EXPECT_EQ(m.totalVertices, 3);
    }
    EXPECT_EQ(load(md2.bytes(), nullptr).model.numMaterials, 0);
    EXPECT_EQ(load(md2.bytes(), "").model.numMaterials, 0);

    // A zero skin size gives coordinates (0, 1) rather than a division by zero.
    md2.skinWidth = md2.skinHeight = 0;
    const Result r = load(md2.bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.model.meshes[0].texCoords[0].u, 0.0f);
    EXPECT_EQ(r.model.meshes[0].texCoords[0].v, 1.0f);
    EXPECT_EQ(r.warnings.size(), 1u);
}

TEST(ReaderMD2, RefusesBrokenHeaders) {
    const Bytes good = triangleModel().bytes();
    auto with = [&](std::initializer_list<std::pair<size_t, int32_t>> fields) {
        Bytes b = good;
        for (const auto& [at, v] : fields) {
            put(b, at, v);
        }
        return b;
    };
    auto with16 = [&](size_t at, int v) {
        Bytes b = good;
        b.at(at) = uint8_t(v);
        b.at(at + 1) = uint8_t(v >> 8);
        return b;
    };
    const size_t kFirstTriangle = 68 + 3 * 4;  // after the three texture coordinates
    const int32_t big = std::numeric_limits<int32_t>::max();
    const std::string frames = "frames past the end of the file";
    const std::string range = "triangle index out of range";
    const struct {
        const char* what;
        Bytes file;
        std::string reason;
    } cases[] = {
        {"version 7", with({{kVersion, 7}}), "Version not 8"},
        {"empty file", {}, "Version not 8"},
        {"cut header", Bytes(good.begin(), good.begin() + 40), "header past the end of the file"},
        {"negative vertices", with({{kNumVerts, -1}}), "negative vertex count"},
        {"negative coordinates", with({{kNumCoords, -3}}), "negative texture coordinate count"},
        {"negative triangles", with({{kNumTris, -1}}), "negative triangle count"},
        {"negative frames", with({{kNumFrames, -1}}), "negative frame count"},
        {"no frames", with({{kNumFrames, 0}}), "no frames"},
        {"frame too small", with({{kFrameSize, 40 + 4 * 4 - 1}}), "frame size too small"},
        {"negative frame size", with({{kFrameSize, -56}}), "frame size too small"},
        {"huge vertex count", with({{kNumVerts, big}}), "frame size too small"},
        {"coordinates past the end", with({{kOfsCoords, int32_t(good.size())}}),
         "texture coordinates past the end of the file"},
        {"negative offset", with({{kOfsCoords, -4}}),
         "texture coordinates past the end of the file"},
        {"huge coordinate count", with({{kNumCoords, big}}),
         "texture coordinates past the end of the file"},
        {"huge triangle count", with({{kNumTris, big / 3}}), "triangles past the end of the file"},
        {"triangle count past the int range", with({{kNumTris, big}}), "too many triangles"},
        {"frames past the end", with({{kOfsFrames, int32_t(good.size()) - 10}}), frames},
        {"huge frame size", with({{kFrameSize, big}}), frames},
        {"no vertices", with({{kNumVerts, 0}, {kFrameSize, 40}}), range},
        {"vertex index past the end", with({{kNumVerts, 2}, {kFrameSize, 48}}), range},
        {"negative coordinate index", with16(kFirstTriangle + 6, -1), range},
        {"coordinate index past the end", with({{kNumCoords, 2}}), range},
    };
    for (const auto& c : cases) {
        const Result r = load(c.file, "skin.pcx", "bad.md2");
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, "Invalid file format (" + c.reason + "): bad.md2!") << c.what;
        EXPECT_EQ(r.model.numMeshes, 0) << c.what;
    }

    // More frames claimed than the file holds: the complete ones are kept.
    const Result r = load(with({{kNumFrames, big}}));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.model.numMeshes, 2);
    EXPECT_EQ(r.warnings.size(), 1u);
}

// ---------------------------------------------------------------------------
// Third-party sample files

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The normals as described: each vertex scans every face of frame 0.
std::vector<Vector3> quadraticNormals(const std::vector<FaceRecord>& faces,
                                      const std::vector<Vector3>& v) {
    std::vector<Vector3> normals(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        Vector3 sum;
        int count = 0;
        for (const FaceRecord& f : faces) {
            const int32_t* x = f.vertexIndex;
            if (x[0] == int32_t(i) || x[1] == int32_t(i) || x[2] == int32_t(i)) {
                const Vector3 p0 = v[size_t(x[0])], p1 = v[size_t(x[1])], p2 = v[size_t(x[2])];
                sum = sum + cross(p0 - p2, p2 - p1);
                ++count;
            }
        }
        if (count > 0) {
            normals[i] = sum / float(count);
            if (magnitude(normals[i]) != 0.0f) {
                normals[i] = normals[i] / magnitude(normals[i]);
            }
        }
    }
    return normals;
}

struct Expected {
    bool ok;
    int vertices, coords, triangles, frames;
    std::string animations;
    Vector3 boxMin, boxMax;  // frame 0
};

// Counts from the MANIFEST; triangle counts and frame 0's box agree with
// `assimp info` (faerie: 654 faces, min (-16.813763 -24.530266 -12.083273),
// max (3.271729 27.438080 14.130598); flag: 204 faces, min (-1.297744 0 -42.43),
// max (1.244092 99.599998 -0.1)). assimp segfaults on the malformed file.
const std::map<std::string, Expected> kCorpus = {
    {"assimp_faerie.md2",
     {true,
      366,
      487,
      654,
      198,
      "stand 0..40; run 40..46; attack 46..54; pain1 54..58; pain2 58..62; pain3 62..66; "
      "jump 66..72; flip 72..84; salute 84..95; taunt 95..112; wave 112..123; point 123..135; "
      "crstnd 135..154; crwalk 154..160; crattak 160..169; crpain 169..173; crdeath 173..178; "
      "death1 178..184; death2 184..190; death3 190..197; ",
      {-16.813763f, -24.530266f, -12.083273f},
      {3.271729f, 27.438080f, 14.130598f}}},
    {"assimp_flag.md2",
     {true,
      106,
      612,
      204,
      10,
      "stand 0..9; ",
      {-1.297744f, 0, -42.43f},
      {1.244092f, 99.6f, -0.1f}}},
    {"assimp_malformed_zero_numvertices.md2", {false, 0, 0, 0, 0, "", {}, {}}},
};

fs::path corpusDir() {
    return fs::path(VARNO_CORPUS_DIR) / "md2";
}

TEST(ReaderMD2, Corpus) {
    std::vector<std::string> seen;
    for (const auto& entry : fs::directory_iterator(corpusDir())) {
        const std::string name = entry.path().filename().string();
        seen.push_back(name);
        SCOPED_TRACE(name);
        const auto row = kCorpus.find(name);
        ASSERT_NE(row, kCorpus.end()) << "no expected outcome";
        const Expected& e = row->second;
        const Result r = load(readFile(entry.path()));
        ASSERT_EQ(r.ok, e.ok) << r.message;
        if (!r.ok) {
            EXPECT_EQ(r.message, "Invalid file format (triangle index out of range): t.md2!");
            continue;
        }
        const ModelRecord& m = r.model;
        EXPECT_TRUE(r.warnings.empty());
        EXPECT_EQ(m.numMeshes, e.frames);
        EXPECT_EQ(m.meshes[0].numVertices, e.vertices);
        EXPECT_EQ(m.meshes[0].numTexCoords, e.coords);
        EXPECT_EQ(m.meshes[0].numFaces, e.triangles);
        EXPECT_EQ(animationList(m), e.animations);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR((&m.meshes[0].boxMin.x)[k], (&e.boxMin.x)[k], 1e-4);
            EXPECT_NEAR((&m.meshes[0].boxMax.x)[k], (&e.boxMax.x)[k], 1e-4);
        }
        for (const MeshRecord& mesh : m.meshes) {
            const std::vector<Vector3> reference =
                quadraticNormals(m.meshes[0].faces, mesh.vertices);
            ASSERT_EQ(0, std::memcmp(reference.data(), mesh.normals.data(),
                                     reference.size() * sizeof(Vector3)));
            for (size_t i = 0; i < mesh.vertices.size(); ++i) {
                const Vector3& p = mesh.vertices[i];
                EXPECT_NEAR(magnitude(mesh.normals[i]), 1.0f, 1e-5f) << i;
                EXPECT_TRUE(p.x >= mesh.boxMin.x && p.y >= mesh.boxMin.y && p.z >= mesh.boxMin.z &&
                            p.x <= mesh.boxMax.x && p.y <= mesh.boxMax.y && p.z <= mesh.boxMax.z);
            }
        }
    }
    EXPECT_EQ(seen.size(), kCorpus.size());
}

// Random models with repeated corners (a face counts once for a vertex it
// names twice) give the same normals, bit for bit, as the face-by-face scan.
TEST(ReaderMD2, NormalsMatchTheScanOverAllFaces) {
    std::mt19937 random(7);
    for (int model = 0; model < 20; ++model) {
        Md2 md2;
        md2.coords = {{0, 0}};
        Frame f = frame("r01", {});
        for (int i = 0; i < 40; ++i) {
            f.packed.push_back({uint8_t(random()), uint8_t(random()), uint8_t(random())});
        }
        f.scale[0] = 0.37f;
        f.translate[2] = -11.3f;
        for (int t = 0; t < 120; ++t) {
            const int a = int(random() % 40), b = int(random() % 40);
            md2.triangles.push_back({a, t % 3 ? b : a, int(random() % 40), 0, 0, 0});
        }
        md2.frames = {f, f};
        md2.frames[1].scale[1] = 1.9f;
        const Result r = load(md2.bytes());
        ASSERT_TRUE(r.ok) << r.message;
        for (const MeshRecord& mesh : r.model.meshes) {
            const auto reference = quadraticNormals(r.model.meshes[0].faces, mesh.vertices);
            ASSERT_EQ(0, std::memcmp(reference.data(), mesh.normals.data(),
                                     reference.size() * sizeof(Vector3)))
                << "model " << model;
        }
    }
}

size_t field(const Bytes& file, size_t at) {
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | size_t(file[at + 3]) << 24;
}

// Cut and damaged copies of the samples load or fail cleanly (load() checks
// the record); a cut inside the frames keeps the complete frames before it.
TEST(ReaderMD2, CutAndDamagedSamplesNeverBreakTheRecord) {
    for (const char* name : {"assimp_faerie.md2", "assimp_flag.md2"}) {
        SCOPED_TRACE(name);
        const Bytes file = readFile(corpusDir() / name);
        const size_t stride = file.size() / 100 + 1;
        for (size_t length = 0; length < file.size(); length += length < 200 ? 1 : stride) {
            const Result r = load(Bytes(file.begin(), file.begin() + length));
            if (r.ok) {
                const size_t complete =
                    (length - field(file, kOfsFrames)) / field(file, kFrameSize);
                const size_t frames = std::min(complete, field(file, kNumFrames));
                EXPECT_EQ(r.model.meshes.size(), frames) << length;
                EXPECT_EQ(r.warnings.size(), frames < field(file, kNumFrames) ? 1u : 0u) << length;
            }
        }
        std::mt19937 random(uint32_t(file.size()));
        for (int copy = 0; copy < 100; ++copy) {
            Bytes damaged = file;
            const size_t range = copy % 2 ? 68 : file.size();
            for (int flips = 0; flips <= copy % 4; ++flips) {
                damaged[random() % range] ^= uint8_t(1 + random() % 255);
            }
            load(damaged);
        }
    }
}

// The normals take one pass over the faces: a quadratic scan of 32767
// vertices by 65534 faces would take seconds.
TEST(ReaderMD2, LoadingCostStaysBounded) {
    Md2 md2;
    md2.coords = {{0, 0}};
    Frame f = frame("big01", {});
    for (int i = 0; i < 32767; ++i) {
        f.packed.push_back({uint8_t(i), uint8_t(i >> 8), uint8_t(i * 7)});
    }
    for (int i = 0; i + 2 < 32767; ++i) {
        md2.triangles.push_back({i, i + 1, i + 2, 0, 0, 0});
        md2.triangles.push_back({i + 2, i + 1, i, 0, 0, 0});
    }
    md2.frames = {f, f};
    const Bytes file = md2.bytes();
    // The normals cost triangles times frames: past 2^26 the file is refused.
    Md2 many;
    many.coords = {{0, 0}};
    many.triangles.assign(8192, {0, 0, 0, 0, 0, 0});
    many.frames.assign(8193, frame("f01"));
    EXPECT_EQ(load(many.bytes()).message,
              "Invalid file format (too many triangles and frames): t.md2!");

    const auto start = std::chrono::steady_clock::now();
    const Result r = load(file);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_LT(seconds, 1.0);
}

}  // namespace
