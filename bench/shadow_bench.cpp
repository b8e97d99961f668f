// Shadow volume build speed: the engine's builder (edge search through a hash
// of the vertex pair, storage kept between builds) against the plain form that
// scans the whole edge list for every new edge, on closed sphere meshes
// generated here, the light lighting about half of each. Both rebuild the same
// volume over and over, as a game does when its light or model moves; both
// must produce the same edges and walls, checked before the runs. After the
// runs it prints the time of each and how many times faster the engine's is.

#include <benchmark/benchmark.h>

#include <cmath>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "bench/KeptReporter.h"
#include "model/ShadowVolume.h"
#include "tests/scene/PlainShadowVolume.h"

namespace {

// A closed sphere of radius 10: `segments` around, `rings` bands from pole to
// pole (single vertices at the poles), faces counter-clockwise seen from
// outside. 2 * segments * (rings - 1) triangles.
MeshRecord makeSphere(int segments, int rings) {
    const float pi = 3.14159265f;
    MeshRecord mesh;
    mesh.vertices.push_back(Vector3(0, 10, 0));
    for (int r = 1; r < rings; ++r) {
        const float polar = pi * float(r) / float(rings);
        for (int s = 0; s < segments; ++s) {
            const float around = 2 * pi * float(s) / float(segments);
            mesh.vertices.push_back(Vector3(10 * std::sin(polar) * std::cos(around),
                                            10 * std::cos(polar),
                                            -10 * std::sin(polar) * std::sin(around)));
        }
    }
    mesh.vertices.push_back(Vector3(0, -10, 0));
    const int32_t south = int32_t(mesh.vertices.size()) - 1;
    const auto ring = [&](int r, int s) { return int32_t(1 + (r - 1) * segments + s % segments); };
    const auto face = [&](int32_t a, int32_t b, int32_t c) {
        FaceRecord f;
        f.vertexIndex[0] = a;
        f.vertexIndex[1] = b;
        f.vertexIndex[2] = c;
        mesh.faces.push_back(f);
    };
    for (int s = 0; s < segments; ++s) {
        face(0, ring(1, s), ring(1, s + 1));
    }
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            face(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
            face(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
        }
    }
    for (int s = 0; s < segments; ++s) {
        face(south, ring(rings - 1, s + 1), ring(rings - 1, s));
    }
    mesh.numVertices = int32_t(mesh.vertices.size());
    mesh.numFaces = int32_t(mesh.faces.size());
    return mesh;
}

// The 3DS build with the edge search in its plain form: each new edge is
// compared with every entry of the list in order.
class PlainVolume {
public:
    std::vector<ShadowEdge> edges;
    std::vector<Vector3> vertices;
    bool firstBuild = true;

    void build3ds(MeshRecord& mesh, Vector3 light, Vector3 position, Vector3 scale, float angle) {
        edges.clear();
        vertices.clear();
        Transform transform;
        for (int i = 0; i < mesh.numFaces; ++i) {
            FaceRecord& face = mesh.faces[size_t(i)];
            bool lit;
            if (firstBuild) {
                const Vector3& c0 = mesh.vertices[size_t(face.vertexIndex[0])];
                const Vector3& c1 = mesh.vertices[size_t(face.vertexIndex[1])];
                const Vector3& c2 = mesh.vertices[size_t(face.vertexIndex[2])];
                Vector3 n = cross(c1 - c0, c2 - c0);
                transform.setRotationY(angle);
                transform.transformPoint(n);
                const float length = magnitude(n);
                face.normal = length != 0.0f ? n / length : n;
                lit = dot(face.normal, light) >= 0.1f;
            } else {
                lit = dot(face.normal, light) > 0.1f;
            }
            if (lit) {
                plainAddEdge(edges, face.vertexIndex[0], face.vertexIndex[1]);
                plainAddEdge(edges, face.vertexIndex[1], face.vertexIndex[2]);
                plainAddEdge(edges, face.vertexIndex[2], face.vertexIndex[0]);
            }
        }
        firstBuild = false;
        const auto world = [&](int32_t i) {
            return plainWorld(mesh.vertices[size_t(i)], scale, angle, position);
        };
        for (const ShadowEdge& edge : edges) {
            if (edge.active) {
                plainWalls(vertices, world(edge.vertexA), world(edge.vertexB), light);
            }
        }
    }
};

const Vector3 kLight(40, 70, 90);
const Vector3 kPosition(5, 0, -3);
const Vector3 kScale(1, 1, 1);
const float kAngle = 20;

struct Input {
    std::string name;
    MeshRecord mesh;
    size_t litEdges = 0;
    uint32_t wallVertices = 0;
};

bool sameVolume(const ShadowVolume& ours, const PlainVolume& plain) {
    if (ours.edges().size() != plain.edges.size() || ours.vertexCount() != plain.vertices.size()) {
        return false;
    }
    for (size_t i = 0; i < plain.edges.size(); ++i) {
        const ShadowEdge& a = ours.edges()[i];
        const ShadowEdge& b = plain.edges[i];
        if (a.vertexA != b.vertexA || a.vertexB != b.vertexB || a.active != b.active) {
            return false;
        }
    }
    for (size_t i = 0; i < plain.vertices.size(); ++i) {
        if (ours.vertices()[i] != plain.vertices[i]) {
            return false;
        }
    }
    return true;
}

void runOurs(benchmark::State& state, Input* input) {
    ShadowVolume volume;
    volume.build3ds(input->mesh, kLight, kPosition, kScale, kAngle, Vector3(0, 1, 0));
    for (auto _ : state) {
        volume.build3ds(input->mesh, kLight, kPosition, kScale, kAngle, Vector3(0, 1, 0));
        benchmark::DoNotOptimize(volume.vertices().data());
    }
    state.counters["faces/s"] = benchmark::Counter(
        double(input->mesh.numFaces) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void runPlain(benchmark::State& state, Input* input) {
    PlainVolume volume;
    volume.build3ds(input->mesh, kLight, kPosition, kScale, kAngle);
    for (auto _ : state) {
        volume.build3ds(input->mesh, kLight, kPosition, kScale, kAngle);
        benchmark::DoNotOptimize(volume.vertices.data());
    }
    state.counters["faces/s"] = benchmark::Counter(
        double(input->mesh.numFaces) * double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Input> inputs(2);
    inputs[0].name = "sphere_5k";
    inputs[0].mesh = makeSphere(50, 51);
    inputs[1].name = "sphere_50k";
    inputs[1].mesh = makeSphere(250, 101);

    for (Input& input : inputs) {
        // Two builds each: the first computes the normals, the second is the
        // rebuild the benchmark times.
        ShadowVolume ours;
        PlainVolume plain;
        for (int build = 0; build < 2; ++build) {
            ours.build3ds(input.mesh, kLight, kPosition, kScale, kAngle, Vector3(0, 1, 0));
            plain.build3ds(input.mesh, kLight, kPosition, kScale, kAngle);
            if (!sameVolume(ours, plain)) {
                std::cerr << input.name << ": the two builds differ\n";
                return 1;
            }
        }
        input.litEdges = ours.edges().size();
        input.wallVertices = ours.vertexCount();
    }

    for (Input& input : inputs) {
        benchmark::RegisterBenchmark(("hashed/" + input.name).c_str(), runOurs, &input)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("plain/" + input.name).c_str(), runPlain, &input)
            ->Unit(benchmark::kMillisecond);
    }

    KeptReporter reporter;
    if (!runBenchmarks(argc, argv, reporter)) {
        return 1;
    }

    std::cout << "\n"
              << std::left << std::setw(12) << "mesh" << std::right << std::setw(10) << "faces"
              << std::setw(12) << "edge list" << std::setw(10) << "walls" << std::setw(12)
              << "hashed ms" << std::setw(12) << "plain ms" << std::setw(16) << "plain / hashed"
              << "\n";
    for (const Input& input : inputs) {
        const double ours = reporter.value("hashed/" + input.name);
        const double plain = reporter.value("plain/" + input.name);
        std::cout << std::left << std::setw(12) << input.name << std::right << std::setw(10)
                  << input.mesh.numFaces << std::setw(12) << input.litEdges << std::setw(10)
                  << input.wallVertices / 6 << std::fixed << std::setprecision(3) << std::setw(12)
                  << ours << std::setw(12) << plain << std::setprecision(1) << std::setw(16)
                  << (ours > 0 && plain > 0 ? plain / ours : 0) << "\n";
    }
    return 0;
}
