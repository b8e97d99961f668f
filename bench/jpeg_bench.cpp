// JPEG decoding speed: the engine's decoder, libjpeg-turbo (default settings,
// RGB out) and stb_image (RGBA out) on the same files held in memory, in
// megapixels per second. After the runs it prints how the engine's decoder
// compares with each.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <stb_image.h>

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

bool decodeOurs(const Bytes& file, std::vector<uint8_t>& pixels, int& width, int& height) {
    ImageData image;
    std::string message;
    const bool ok = decodeJpeg(file.data(), file.size(), image, message);
    pixels = std::move(image.pixels);
    width = image.width;
    height = image.height;
    return ok;
}

bool decodeTurbo(const Bytes& file, std::vector<uint8_t>& pixels, int& width, int& height) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);  // the inputs are known good: errors exit
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    const size_t rowBytes = size_t(width) * 3;
    pixels.resize(rowBytes * height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool decodeStb(const Bytes& file, std::vector<uint8_t>& pixels, int& width, int& height) {
    int components = 0;
    stbi_uc* data =
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &components, 4);
    if (data == nullptr) {
        return false;
    }
    pixels.assign(data, data + size_t(width) * height * 4);
    stbi_image_free(data);
    return true;
}

using DecodeFn = bool (*)(const Bytes&, std::vector<uint8_t>&, int&, int&);

void runDecode(benchmark::State& state, DecodeFn decode, const Input* input) {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    for (auto _ : state) {
        if (!decode(input->file, pixels, width, height)) {
            state.SkipWithError("decode failed");
            return;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["MP/s"] = benchmark::Counter(
        double(width) * height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Input> inputs;
    const std::string corpus = VARNO_JPEG_CORPUS;
    const std::string photo = VARNO_BENCH_PHOTO;
    for (const std::string& path :
         {corpus + "/tacent_Landscape_1.jpg", corpus + "/zigimg_tuba.jpg", photo}) {
        Input input;
        input.file = path.empty() ? Bytes() : readFile(path);
        std::vector<uint8_t> pixels;
        if (input.file.empty() || !decodeOurs(input.file, pixels, input.width, input.height)) {
            std::cerr << "skipping " << (path.empty() ? "the generated photo" : path) << "\n";
            continue;
        }
        input.name = path.substr(path.find_last_of('/') + 1);
        input.name = input.name.substr(0, input.name.find_last_of('.'));
        inputs.push_back(std::move(input));
    }
    const std::pair<const char*, DecodeFn> decoders[] = {
        {"ours", decodeOurs}, {"stb", decodeStb}, {"turbo", decodeTurbo}};
    for (const Input& input : inputs) {
        for (const auto& [name, fn] : decoders) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + input.name).c_str(), runDecode,
                                         fn, &input)
                ->Unit(benchmark::kMillisecond);
        }
    }

    KeptReporter reporter("MP/s");
    if (!runBenchmarks(argc, argv, reporter)) {
        return 1;
    }

    std::cout << "\n"
              << std::left << std::setw(34) << "input" << std::right << std::setw(10) << "ours MP/s"
              << std::setw(10) << "stb MP/s" << std::setw(12) << "turbo MP/s" << std::setw(10)
              << "ours/stb" << std::setw(12) << "ours/turbo"
              << "\n";
    for (const Input& input : inputs) {
        const double ours = reporter.value("ours/" + input.name);
        const double stb = reporter.value("stb/" + input.name);
        const double turbo = reporter.value("turbo/" + input.name);
        const std::string size = std::to_string(input.width) + "x" + std::to_string(input.height);
        std::cout << std::left << std::setw(34) << (input.name + " " + size) << std::right
                  << std::fixed << std::setprecision(1) << std::setw(10) << ours << std::setw(10)
                  << stb << std::setw(12) << turbo << std::setprecision(2) << std::setw(10)
                  << (stb > 0 ? ours / stb : 0) << std::setw(12) << (turbo > 0 ? ours / turbo : 0)
                  << "\n";
    }
    return 0;
}
