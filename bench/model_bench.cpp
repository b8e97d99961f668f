// 3DS loading speed: the engine's reader (chunk tree, smooth vertex normals,
// bounding boxes) and assimp (its 3DS importer with smooth normals generated)
// on the same files held in memory, in triangles per second. After the runs it
// prints the time of each and how the engine's reader compares.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#ifdef VARNO_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

#include "bench/KeptReporter.h"
#include "model/Reader3DS.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    Bytes file;
    int triangles = 0;
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads the model and returns its triangle count, or -1.
int loadOurs(const Bytes& file) {
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    if (!read3ds(file.data(), file.size(), "bench.3ds", model, message, warnings)) {
        return -1;
    }
    benchmark::DoNotOptimize(model.meshes.data());
    return model.totalVertices / 3;
}

#ifdef VARNO_HAVE_ASSIMP
int loadAssimp(const Bytes& file) {
    // A fresh importer per load, as a program loading one model does.
    Assimp::Importer importer;
    const aiScene* scene =
        importer.ReadFileFromMemory(file.data(), file.size(), aiProcess_GenSmoothNormals, "3ds");
    if (scene == nullptr) {
        return -1;
    }
    int triangles = 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        triangles += int(scene->mMeshes[i]->mNumFaces);
        benchmark::DoNotOptimize(scene->mMeshes[i]->mNormals);
    }
    return triangles;
}
#endif

using LoadFn = int (*)(const Bytes&);

void runLoad(benchmark::State& state, LoadFn load, const Input* input) {
    int triangles = 0;
    for (auto _ : state) {
        triangles = load(input->file);
        if (triangles < 0) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.counters["Mtri/s"] = benchmark::Counter(
        double(triangles) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Input> inputs;
    const std::string corpus = VARNO_3DS_CORPUS;
    for (const std::string& path : {std::string(VARNO_BENCH_MODEL), corpus + "/assimp_jeep1.3ds"}) {
        Input input;
        input.file = readFile(path);
        input.triangles = input.file.empty() ? -1 : loadOurs(input.file);
        if (input.triangles <= 0) {
            std::cerr << "skipping " << path << "\n";
            continue;
        }
        input.name = path.substr(path.find_last_of('/') + 1);
        input.name = input.name.substr(0, input.name.find_last_of('.'));
        inputs.push_back(std::move(input));
    }
    std::vector<std::pair<const char*, LoadFn>> loaders = {{"ours", loadOurs}};
#ifdef VARNO_HAVE_ASSIMP
    loaders.push_back({"assimp", loadAssimp});
#endif
    for (const Input& input : inputs) {
        for (const auto& [name, fn] : loaders) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + input.name).c_str(), runLoad,
                                         fn, &input)
                ->Unit(benchmark::kMillisecond);
        }
    }

    KeptReporter reporter;
    if (!runBenchmarks(argc, argv, reporter)) {
        return 1;
    }

    std::cout << "\n"
              << std::left << std::setw(28) << "model" << std::right << std::setw(11) << "triangles"
              << std::setw(10) << "ours ms" << std::setw(12) << "assimp ms" << std::setw(16)
              << "assimp / ours"
              << "\n";
    for (const Input& input : inputs) {
        const double ours = reporter.value("ours/" + input.name);
        const double assimp = reporter.value("assimp/" + input.name);
        std::cout << std::left << std::setw(28) << input.name << std::right << std::setw(11)
                  << input.triangles << std::fixed << std::setprecision(3) << std::setw(10) << ours
                  << std::setw(12) << assimp << std::setprecision(2) << std::setw(16)
                  << (ours > 0 && assimp > 0 ? assimp / ours : 0) << "\n";
    }
    return 0;
}
