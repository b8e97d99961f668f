#include "image/DdsDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "image/DxtDecoder.h"
#include "tests/image/DecoderTestSupport.h"

namespace {

using namespace decodertest;

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

// Parses an exactly sized copy and checks the contract every call keeps, with
// the DXT1 block size and a warning for each short chain of levels.
Result decode(const Bytes& file, const std::string& name = "t.dds") {
    Result r;
    r.ok = decodeDds(exactCopy(file).get(), file.size(), name.c_str(), r.image, r.message);
    const DdsImage& im = r.image;
    EXPECT_TRUE(keepsDdsContract(r.ok, im, r.message, file.size())) << name << ": " << r.message;
    if (r.ok && file.size() >= 128) {
        EXPECT_TRUE(Bytes(file.begin() + 128, file.end()) == im.data) << name;
        EXPECT_EQ(im.blockSize, im.fourCC == 0x31545844 ? 8 : 16) << name;
        EXPECT_EQ(im.components, im.fourCC == 0x31545844 ? 3 : 4) << name;
        const int count = std::max(im.mipmapCount, 1), held = int(im.levels.size());
        EXPECT_EQ(r.message, held < count ? holdsOnly(name, held, count) : "") << name;
    }
    return r;
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
    const std::string tooBig = "the file \"t.dds\" doesn't appear to have a valid size! ";
    const Refusal cases[] = {
        {"empty file", {}, notDds("t.dds")},
        {"magic only", prefix(good, 4), notDds("t.dds")},
        {"header one byte short", prefix(good, 127), notDds("t.dds")},
        {"wrong magic", patched(good, {{3, 'X'}}), notDds("t.dds")},
        {"DXT2", dds("DXT2", 4, 4, 1, 16), notDxt("t.dds", "844388420")},
        {"DXT4", dds("DXT4", 4, 4, 1, 16), notDxt("t.dds", "877942852")},
        {"DX10", dds("DX10", 4, 4, 1, 16), notDxt("t.dds", "808540228")},
        {"uncompressed", dds("\0\0\0\0", 4, 4, 1, 48), notDxt("t.dds", "0")},
        {"FourCC read as signed", dds("\xFF\xFF\xFF\xFF", 4, 4, 1, 8), notDxt("t.dds", "-1")},
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
    expectRefusals(cases, [](const Bytes& file) { return decode(file); });
}

TEST(DdsDecoder, FourCCTextShowsPrintableBytes) {
    EXPECT_EQ(fourCCText(0x31545844), "DXT1");
    EXPECT_EQ(fourCCText(114), "r???");
    EXPECT_EQ(fourCCText(0xFFFFFFFF), "????");
    EXPECT_EQ(fourCCText(0x7E20097F), "?? ~");
}

// ---------------------------------------------------------------------------
// Third-party sample files

struct Outcome {
    size_t levels;        // listed levels; 0 when the file is refused
    std::string message;  // with the file name where it says %s
};

const std::map<std::string, Outcome> kCorpus = {
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
    checkEveryCorpusFile("dds", kCorpus, [](auto& name, const Bytes& file, auto& expected) {
        const Result r = decode(file, name);
        EXPECT_EQ(r.ok, expected.levels > 0) << r.message;
        EXPECT_EQ(r.message, expected.message);
        ASSERT_EQ(r.image.levels.size(), expected.levels);
        if (!r.ok) {
            return;
        }
        // The header fields as the file holds them, and every byte of the
        // first face's chain accounted for.
        uint32_t height, width, mipmaps;
        std::memcpy(&height, file.data() + 12, 4);
        std::memcpy(&width, file.data() + 16, 4);
        std::memcpy(&mipmaps, file.data() + 28, 4);
        EXPECT_EQ(r.image.width, int(width));
        EXPECT_EQ(r.image.height, int(height));
        EXPECT_EQ(r.image.mipmapCount, int(mipmaps));
        EXPECT_EQ(0, std::memcmp(r.image.data.data(), file.data() + 128, r.image.levels[0].size));
        const size_t chainEnd = r.image.levels.back().offset + r.image.levels.back().size;
        if (name == "magnum_dxt1-cube-mips.dds") {
            EXPECT_EQ(chainEnd * 6, r.image.data.size());
        } else if (name != "pillow_dxt5-colorblock-alpha-issue-4142.dds") {  // trailing bytes
            EXPECT_EQ(chainEnd, r.image.data.size());
        }
    });
}

TEST(DdsCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    for (const auto& [name, outcome] : kCorpus) {
        if (outcome.levels > 0) {
            SCOPED_TRACE(name);
            damageAndTruncate(readFile(corpusDir("dds") / name), {140, 100, 40, 128},
                              [](const Bytes& b) { return decode(b); });
        }
    }
}

// ---------------------------------------------------------------------------
// Software decoding of the first level

// Every DXT file at hand, ImageMagick's (tests/data/images/make.sh) and the
// sample corpus's, decodes as ImageMagick decodes it, within 1 per channel.
TEST(DdsSoftwareDecode, FirstLevelMatchesImageMagick) {
    if (!haveImageMagick()) {
        GTEST_SKIP() << "ImageMagick not found";
    }
    std::vector<fs::path> files;
    for (const std::string& name : filesIn(generatedDir("dds"))) {
        files.push_back(generatedDir("dds") / name);
    }
    for (const auto& [name, outcome] : kCorpus) {
        if (outcome.levels > 0) {
            files.push_back(corpusDir("dds") / name);
        }
    }
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const Result r = decode(readFile(path), path.filename().string());
        ASSERT_TRUE(r.ok) << r.message;
        const ImageData image = decodeDdsLevel0(r.image);
        ASSERT_EQ(image.width, r.image.width);
        ASSERT_EQ(image.height, r.image.height);
        // ImageMagick shows the first level, top row first: the order the
        // blocks hold the rows in.
        const Bytes expected = imageMagickRgb(path.string() + "[0]", 4);
        ASSERT_EQ(expected.size(), image.pixels.size());
        size_t worst = 0;
        int largest = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            const int difference = std::abs(int(expected[i]) - int(image.pixels[i]));
            if (difference > largest) {
                largest = difference;
                worst = i;
            }
        }
        EXPECT_LE(largest, 1) << "pixel " << worst / 4 << ", channel " << worst % 4;
    }
}

}  // namespace
