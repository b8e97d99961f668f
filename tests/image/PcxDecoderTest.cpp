#include "image/PcxDecoder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/image/DecoderTestSupport.h"

namespace {

using namespace decodertest;

const std::string kShortHeader = "error: pcx file too short for its header!";
const std::string kNoPalette = "error: pcx file too short for its 256-colour palette!";

// A 128-byte header for a picture at (1, 2); the version byte is deliberately
// not one a writer would use.
Bytes pcx(int bitsPerPlane, int planes, int width, int height, int bytesPerLine,
          const Bytes& palette16 = {}) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 0x99;
    b[2] = 1;
    b[3] = uint8_t(bitsPerPlane);
    put16(b, 4, 1);
    put16(b, 6, 2);
    put16(b, 8, width);
    put16(b, 10, height + 1);
    std::copy(palette16.begin(), palette16.end(), b.begin() + 16);
    b[65] = uint8_t(planes);
    put16(b, 66, bytesPerLine);
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

// Decodes an exactly sized copy and checks what every call must give: an RGB
// image shaped as its header says, or an error message and no pixels.
Decoded decode(const Bytes& file, const std::string& name = "t.pcx") {
    Decoded r;
    r.ok = decodePcx(exactCopy(file).get(), file.size(), name.c_str(), r.image, r.message);
    expectImageContract(r.ok, r.image, r.message, 3, 3, true, name);
    if (r.ok) {
        EXPECT_EQ(r.image.width, (file[8] | file[9] << 8) - (file[4] | file[5] << 8) + 1) << name;
        EXPECT_EQ(r.image.height, (file[10] | file[11] << 8) - (file[6] | file[7] << 8) + 1)
            << name;
    } else {
        EXPECT_EQ(r.message.rfind("error: ", 0), 0u) << name << ": " << r.message;
    }
    return r;
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(PcxDecoder, DecodesEachLayoutToRgbRowsBottomUp) {
    const Bytes black(3, 0);
    const Bytes c0 = colour(0), c1 = colour(1), c2 = colour(2), c3 = colour(3), c5 = colour(5),
                c7 = colour(7), c14 = colour(14), c63 = colour(63);
    const Picture cases[] = {
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
        {"encoding 0: stored bytes, 0xC3 a pixel like any other",
         patched(pcx(8, 1, 2, 2, 2), {{2, 0}}) + Bytes{0xC3, 0x05, 0xC0, 9} + kTrailer,
         colour(0xC0) + colour(9) + colour(0xC3) + c5},
        {"encoding 0: stored 24-bit data ends inside scan line 2",
         patched(pcx(8, 3, 1, 2, 1), {{2, 0}}) + Bytes{0xC1, 0xC2, 0xC3, 7, 8},
         black + Bytes{0xC1, 0xC2, 0xC3}},
    };
    expectPictures(cases, [](const Bytes& file) { return decode(file); });
}

TEST(PcxDecoder, RejectsWhatItCannotDecode) {
    const Bytes mono = pcx(1, 1, 8, 1, 1);
    const Bytes eight = pcx(8, 1, 1, 1, 1) + Bytes{1};
    const Refusal cases[] = {
        {"empty file", {}, kShortHeader},
        {"manufacturer 11", patched(mono, {{0, 11}}), "error: bad version number! (11)"},
        {"manufacturer 0 in a short file", {0}, "error: bad version number! (0)"},
        {"header one byte short", prefix(mono, 127), kShortHeader},
        {"2-bit", pcx(2, 1, 4, 1, 1) + Bytes{0}, "error: unknown 2 bitcount pcx files"},
        {"2 planes of 1 bit", pcx(1, 2, 8, 1, 1) + Bytes{0}, "error: unknown 2 bitcount pcx files"},
        {"32-bit", pcx(8, 4, 1, 1, 1) + Bytes{0}, "error: unknown 32 bitcount pcx files"},
        {"24 bits in one plane", pcx(24, 1, 1, 1, 3) + Bytes{0, 0, 0},
         "error: unknown 24 bitcount pcx files (1 x 24-bit planes)"},
        {"xmax < xmin", pcx(1, 1, 0, 1, 1), "error: bad image size in pcx file! (0x1)"},
        {"ymax < ymin", patched(mono, {{10, 0}}), "error: bad image size in pcx file! (8x-1)"},
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
    expectRefusals(cases, [](const Bytes& file) { return decode(file); });
}

TEST(PcxDecoder, HugeClaimedSizesInTinyFilesFailWithoutAllocating) {
    // 65535 x 65534 from (1, 2), three planes and then one, and a few runs.
    Bytes huge = patched(pcx(8, 3, 1, 1, 0xFFFF), {{8, 0xFF}, {9, 0xFF}, {10, 0xFF}, {11, 0xFF}}) +
                 Bytes{0xFF, 0, 0xFF, 0, 0xFF, 0};
    const long grewKiB = peakMemoryGrowthKiB([&] {
        EXPECT_EQ(decode(huge).message, "error: pcx file too short for a 65535x65534 image!");
        EXPECT_EQ(decode(patched(huge, {{3, 1}, {65, 1}})).message,
                  "error: pcx file too short for a 65535x65534 image!");
    });
    EXPECT_LT(grewKiB, 64 * 1024);
}

// ---------------------------------------------------------------------------
// Third-party sample files

// The expected message for every file in the corpus; empty means it decodes.
const std::map<std::string, std::string> kCorpus = {
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

TEST(PcxCorpus, EveryFileHasItsExpectedOutcome) {
    checkEveryCorpusFile("pcx", kCorpus, [](auto& name, const Bytes& file, auto& message) {
        const Decoded r = decode(file, name);
        EXPECT_EQ(r.ok, message.empty()) << r.message;
        EXPECT_EQ(r.message, message);
    });
}

TEST(PcxCorpus, DecodedPixelsMatchTheReferenceDecoder) {
    if (!haveImageMagick()) {
        GTEST_SKIP() << "ImageMagick not found";
    }
    for (const auto& [name, message] : kCorpus) {
        if (!message.empty()) {
            continue;
        }
        const Bytes file = readFile(corpusDir("pcx") / name);
        const Decoded r = decode(file, name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        Bytes expected = imageMagickRgb(corpusDir("pcx") / name);
        ASSERT_EQ(expected.size(), r.image.pixels.size()) << name;
        expected = flipRows(expected, r.image.rowBytes());
        // ImageMagick shows 1-bit files white for 0 and black for 1 whatever
        // their header palette says; this decoder uses the header palette, or
        // black and white for version 3 files, which carry no palette.
        if (file[3] == 1 && file[65] == 1) {
            static const uint8_t kBlackAndWhite[6] = {0, 0, 0, 255, 255, 255};
            const uint8_t* palette = file[1] == 3 ? kBlackAndWhite : file.data() + 16;
            for (size_t i = 0; i < expected.size(); i += 3) {
                std::copy_n(palette + (expected[i] == 0 ? 3 : 0), 3, &expected[i]);
            }
        }
        EXPECT_TRUE(r.image.pixels == expected) << name << " differs from ImageMagick";
    }
}

TEST(PcxCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    for (const auto& [name, message] : kCorpus) {
        if (message.empty()) {
            SCOPED_TRACE(name);
            damageAndTruncate(readFile(corpusDir("pcx") / name), {140, 150, 40, 128},
                              [](const Bytes& b) { return decode(b); });
        }
    }
}

// ---------------------------------------------------------------------------
// Files ImageMagick wrote (tests/data/images/make.sh): run-length encoded and
// stored, each pixel for pixel as ImageMagick reads it.

TEST(PcxImageMagickForms, DecodePixelExactAsImageMagickReadsThem) {
    const std::map<std::string, int> kForms = {{"pal8-rle.pcx", 1},
                                               {"pal8-stored.pcx", 0},
                                               {"rgb24-rle.pcx", 1},
                                               {"rgb24-stored.pcx", 0},
                                               {"wide257-stored.pcx", 0}};
    checkEveryFileIn(generatedDir("pcx"), kForms, [](auto& name, const Bytes& file, int encoding) {
        ASSERT_EQ(file.at(2), encoding);
        const Decoded r = decode(file, name);
        ASSERT_TRUE(r.ok) << r.message;
        if (haveImageMagick()) {
            EXPECT_TRUE(r.image.pixels ==
                        flipRows(imageMagickRgb(generatedDir("pcx") / name), r.image.rowBytes()));
        }
    });
}

}  // namespace
