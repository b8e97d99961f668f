// Shadow volumes: silhouettes and walls from hand-made meshes, the hashed edge
// search against a plain scan of the edge list (random edges and the sample
// models), and the triangles the drawing sends to the real GL of the test window.
#include "model/ShadowVolume.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "model/Reader3DS.h"
#include "model/ReaderMD2.h"
#include "scene/StencilShadows.h"
#include "tests/GlTestSupport.h"
#include "tests/scene/PlainShadowVolume.h"

static void PrintTo(const Vector3& v, std::ostream* os) {
    *os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

namespace {

using Faces = std::vector<std::array<int32_t, 3>>;

MeshRecord makeMesh(std::vector<Vector3> vertices, const Faces& faces) {
    MeshRecord mesh;
    mesh.vertices = std::move(vertices);
    mesh.numVertices = int32_t(mesh.vertices.size());
    for (const auto& corners : faces) {
        FaceRecord face;
        std::copy(corners.begin(), corners.end(), face.vertexIndex);
        mesh.faces.push_back(face);
    }
    mesh.numFaces = int32_t(faces.size());
    return mesh;
}

MeshRecord triangle() {
    return makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
}

void expectSameEdges(const std::vector<ShadowEdge>& expected, const ShadowVolume& volume,
                     const std::string& what) {
    ASSERT_EQ(expected.size(), volume.edges().size()) << what;
    ASSERT_EQ(volume.edgeCount(), volume.edges().size()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        const ShadowEdge& e = expected[i];
        const ShadowEdge& v = volume.edges()[i];
        ASSERT_TRUE(e.vertexA == v.vertexA && e.vertexB == v.vertexB && e.active == v.active)
            << what << ", entry " << i << ": " << v.vertexA << "-" << v.vertexB << " " << v.active
            << ", expected " << e.vertexA << "-" << e.vertexB << " " << e.active;
    }
}

// Reference walls of the active edges: A, B, A', B, B', A' with the far ends
// 1000 light-to-vertex distances out.
std::vector<Vector3> referenceWalls(const std::vector<ShadowEdge>& edges,
                                    const std::function<Vector3(int32_t)>& world, Vector3 light) {
    std::vector<Vector3> out;
    for (const ShadowEdge& edge : edges) {
        if (edge.active) {
            plainWalls(out, world(edge.vertexA), world(edge.vertexB), light);
        }
    }
    return out;
}

void expectSameWalls(const std::vector<Vector3>& expected, const ShadowVolume& volume,
                     const std::string& what) {
    ASSERT_EQ(expected.size(), volume.vertexCount()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(expected[i], volume.vertices()[i]) << what << ", vertex " << i;
    }
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

const Vector3 kOrigin(0, 0, 0);
const Vector3 kUnit(1, 1, 1);
const Vector3 kAnyAxis(0, 1, 0);

}  // namespace

TEST(ShadowVolume, ThreeDsWallsNormalsAndThreshold) {
    MeshRecord mesh = triangle();
    ShadowVolume volume;
    EXPECT_TRUE(volume.isFirstBuild());
    volume.build3ds(mesh, Vector3(0, 0, 10), kOrigin, kUnit, 0, kAnyAxis);
    EXPECT_FALSE(volume.isFirstBuild());
    ASSERT_EQ(18u, volume.vertexCount());
    const Vector3 first[6] = {{0, 0, 0}, {1, 0, 0},         {0, 0, -10000},
                              {1, 0, 0}, {1001, 0, -10000}, {0, 0, -10000}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(first[i], volume.vertices()[size_t(i)]) << i;
    }
    EXPECT_EQ(Vector3(0, 0, -10), volume.lightToVertex());  // from the last edge's end, vertex 0
    EXPECT_EQ(Vector3(0, 0, 1), mesh.faces[0].normal);

    // Scaled by 2, turned 90 degrees about Y (the face normal turns to +X) and
    // moved to x = 5: vertex 1 lands at (5, 0, -2).
    MeshRecord moved = triangle();
    ShadowVolume turned;
    turned.build3ds(moved, Vector3(10, 0, 0), Vector3(5, 0, 0), Vector3(2, 2, 2), 90, kAnyAxis);
    ASSERT_EQ(18u, turned.vertexCount());
    EXPECT_NEAR(1.0f, moved.faces[0].normal.x, 1e-6);
    const Vector3 b = turned.vertices()[1];
    EXPECT_NEAR(5.0f, b.x, 1e-5);
    EXPECT_NEAR(-2.0f, b.z, 1e-5);

    // Later builds keep the normal of the first one, rotation included.
    turned.build3ds(moved, Vector3(0, 0, 10), kOrigin, kUnit, 0, kAnyAxis);
    EXPECT_EQ(0u, turned.vertexCount());
    turned.build3ds(moved, Vector3(10, 0, 0), kOrigin, kUnit, 0, kAnyAxis);
    EXPECT_EQ(18u, turned.vertexCount());

    // A dot product of exactly 0.1f is lit on the first build only.
    MeshRecord edge = triangle();
    ShadowVolume grazing;
    for (uint32_t expected : {18u, 0u}) {
        grazing.build3ds(edge, Vector3(0, 0, 0.1f), kOrigin, kUnit, 0, kAnyAxis);
        EXPECT_EQ(expected, grazing.vertexCount());
    }
}

TEST(ShadowVolume, Md2BuildsFromTheSecondCallBetweenTwoFrames) {
    MeshRecord frame0 = triangle();
    MeshRecord next = frame0;
    next.faces.clear();  // as read: only frame 0 holds the faces
    for (Vector3& v : next.vertices) {
        v.y += 2;
    }
    const Vector3 light(0, 0, 10);
    ShadowVolume volume;
    volume.buildMd2(frame0, frame0, next, 0.5f, light, kOrigin, kUnit, 0, kAnyAxis);
    EXPECT_EQ(0u, volume.vertexCount());
    EXPECT_TRUE(volume.isFirstBuild());
    EXPECT_EQ(1, volume.callCounter());

    volume.buildMd2(frame0, frame0, next, 0.5f, light, kOrigin, kUnit, 0, kAnyAxis);
    ASSERT_EQ(18u, volume.vertexCount());
    EXPECT_FALSE(volume.isFirstBuild());
    EXPECT_EQ(1, volume.callCounter());
    EXPECT_EQ(Vector3(0, 1, 0), volume.vertices()[0]);
    EXPECT_EQ(Vector3(1, 1, 0), volume.vertices()[1]);

    volume.buildMd2(frame0, next, frame0, 0.25f, light, kOrigin, kUnit, 0, kAnyAxis);
    ASSERT_EQ(18u, volume.vertexCount());
    EXPECT_EQ(Vector3(0, 1.5f, 0), volume.vertices()[0]);
}

TEST(ShadowVolume, XmlQuadsAndOneExtrusionDirection) {
    ModelXML model;
    model.subObjects.resize(1);
    SubObjectXML& object = model.subObjects[0];
    for (const Vector3& p : {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 1, 0), Vector3(0, 1, 0),
                             Vector3(2, 0, 0)}) {
        VertexXML v;
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
        object.vertices.push_back(v);
    }
    FaceXML quad;
    quad.a = 0, quad.b = 1, quad.c = 2, quad.d = 3;
    FaceXML tri;
    tri.a = 1, tri.b = 4, tri.c = 2;  // shares the edge 1-2 with the quad
    object.faces = {quad, tri};
    object.numFaces = 2;

    ShadowVolume volume;
    volume.buildXml(model, 0, 0, 10, Vector3(10, 0, 0));
    expectSameEdges(
        {{0, 1, true}, {1, 2, false}, {2, 3, true}, {3, 0, true}, {1, 4, true}, {4, 2, true}},
        volume, "xml");
    ASSERT_EQ(30u, volume.vertexCount());
    EXPECT_EQ(Vector3(0, 0, 1), object.faces[1].normal);
    // The last lit face starts at vertex 1, moved to (11, 0, 0).
    const Vector3 direction(11, 0, -10);
    EXPECT_EQ(direction, volume.lightToVertex());
    for (uint32_t q = 0; q < volume.vertexCount(); q += 6) {
        const Vector3* v = &volume.vertices()[q];
        EXPECT_EQ(v[0] + direction * 1000.0f, v[2]) << q;
        EXPECT_EQ(v[1] + direction * 1000.0f, v[4]) << q;
    }
    EXPECT_EQ(Vector3(10, 0, 0), volume.vertices()[0]);

    ModelXML empty;
    volume.buildXml(empty, 0, 0, 10, kOrigin);
    EXPECT_EQ(0u, volume.vertexCount());
    EXPECT_EQ(0u, volume.edgeCount());
}

// Records with corners outside their vertex arrays, or counts larger than what
// they hold, lose only the faces concerned.
TEST(ShadowVolume, BrokenFacesAreSkipped) {
    const Vector3 light(0, 0, 10);
    const auto threeDs = [&](Faces faces, int32_t numFaces) {
        MeshRecord mesh = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, faces);
        mesh.numFaces = numFaces;
        ShadowVolume volume;
        volume.build3ds(mesh, light, kOrigin, kUnit, 0, kAnyAxis);
        volume.build3ds(mesh, light, kOrigin, kUnit, 0, kAnyAxis);
        return volume.vertexCount();
    };
    const auto md2 = [&](size_t nextVertices, int32_t currentFaces) {
        MeshRecord frame0 = triangle();
        MeshRecord next = frame0;
        next.vertices.resize(nextVertices);
        MeshRecord current = frame0;
        current.numFaces = currentFaces;
        ShadowVolume volume;
        volume.buildMd2(frame0, current, next, 0.5f, light, kOrigin, kUnit, 0, kAnyAxis);
        volume.buildMd2(frame0, current, next, 0.5f, light, kOrigin, kUnit, 0, kAnyAxis);
        return volume.vertexCount();
    };
    const auto xml = [&](int d) {
        ModelXML model;
        model.subObjects.resize(1);
        model.subObjects[0].vertices.resize(3);
        model.subObjects[0].vertices[1].x = 1;
        model.subObjects[0].vertices[2].y = 1;
        FaceXML face;
        face.a = 0, face.b = 1, face.c = 2, face.d = d;
        model.subObjects[0].faces = {face};
        model.subObjects[0].numFaces = 1;
        ShadowVolume volume;
        volume.buildXml(model, 0, 0, 10, kOrigin);
        return volume.vertexCount();
    };
    const struct {
        const char* name;
        std::function<uint32_t()> build;
        uint32_t vertices;
    } cases[] = {
        {"3ds corner past the vertices",
         [&] {
             return threeDs({{0, 1, 2}, {0, 1, 99}}, 2);
         },
         18},
        {"3ds negative corner",
         [&] {
             return threeDs({{-1, 1, 2}, {0, 1, 2}}, 2);
         },
         18},
        {"3ds count beyond the faces",
         [&] {
             return threeDs({{0, 1, 2}}, 5);
         },
         18},
        {"3ds negative count",
         [&] {
             return threeDs({{0, 1, 2}}, -3);
         },
         0},
        {"md2 whole next frame", [&] { return md2(3, 1); }, 18},
        {"md2 short next frame", [&] { return md2(2, 1); }, 0},
        {"md2 more faces than frame 0", [&] { return md2(3, 9); }, 18},
        {"xml triangle", [&] { return xml(-1); }, 18},
        {"xml fourth corner past the vertices", [&] { return xml(7); }, 0},
        {"xml negative fourth corner", [&] { return xml(-2); }, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.vertices, c.build()) << c.name;
    }
}

TEST(ShadowVolume, HashedEdgeSearchMatchesTheListScanOnRandomEdges) {
    std::mt19937 random(7);
    ShadowVolume volume;
    ModelXML none;
    for (int vertices : {4, 40, 400}) {
        volume.buildXml(none, 0, 0, 0, kOrigin);  // empties the edge list, storage kept
        std::vector<ShadowEdge> expected;
        std::uniform_int_distribution<int32_t> pick(0, vertices - 1);
        for (int i = 0; i < 20000; ++i) {
            const int32_t a = pick(random);
            const int32_t b = pick(random);
            plainAddEdge(expected, a, b);
            volume.addEdge(a, b);
        }
        expectSameEdges(expected, volume, std::to_string(vertices) + " vertices");
    }
}

TEST(ShadowVolume, SampleModelsMatchTheListScan) {
    const std::string corpus = VARNO_CORPUS_DIR;
    const Vector3 lights[] = {{0, 0, 100}, {120, 60, -30}, {-40, 200, 10}, {0, -90, 5}};
    const Vector3 position(3, -1, 2), scale(1.5f, 0.5f, 2);
    const float angle = 30;
    // The lit faces' edges in face order, from the normals the volume stored.
    const auto referenceEdges = [](const MeshRecord& faces, size_t count, size_t vertices,
                                   const std::function<bool(const Vector3&)>& lit) {
        std::vector<ShadowEdge> edges;
        for (size_t i = 0; i < count; ++i) {
            const int32_t* c = faces.faces[i].vertexIndex;
            if (c[0] >= 0 && c[1] >= 0 && c[2] >= 0 && size_t(c[0]) < vertices &&
                size_t(c[1]) < vertices && size_t(c[2]) < vertices && lit(faces.faces[i].normal)) {
                plainAddEdge(edges, c[0], c[1]);
                plainAddEdge(edges, c[1], c[2]);
                plainAddEdge(edges, c[2], c[0]);
            }
        }
        return edges;
    };

    int meshes = 0;
    for (const char* file : {"assimp_jeep1.3ds", "assimp_fels.3ds", "assimp_mar_rifle.3ds",
                             "assimp_test1.3ds", "assimp_cubes_with_alpha.3DS"}) {
        const std::vector<uint8_t> bytes = readFile(corpus + "/3ds/" + file);
        ModelRecord model;
        std::string message;
        std::vector<std::string> warnings;
        ASSERT_TRUE(read3ds(bytes.data(), bytes.size(), file, model, message, warnings)) << file;
        for (MeshRecord& mesh : model.meshes) {
            ++meshes;
            ShadowVolume volume;  // reused across the lights
            for (const Vector3& light : lights) {
                const bool first = volume.isFirstBuild();
                volume.build3ds(mesh, light, position, scale, angle, kAnyAxis);
                const auto edges = referenceEdges(
                    mesh, mesh.faces.size(), mesh.vertices.size(), [&](const Vector3& n) {
                        return first ? dot(n, light) >= 0.1f : dot(n, light) > 0.1f;
                    });
                const std::string what = std::string(file) + " " + mesh.name;
                expectSameEdges(edges, volume, what);
                const auto world = [&](int32_t i) {
                    return plainWorld(mesh.vertices[size_t(i)], scale, angle, position);
                };
                expectSameWalls(referenceWalls(edges, world, light), volume, what);
            }
        }
    }
    EXPECT_GT(meshes, 10);

    for (const char* file : {"assimp_faerie.md2", "assimp_flag.md2"}) {
        const std::vector<uint8_t> bytes = readFile(corpus + "/md2/" + file);
        ModelRecord model;
        std::string message;
        std::vector<std::string> warnings;
        ASSERT_TRUE(readMd2(bytes.data(), bytes.size(), file, nullptr, model, message, warnings))
            << file;
        ASSERT_GE(model.meshes.size(), 3u) << file;
        MeshRecord& frame0 = model.meshes[0];
        const MeshRecord& current = model.meshes[1];
        const MeshRecord& next = model.meshes[2];
        const float t = 0.25f;
        ShadowVolume volume;
        volume.buildMd2(frame0, current, next, t, lights[0], position, scale, angle, kAnyAxis);
        for (const Vector3& light : lights) {
            volume.buildMd2(frame0, current, next, t, light, position, scale, angle, kAnyAxis);
            const auto edges =
                referenceEdges(frame0, size_t(current.numFaces), frame0.vertices.size(),
                               [&](const Vector3& n) { return dot(n, light) >= 0.1f; });
            expectSameEdges(edges, volume, file);
            const auto world = [&](int32_t i) {
                const Vector3 a = plainWorld(current.vertices[size_t(i)], scale, angle, position);
                const Vector3 b = plainWorld(next.vertices[size_t(i)], scale, angle, position);
                return Vector3(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
            };
            expectSameWalls(referenceWalls(edges, world, light), volume, file);
        }
    }
}

TEST(ShadowVolume, SharedEdgeAndDrawnTriangles) {
    ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
    GLuint query = 0;
    glGenQueries(1, &query);
    const auto primitives = [&](const ShadowVolume& volume) {
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        drawShadowVolume(volume);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint count = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        return count;
    };

    MeshRecord quad =
        makeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    ShadowVolume lit;
    lit.build3ds(quad, Vector3(0, 0, 10), kOrigin, kUnit, 0, kAnyAxis);
    // The diagonal both triangles own stays listed, switched off.
    expectSameEdges({{0, 1, true}, {1, 2, true}, {2, 0, false}, {2, 3, true}, {3, 0, true}}, lit,
                    "quad");
    ASSERT_EQ(24u, lit.vertexCount());
    ShadowVolume unlit;
    MeshRecord mesh = triangle();
    unlit.build3ds(mesh, Vector3(0, 0, -10), kOrigin, kUnit, 0, kAnyAxis);
    ASSERT_EQ(0u, unlit.vertexCount());

    glEnable(GL_TEXTURE_2D);
    EXPECT_EQ(0u, primitives(unlit));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "an empty volume touches no GL state";
    EXPECT_EQ(8u, primitives(lit));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    glDeleteQueries(1, &query);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}
