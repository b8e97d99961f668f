// JPEG decoding speed: the engine's decoder, libjpeg-turbo through TurboJPEG
// (tjDecompress2, default flags) and stb_image, all to RGBA, on the same files
// held in memory, in megapixels per second of processor time (the machine may
// be shared). The engine's decoder and TurboJPEG write into a buffer kept from
// the previous run; stb_image allocates its own. The files are photos of about
// 2, 5 and 12 megapixels in each sampling, grey and progressive
// (bench/jpeg_photos.sh) and two sample files. Each benchmark runs five times
// unless the command line says otherwise; after the runs the program prints
// the medians and the ratios.
//
// Repetitions alternate between the decoders with
//   jpeg_bench --benchmark_enable_random_interleaving=true
// and --benchmark_filter=12mp picks the 12-megapixel photos.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

#include <stb_image.h>
#include <turbojpeg.h>

#include "bench/KeptReporter.h"
#include "image/JpegDecoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    Bytes file;
    int width = 0, height = 0;
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void countMegapixels(benchmark::State& state, const Input* input) {
    state.counters["MP/s"] =
        benchmark::Counter(double(input->width) * input->height * double(state.iterations()) / 1e6,
                           benchmark::Counter::kIsRate);
}

void runOurs(benchmark::State& state, const Input* input) {
    // The buffer the decoder fills, given before the runs as TurboJPEG's is.
    ImageData image;
    image.pixels.resize(size_t(input->width) * input->height * 4);
    std::string message;
    for (auto _ : state) {
        if (!decodeJpeg(input->file.data(), input->file.size(), image, message)) {
            state.SkipWithError(message.c_str());
            return;
        }
        benchmark::DoNotOptimize(image.pixels.data());
    }
    countMegapixels(state, input);
}

void runTurbo(benchmark::State& state, const Input* input) {
    tjhandle handle = tjInitDecompress();
    Bytes pixels(size_t(input->width) * input->height * 4);
    for (auto _ : state) {
        if (tjDecompress2(handle, input->file.data(),
                          static_cast<unsigned long>(input->file.size()), pixels.data(),
                          input->width, 0, input->height, TJPF_RGBA, 0) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(handle);
    countMegapixels(state, input);
}

void runStb(benchmark::State& state, const Input* input) {
    for (auto _ : state) {
        int width = 0, height = 0, components = 0;
        stbi_uc* data = stbi_load_from_memory(input->file.data(), int(input->file.size()), &width,
                                              &height, &components, 4);
        if (data == nullptr) {
            state.SkipWithError(stbi_failure_reason());
            return;
        }
        benchmark::DoNotOptimize(data);
        stbi_image_free(data);
    }
    countMegapixels(state, input);
}

using Runner = void (*)(benchmark::State&, const Input*);

}  // namespace

int main(int argc, char** argv) {
    // Five repetitions of at least 0.1 s each unless the command line asks
    // for something else.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5", minTime = "--benchmark_min_time=0.1";
    bool haveRepetitions = false, haveMinTime = false;
    for (int i = 1; i < argc; ++i) {
        haveRepetitions |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
        haveMinTime |= std::strncmp(argv[i], "--benchmark_min_time", 20) == 0;
    }
    if (!haveRepetitions) {
        args.push_back(&repetitions[0]);
    }
    if (!haveMinTime) {
        args.push_back(&minTime[0]);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    std::vector<std::string> paths;
    const std::string photos = VARNO_BENCH_PHOTOS;
    if (!photos.empty() && std::filesystem::is_directory(photos)) {
        for (const auto& entry : std::filesystem::directory_iterator(photos)) {
            if (entry.path().extension() == ".jpg") {
                paths.push_back(entry.path().string());
            }
        }
    }
    std::sort(paths.begin(), paths.end());
    const std::string corpus = VARNO_JPEG_CORPUS;
    paths.push_back(corpus + "/tacent_Landscape_1.jpg");
    paths.push_back(corpus + "/zigimg_tuba.jpg");

    std::vector<Input> inputs;
    for (const std::string& path : paths) {
        Input input;
        input.file = readFile(path);
        ImageData image;
        std::string message;
        if (input.file.empty() ||
            !decodeJpeg(input.file.data(), input.file.size(), image, message)) {
            std::cerr << "skipping " << path << ": " << message << "\n";
            continue;
        }
        input.width = image.width;
        input.height = image.height;
        input.name = path.substr(path.find_last_of('/') + 1);
        input.name = input.name.substr(0, input.name.find_last_of('.'));
        inputs.push_back(std::move(input));
    }
    const std::pair<const char*, Runner> decoders[] = {
        {"ours", runOurs}, {"turbo", runTurbo}, {"stb", runStb}};
    for (const Input& input : inputs) {
        for (const auto& [name, run] : decoders) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + input.name).c_str(), run,
                                         &input)
                ->Unit(benchmark::kMillisecond);
        }
    }

    KeptReporter reporter("MP/s");
    if (!runBenchmarks(count, args.data(), reporter)) {
        return 1;
    }

    // A ratio above 1 means the engine's decoder is the faster.
    std::cout << "\n"
              << std::left << std::setw(44) << "input (megapixels per second)" << std::right
              << std::setw(8) << "ours" << std::setw(8) << "turbo" << std::setw(8) << "stb"
              << std::setw(12) << "ours/turbo" << std::setw(10) << "ours/stb"
              << "\n";
    for (const Input& input : inputs) {
        const double ours = reporter.value("ours/" + input.name);
        const double turbo = reporter.value("turbo/" + input.name);
        const double stb = reporter.value("stb/" + input.name);
        if (ours == 0 && turbo == 0 && stb == 0) {
            continue;  // not run (filtered out)
        }
        const std::string size = std::to_string(input.width) + "x" + std::to_string(input.height);
        std::cout << std::left << std::setw(44) << (input.name + " " + size) << std::right
                  << std::fixed << std::setprecision(1) << std::setw(8) << ours << std::setw(8)
                  << turbo << std::setw(8) << stb << std::setprecision(2) << std::setw(12)
                  << (turbo > 0 ? ours / turbo : 0) << std::setw(10) << (stb > 0 ? ours / stb : 0)
                  << "\n";
    }
    return 0;
}
