#include "image/PcxDecoder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
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

const std::string kShortHeader = "error: pcx file too short for its header!";
const std::string kNoPalette = "error: pcx file too short for its 256-colour palette!";

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 128-byte header for a picture at (1, 2); the version byte is deliberately
// not one a writer would use.
Bytes pcx(int bitsPerPlane, int planes, int width, int height, int bytesPerLine,
          const Bytes& palette16 = {}) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 0x99;
    b[2] = 1;
    b[3] = uint8_t(bitsPerPlane);
    const int x0 = 1, y0 = 2, x1 = x0 + width - 1, y1 = y0 + height - 1;
    const int fields[] = {x0, y0, x1, y1};
    for (int i = 0; i < 4; ++i) {
        b[4 + 2 * i] = uint8_t(fields[i]);
        b[5 + 2 * i] = uint8_t(fields[i] >> 8);
    }
    std::copy(palette16.begin(), palette16.end(), b.begin() + 16);
    b[65] = uint8_t(planes);
    b[66] = uint8_t(bytesPerLine);
    b[67] = uint8_t(bytesPerLine >> 8);
    return b;
}

// Colour i of the test palettes.
Bytes colour(int i) {
    return {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
}

Bytes palette(int entries) {
    Bytes p;
    for (int i = 0; i < entries; ++i) {
        p = p + colour(i);
    }
    return p;
}

// The 256-colour palette that closes an 8-bit file.
const Bytes kTrailer = Bytes{0x0C} + palette(256);

struct Result {
    bool ok = false;
    std::string message;
    ImageData image;
};

// Decodes an exactly sized heap copy, so AddressSanitizer sees any over-read,
// and checks what every call must give: an RGB image shaped as its header
// says, or a message and no pixels.
Result decode(const Bytes& file, const std::string& name = "t.pcx") {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), copy.get());
    Result r;
    r.ok = decodePcx(copy.get(), file.size(), name.c_str(), r.image, r.message);
    if (r.ok) {
        EXPECT_EQ(r.image.width, (file[8] | file[9] << 8) - (file[4] | file[5] << 8) + 1) << name;
        EXPECT_EQ(r.image.height, (file[10] | file[11] << 8) - (file[6] | file[7] << 8) + 1)
            << name;
        EXPECT_EQ(r.image.channels, 3) << name;
        EXPECT_TRUE(r.image.bottomUp) << name;
        EXPECT_EQ(r.image.pixels.size(), r.image.rowBytes() * size_t(r.image.height)) << name;
        EXPECT_EQ(r.message, "") << name;
    } else {
        EXPECT_TRUE(r.image.pixels.empty()) << name;
        EXPECT_EQ(r.message.rfind("error: ", 0), 0u) << name << ": " << r.message;
    }
    return r;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(PcxDecoder, DecodesEachLayoutToRgbRowsBottomUp) {
    const Bytes black(3, 0);
    const Bytes c0 = colour(0), c1 = colour(1), c2 = colour(2), c3 = colour(3), c5 = colour(5),
                c7 = colour(7), c14 = colour(14), c63 = colour(63);
    struct Case {
        const char* what;
        Bytes file, expected;
    };
    const Case cases[] = {
        {"8-bit: 0xC3 0x05 is three 5s, 0x3F one 63",
         pcx(8, 1, 4, 1, 4) + Bytes{0xC3, 0x05, 0x3F} + kTrailer, c5 + c5 + c5 + c63},
        {"8-bit: a high value needs a run of one",
         pcx(8, 1, 1, 1, 1) + Bytes{0xC1, 0xC7} + kTrailer, colour(0xC7)},
        {"8-bit: 0xC0 delivers nothing", pcx(8, 1, 1, 1, 1) + Bytes{0xC0, 0x09, 0x07} + kTrailer,
         c7},
        {"8-bit: first scan line is the last row, padding skipped",
         pcx(8, 1, 1, 2, 2) + Bytes{1, 9, 2, 9} + kTrailer, c2 + c1},
        // Scan line 0 is a run of 7 nines: all three planes with their
        // padding bytes and the red byte of scan line 1.
        {"24-bit: one run across planes and scan lines, odd width padded",
         pcx(8, 3, 1, 2, 2) + Bytes{0xC7, 9, 1, 2, 3, 4, 5}, Bytes{9, 2, 4, 9, 9, 9}},
        {"24-bit: planes are red, green, blue", pcx(8, 3, 2, 1, 2) + Bytes{1, 2, 3, 4, 5, 6},
         Bytes{1, 3, 5, 2, 4, 6}},
        {"1-bit: most significant bit first, header palette",
         pcx(1, 1, 10, 1, 2, palette(16)) + Bytes{0xA0, 0x40},
         c1 + c0 + c1 + c0 + c0 + c0 + c0 + c0 + c0 + c1},
        // Pixel 0 is set in planes 0 and 2 (index 5), pixel 1 in 1, 2 and 3
        // (index 14).
        {"4 planes of 1 bit", pcx(1, 4, 2, 1, 1, palette(16)) + Bytes{0x80, 0x40, 0xC1, 0xC0, 0x40},
         c5 + c14},
        {"4 bits packed, high nibble first", pcx(4, 1, 3, 1, 2, palette(16)) + Bytes{0x5E, 0x3F},
         c5 + c14 + c3},
        {"data ends inside scan line 2: it and the rest are black",
         pcx(8, 1, 2, 3, 2) + Bytes{0xC3, 1, 2} + kTrailer, black + black + c1 + c2 + c1 + c1},
        {"data ends inside a run", pcx(8, 1, 1, 2, 1) + Bytes{2, 0xC5} + kTrailer, black + c2},
        {"24-bit data ends in the last plane", pcx(8, 3, 1, 1, 1) + Bytes{1, 2}, black},
    };
    for (const Case& c : cases) {
        const Result r = decode(c.file);
        ASSERT_TRUE(r.ok) << c.what << ": " << r.message;
        EXPECT_EQ(r.image.pixels, c.expected) << c.what;
    }
}

TEST(PcxDecoder, RejectsWhatItCannotDecode) {
    const Bytes mono = pcx(1, 1, 8, 1, 1);
    auto with = [](Bytes b, size_t at, uint8_t value) {
        b[at] = value;
        return b;
    };
    const Bytes eight = pcx(8, 1, 1, 1, 1) + Bytes{1};
    Bytes tooWide = pcx(1, 1, 1, 1, 1);
    tooWide[8] = 0;  // xmax 0 < xmin 1
    struct Case {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"empty file", {}, kShortHeader},
        {"manufacturer 11", with(mono, 0, 11), "error: bad version number! (11)"},
        {"manufacturer 0 in a short file", {0}, "error: bad version number! (0)"},
        {"header one byte short", Bytes(mono.begin(), mono.end() - 1), kShortHeader},
        {"2-bit", pcx(2, 1, 4, 1, 1) + Bytes{0}, "error: unknown 2 bitcount pcx files"},
        {"2 planes of 1 bit", pcx(1, 2, 8, 1, 1) + Bytes{0}, "error: unknown 2 bitcount pcx files"},
        {"32-bit", pcx(8, 4, 1, 1, 1) + Bytes{0}, "error: unknown 32 bitcount pcx files"},
        {"24 bits in one plane", pcx(24, 1, 1, 1, 3) + Bytes{0, 0, 0},
         "error: unknown 24 bitcount pcx files (1 x 24-bit planes)"},
        {"xmax < xmin", tooWide, "error: bad image size in pcx file! (0x1)"},
        {"ymax < ymin", with(mono, 10, 0), "error: bad image size in pcx file! (8x-1)"},
        {"no bytes per line", pcx(8, 3, 1, 1, 0), "error: bad bytes per line in pcx file! (0)"},
        {"bytes per line short of the width", pcx(1, 1, 9, 1, 1) + Bytes{0, 0},
         "error: bad bytes per line in pcx file! (1)"},
        {"packed bytes per line short", pcx(4, 1, 3, 1, 1) + Bytes{0, 0},
         "error: bad bytes per line in pcx file! (1)"},
        {"no palette marker", eight + Bytes{0} + palette(256),
         "error: colormap's first byte must be 0x0c! (0)"},
        {"wrong palette marker", eight + Bytes{0x0D} + palette(256),
         "error: colormap's first byte must be 0x0c! (0xd)"},
        {"too short for the palette", pcx(8, 1, 1, 1, 1) + Bytes(768, 0x0C), kNoPalette},
        {"no image data", mono, "error: pcx file too short for a 8x1 image!"},
        {"more scan lines than runs can fill", pcx(8, 3, 1, 43, 1) + Bytes{0xFF, 0},
         "error: pcx file too short for a 1x43 image!"},
    };
    for (const Case& c : cases) {
        const Result r = decode(c.file);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
}

TEST(PcxDecoder, HugeClaimedSizesInTinyFilesFailWithoutAllocating) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const Bytes runs = {0xFF, 0, 0xFF, 0, 0xFF, 0};
    Bytes huge = pcx(8, 3, 1, 1, 0xFFFF) + runs;
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;  // 65535 x 65534 from (1, 2)
    EXPECT_EQ(decode(huge).message, "error: pcx file too short for a 65535x65534 image!");
    huge[3] = 1;
    huge[65] = 1;
    EXPECT_EQ(decode(huge).message, "error: pcx file too short for a 65535x65534 image!");
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB";
}

// ---------------------------------------------------------------------------
// Third-party sample files (tests/corpus/MANIFEST.md)

const fs::path kCorpus = fs::path(VARNO_CORPUS_DIR) / "pcx";

// The expected message for every file in the corpus; empty means it decodes.
const std::map<std::string, std::string> kCorpusOutcomes = {
    {"commonsimg_1plane1bppCompressed.pcx", ""},
    {"commonsimg_1plane4bppCompressed.pcx", ""},
    {"commonsimg_1plane8bppCompressed.pcx", ""},
    {"commonsimg_3plane8bppCompressed.pcx", ""},
    {"commonsimg_4plane1bppCompressed.pcx", ""},
    {"pillow_odd_stride.pcx", ""},
    {"pillow_pil184.pcx", ""},
    {"commonsimg_1plane2bppCompressed.pcx", "error: unknown 2 bitcount pcx files"},
    {"commonsimg_1plane24bppCompressed.pcx",
     "error: unknown 24 bitcount pcx files (1 x 24-bit planes)"},
    // A fuzzed header: 2 planes of 1 bit, no bytes per line.
    {"pillow_ossfuzz-4836216264589312.pcx", "error: unknown 2 bitcount pcx files"},
};

std::vector<std::string> decodableCorpusFiles() {
    std::vector<std::string> names;
    for (const auto& [name, message] : kCorpusOutcomes) {
        if (message.empty()) {
            names.push_back(name);
        }
    }
    return names;
}

TEST(PcxCorpus, EveryFileHasItsExpectedOutcome) {
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
        const Result r = decode(readFile(entry.path()), name);
        EXPECT_EQ(r.ok, expected->second.empty()) << name << ": " << r.message;
        EXPECT_EQ(r.message, expected->second) << name;
    }
    EXPECT_EQ(seen, kCorpusOutcomes.size()) << "corpus files are missing";
}

// ImageMagick's picture of a file as top-down RGB, or nothing when it fails.
Bytes referencePixels(const fs::path& path) {
    const std::string command =
        std::string(VARNO_IMAGEMAGICK) + " '" + path.string() + "' -depth 8 rgb:- 2>/dev/null";
    Bytes pixels;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        uint8_t buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            pixels.insert(pixels.end(), buffer, buffer + n);
        }
        pclose(pipe);
    }
    return pixels;
}

TEST(PcxCorpus, DecodedPixelsMatchTheReferenceDecoder) {
    if (std::string(VARNO_IMAGEMAGICK).empty()) {
        GTEST_SKIP() << "ImageMagick not found";
    }
    for (const std::string& name : decodableCorpusFiles()) {
        const Bytes file = readFile(kCorpus / name);
        const Result r = decode(file, name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        const Bytes ref = referencePixels(kCorpus / name);
        ASSERT_EQ(ref.size(), r.image.pixels.size()) << name;

        // ImageMagick shows 1-bit files white for 0 and black for 1 whatever
        // their header palette says; this decoder uses the header palette, or
        // black and white for version 3 files, which carry no palette.
        const bool mono = file[3] == 1 && file[65] == 1;
        static const uint8_t kBlackAndWhite[6] = {0, 0, 0, 255, 255, 255};
        const uint8_t* monoPalette = file[1] == 3 ? kBlackAndWhite : file.data() + 16;
        Bytes expected;
        const size_t rowBytes = r.image.rowBytes();
        for (size_t y = size_t(r.image.height); y-- > 0;) {
            for (size_t i = 0; i < rowBytes; i += 3) {
                const uint8_t* px = ref.data() + y * rowBytes + i;
                if (mono) {
                    px = monoPalette + (px[0] == 0 ? 3 : 0);
                }
                expected.insert(expected.end(), px, px + 3);
            }
        }
        EXPECT_TRUE(r.image.pixels == expected) << name << " differs from ImageMagick";
    }
}

TEST(PcxCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    std::mt19937 random(20240614);
    for (const std::string& name : decodableCorpusFiles()) {
        const Bytes file = readFile(kCorpus / name);
        const size_t stride = std::max<size_t>(1, file.size() / 150);
        for (size_t length = 0; length < file.size(); length += length < 140 ? 1 : stride) {
            decode(Bytes(file.begin(), file.begin() + length), name);
        }
        for (int copy = 0; copy < 40; ++copy) {
            Bytes damaged = file;
            for (int flips = 0; flips <= copy % 4; ++flips) {
                // Every other copy is damaged in the header, where it matters most.
                const size_t range = copy % 2 ? 128 : damaged.size();
                damaged[random() % range] ^= uint8_t(1 + random() % 255);
            }
            decode(damaged, name);
        }
    }
}

}  // namespace
