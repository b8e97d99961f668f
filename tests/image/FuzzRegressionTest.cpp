// Inputs that once broke a decoder under the fuzzer, kept in
// tests/fuzz_regressions/<format>/, replay through that decoder in every
// test run (and under the sanitizers in the sanitizer build).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/BmpDecoder.h"
#include "image/DdsDecoder.h"
#include "image/JpegDecoder.h"
#include "image/PcxDecoder.h"
#include "image/TgaDecoder.h"

namespace fs = std::filesystem;

namespace {

using Decode = void (*)(const std::vector<uint8_t>&);

template <typename Record, typename Function>
void run(Function decode, const std::vector<uint8_t>& bytes) {
    Record record;
    std::string message;
    decode(bytes.data(), bytes.size(), "regression", record, message);
}

const struct {
    const char* format;
    Decode decode;
} kDecoders[] = {
    {"tga", [](const std::vector<uint8_t>& b) { run<TgaDecoded>(decodeTga, b); }},
    {"bmp", [](const std::vector<uint8_t>& b) { run<ImageData>(decodeBmp, b); }},
    {"pcx", [](const std::vector<uint8_t>& b) { run<ImageData>(decodePcx, b); }},
    {"dds", [](const std::vector<uint8_t>& b) { run<DdsImage>(decodeDds, b); }},
    {"jpeg",
     [](const std::vector<uint8_t>& b) {
         ImageData image;
         std::string message;
         decodeJpeg(b.data(), b.size(), image, message);
     }},
};

}  // namespace

TEST(FuzzRegressions, SavedInputsReplayCleanly) {
    size_t replayed = 0;
    for (const auto& decoder : kDecoders) {
        const fs::path dir = fs::path(VARNO_FUZZ_REGRESSION_DIR) / decoder.format;
        if (!fs::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            decoder.decode(bytes);
            ++replayed;
        }
    }
    if (replayed == 0) {
        GTEST_SKIP() << "no saved fuzz inputs";
    }
}
