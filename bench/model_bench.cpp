// Model loading speed: the engine's readers and assimp on the same files held
// in memory, in triangles per second. 3DS: the chunk tree, smooth vertex
// normals and bounding boxes, against assimp's 3DS importer with smooth
// normals generated. MD2: every key frame with its normals and boxes, against
// assimp importing each key frame in turn (it reads one per import). After the
// runs it prints the time of each and how the engine's readers compare.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#ifdef VARNO_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

#include "bench/KeptReporter.h"
#include "model/Reader3DS.h"
#include "model/ReaderMD2.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    std::string format;  // "3ds" or "md2"
    Bytes file;
    int frames = 1;
    int triangles = 0;  // over all frames
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads the model and returns its triangle count over all frames, or -1.
int loadOurs(const Input& input) {
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    const bool ok = input.format == "md2" ? readMd2(input.file.data(), input.file.size(),
                                                    "bench.md2", nullptr, model, message, warnings)
                                          : read3ds(input.file.data(), input.file.size(),
                                                    "bench.3ds", model, message, warnings);
    if (!ok) {
        return -1;
    }
    benchmark::DoNotOptimize(model.meshes.data());
    int triangles = 0;
    for (const MeshRecord& mesh : model.meshes) {
        triangles += mesh.numFaces;
    }
    return triangles;
}

#ifdef VARNO_HAVE_ASSIMP
int loadAssimp(const Input& input) {
    // A fresh importer per load, as a program loading one model does; it
    // imports an MD2 file once per key frame.
    Assimp::Importer importer;
    int triangles = 0;
    for (int frame = 0; frame < input.frames; ++frame) {
        importer.SetPropertyInteger(AI_CONFIG_IMPORT_MD2_KEYFRAME, frame);
        const aiScene* scene = importer.ReadFileFromMemory(
            input.file.data(), input.file.size(), aiProcess_GenSmoothNormals, input.format.c_str());
        if (scene == nullptr) {
            return -1;
        }
        for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
            triangles += int(scene->mMeshes[i]->mNumFaces);
            benchmark::DoNotOptimize(scene->mMeshes[i]->mNormals);
        }
    }
    return triangles;
}
#endif

using LoadFn = int (*)(const Input&);

void runLoad(benchmark::State& state, LoadFn load, const Input* input) {
    int triangles = 0;
    for (auto _ : state) {
        triangles = load(*input);
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
    const std::string md2 = VARNO_MD2_CORPUS;
    for (const std::string& path : {std::string(VARNO_BENCH_MODEL), corpus + "/assimp_jeep1.3ds",
                                    md2 + "/assimp_faerie.md2"}) {
        Input input;
        input.file = readFile(path);
        input.format = path.substr(path.size() - 3);
        if (input.format == "md2" && input.file.size() >= 44) {
            // The header's frame count (little-endian, at byte 40).
            input.frames = int(uint32_t(input.file[40]) | uint32_t(input.file[41]) << 8 |
                               uint32_t(input.file[42]) << 16 | uint32_t(input.file[43]) << 24);
        }
        input.triangles = input.file.empty() ? -1 : loadOurs(input);
        if (input.triangles <= 0) {
            std::cerr << "skipping " << path << "\n";
            continue;
        }
        input.name = path.substr(path.find_last_of('/') + 1);
        input.name = input.name.substr(0, input.name.find_last_of('.'));
        if (input.format == "md2") {
            input.name += "_" + std::to_string(input.frames) + "_frames";
        }
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
