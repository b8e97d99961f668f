#include "image/DdsDecoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string notDds(const std::string& name) {
    return "the file \"" + name + "\" doesn't appear to bea valid .dds file!";
}
std::string notDxt(const std::string& name, const std::string& code) {
    return "the file \"" + name + "\" doesn't appear to becompressed using DXT1, DXT3, or DXT5! [" +
           code + "]";
}
std::string holdsOnly(const std::string& name, int held, int count) {
    return "the file \"" + name + "\" holds only " + std::to_string(held) + " of its " +
           std::to_string(count) + " mipmap levels!";
}
std::string holdsNone(const std::string& name, int count) {
    return "the file \"" + name + "\" holds none of its " + std::to_string(count) +
           " mipmap levels!";
}

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = uint8_t(v >> (8 * i));
    }
}

// "DDS " and a 124-byte header, then `dataSize` bytes counting up.
Bytes dds(const char* code, uint32_t width, uint32_t height, uint32_t mipmaps, size_t dataSize) {
    Bytes b(128 + dataSize, 0);
    std::memcpy(b.data(), "DDS ", 4);
    put32(b, 4, 124);
    put32(b, 12, height);
    put32(b, 16, width);
    put32(b, 28, mipmaps);
    std::memcpy(b.data() + 84, code, 4);
    for (size_t i = 0; i < dataSize; ++i) {
        b[128 + i] = uint8_t(i * 13);
    }
    return b;
}

struct Result {
    bool ok = false;
    std::string message;
    DdsImage image;
};

// Parses an exactly sized heap copy, so AddressSanitizer sees any over-read,
// and checks what every call must give: levels that lie one after another
// inside the data, each sized by its dimensions, or a message and nothing else.
Result decode(const Bytes& file, const std::string& name = "t.dds") {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), copy.get());
    Result r;
    r.ok = decodeDds(copy.get(), file.size(), name.c_str(), r.image, r.message);
    const DdsImage& im = r.image;
    if (!r.ok) {
        EXPECT_FALSE(r.message.empty()) << name;
        EXPECT_TRUE(im.levels.empty() && im.data.empty()) << name;
        return r;
    }
    EXPECT_TRUE(file.size() >= 128 && Bytes(file.begin() + 128, file.end()) == im.data) << name;
    EXPECT_EQ(im.blockSize, im.fourCC == 0x31545844 ? 8 : 16) << name;
    EXPECT_EQ(im.components, im.fourCC == 0x31545844 ? 3 : 4) << name;
    EXPECT_FALSE(im.levels.empty()) << name;
    size_t offset = 0;
    int w = im.width, h = im.height;
    for (const DdsLevel& level : im.levels) {
        EXPECT_EQ(level.width, w) << name;
        EXPECT_EQ(level.height, h) << name;
        EXPECT_EQ(level.offset, offset) << name;
        EXPECT_EQ(level.size, size_t((w + 3) / 4) * size_t((h + 3) / 4) * im.blockSize) << name;
        offset += level.size;
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }
    EXPECT_LE(offset, im.data.size()) << name;
    const int count = std::max(im.mipmapCount, 1);
    EXPECT_LE(int(im.levels.size()), count) << name;
    EXPECT_EQ(r.message,
              int(im.levels.size()) < count ? holdsOnly(name, int(im.levels.size()), count) : "")
        << name;
    return r;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<size_t> levelSizes(const DdsImage& image) {
    std::vector<size_t> sizes;
    for (const DdsLevel& level : image.levels) {
        sizes.push_back(level.size);
    }
    return sizes;
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(DdsDecoder, ListsTheLevelsTheDataHoldsInFull) {
    const std::vector<size_t> chain256 = {32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    const size_t full256 = 43704;
    struct Case {
        const char* what;
        Bytes file;
        std::vector<size_t> sizes;
        std::string message;
    };
    const Case cases[] = {
        {"DXT1 256x256, 9 levels", dds("DXT1", 256, 256, 9, full256), chain256, ""},
        {"DXT5 4x1, 3 levels", dds("DXT5", 4, 1, 3, 48), {16, 16, 16}, ""},
        {"DXT3 5x9, 4 levels", dds("DXT3", 5, 9, 4, 96 + 16 + 16 + 16), {96, 16, 16, 16}, ""},
        {"trailing bytes ignored", dds("DXT1", 8, 8, 1, 40), {32}, ""},
        {"count 0 is the base level", dds("DXT3", 8, 4, 0, 64), {32}, ""},
        {"last level one byte short",
         dds("DXT1", 256, 256, 9, full256 - 1),
         {32768, 8192, 2048, 512, 128, 32, 8, 8},
         holdsOnly("t.dds", 8, 9)},
        {"only the base level",
         dds("DXT5", 64, 64, 7, 4096 + 1023),
         {4096},
         holdsOnly("t.dds", 1, 7)},
        {"count far past the 1x1 level",
         dds("DXT1", 2, 2, 32, 24),
         {8, 8, 8},
         holdsOnly("t.dds", 3, 32)},
    };
    for (const Case& c : cases) {
        const Result r = decode(c.file);
        ASSERT_TRUE(r.ok) << c.what << ": " << r.message;
        EXPECT_EQ(levelSizes(r.image), c.sizes) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
}

TEST(DdsDecoder, RejectsWhatItCannotUpload) {
    const Bytes good = dds("DXT1", 4, 4, 1, 8);
    Bytes badMagic = good;
    badMagic[3] = 'X';
    Bytes badCode = good;
    put32(badCode, 84, 0xFFFFFFFF);
    const std::string tooBig = "the file \"t.dds\" doesn't appear to have a valid size! ";
    struct Case {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"empty file", {}, notDds("t.dds")},
        {"magic only", Bytes(good.begin(), good.begin() + 4), notDds("t.dds")},
        {"header one byte short", Bytes(good.begin(), good.begin() + 127), notDds("t.dds")},
        {"wrong magic", badMagic, notDds("t.dds")},
        {"DXT2", dds("DXT2", 4, 4, 1, 16), notDxt("t.dds", "844388420")},
        {"DXT4", dds("DXT4", 4, 4, 1, 16), notDxt("t.dds", "877942852")},
        {"DX10", dds("DX10", 4, 4, 1, 16), notDxt("t.dds", "808540228")},
        {"uncompressed", dds("\0\0\0\0", 4, 4, 1, 48), notDxt("t.dds", "0")},
        {"FourCC read as signed", badCode, notDxt("t.dds", "-1")},
        {"zero width", dds("DXT1", 0, 4, 1, 8), tooBig + "[0x4]"},
        {"zero height", dds("DXT1", 4, 0, 1, 8), tooBig + "[4x0]"},
        {"height past 65536", dds("DXT1", 1, 16777217, 0, 8), tooBig + "[1x16777217]"},
        {"width past 65536", dds("DXT5", 65537, 4, 1, 8), tooBig + "[65537x4]"},
        {"33 mipmap levels", dds("DXT1", 4, 4, 33, 8),
         "the file \"t.dds\" doesn't appear to have a valid mipmap count! [33]"},
        {"no data", dds("DXT1", 4, 4, 1, 0), holdsNone("t.dds", 1)},
        {"base level short", dds("DXT5", 8, 8, 4, 63), holdsNone("t.dds", 4)},
        {"128x45880 from 22 KiB", dds("DXT5", 128, 45880, 8, 21967), holdsNone("t.dds", 8)},
    };
    for (const Case& c : cases) {
        const Result r = decode(c.file);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
}

TEST(DdsDecoder, FourCCTextShowsPrintableBytes) {
    EXPECT_EQ(fourCCText(0x31545844), "DXT1");
    EXPECT_EQ(fourCCText(114), "r???");
    EXPECT_EQ(fourCCText(0xFFFFFFFF), "????");
    EXPECT_EQ(fourCCText(0x7E20097F), "?? ~");
}

// ---------------------------------------------------------------------------
// Third-party sample files (tests/corpus/MANIFEST.md)

const fs::path kCorpus = fs::path(VARNO_CORPUS_DIR) / "dds";

struct Outcome {
    size_t levels;        // listed levels; 0 when the file is refused
    std::string message;  // with the file name where it says %s
};

const std::map<std::string, Outcome> kCorpusOutcomes = {
    {"tacent_BC1DXT1_RGB_Legacy.dds", {11, ""}},
    {"tacent_BC3DXT4DXT5_RGBA_Legacy.dds", {11, ""}},
    {"tacent_BC1DXT1_RGB_Modern_318x178.dds", {1, ""}},
    {"pillow_dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", {1, ""}},
    {"pillow_dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds", {1, ""}},  // count 0
    {"pillow_dxt5-colorblock-alpha-issue-4142.dds", {1, ""}},        // count 0
    {"magnum_dxt1.dds", {1, ""}},
    {"magnum_dxt5.dds", {1, ""}},
    {"magnum_dxt3-incomplete-blocks.dds", {1, ""}},
    // A cube map: the first face's levels come first and are the ones listed.
    {"magnum_dxt1-cube-mips.dds", {3, ""}},
    {"magnum_dxt4.dds", {0, notDxt("magnum_dxt4.dds", "877942852")}},
    {"magnum_fourcc-114.dds", {0, notDxt("magnum_fourcc-114.dds", "114")}},
    {"magnum_wrong-signature.dds", {0, notDds("magnum_wrong-signature.dds")}},
    {"pillow_bc1.dds", {0, notDxt("pillow_bc1.dds", "808540228")}},
    {"pillow_hopper.dds", {0, notDxt("pillow_hopper.dds", "0")}},
    {"pillow_timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds",
     {0, notDxt("pillow_timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds", "-1")}},
    {"pillow_timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds",
     {0, notDxt("pillow_timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds", "0")}},
};

TEST(DdsCorpus, EveryFileHasItsExpectedOutcome) {
    ASSERT_TRUE(fs::is_directory(kCorpus)) << kCorpus;
    size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        const std::string name = entry.path().filename().string();
        const auto expected = kCorpusOutcomes.find(name);
        if (expected == kCorpusOutcomes.end()) {
            ADD_FAILURE() << name << " has no expected outcome here";
            continue;
        }
        ++seen;
        const Bytes file = readFile(entry.path());
        const Result r = decode(file, name);
        EXPECT_EQ(r.ok, expected->second.levels > 0) << name << ": " << r.message;
        EXPECT_EQ(r.message, expected->second.message) << name;
        EXPECT_EQ(r.image.levels.size(), expected->second.levels) << name;
        if (r.ok) {
            // The header fields as the file holds them, and every byte of the
            // first face's chain accounted for.
            uint32_t height, width, mipmaps;
            std::memcpy(&height, file.data() + 12, 4);
            std::memcpy(&width, file.data() + 16, 4);
            std::memcpy(&mipmaps, file.data() + 28, 4);
            EXPECT_EQ(r.image.width, int(width)) << name;
            EXPECT_EQ(r.image.height, int(height)) << name;
            EXPECT_EQ(r.image.mipmapCount, int(mipmaps)) << name;
            EXPECT_EQ(0,
                      std::memcmp(r.image.data.data(), file.data() + 128, r.image.levels[0].size))
                << name;
            const DdsLevel& last = r.image.levels.back();
            const bool cube = name == "magnum_dxt1-cube-mips.dds";
            const bool trailing = name == "pillow_dxt5-colorblock-alpha-issue-4142.dds";
            if (!cube && !trailing) {
                EXPECT_EQ(last.offset + last.size, r.image.data.size()) << name;
            }
            if (cube) {
                EXPECT_EQ((last.offset + last.size) * 6, r.image.data.size()) << name;
            }
        }
    }
    EXPECT_EQ(seen, kCorpusOutcomes.size()) << "corpus files are missing";
}

TEST(DdsCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    std::mt19937 random(20240615);
    for (const auto& [name, outcome] : kCorpusOutcomes) {
        if (outcome.levels == 0) {
            continue;
        }
        const Bytes file = readFile(kCorpus / name);
        const size_t stride = std::max<size_t>(1, file.size() / 100);
        for (size_t length = 0; length < file.size(); length += length < 140 ? 1 : stride) {
            decode(Bytes(file.begin(), file.begin() + length), name);
        }
        for (int copy = 0; copy < 20; ++copy) {
            Bytes damaged = file;
            for (int flips = 0; flips <= copy % 4; ++flips) {
                damaged[random() % 128] ^= uint8_t(1 + random() % 255);
            }
            decode(damaged, name);
        }
    }
}

}  // namespace
