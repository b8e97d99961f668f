#include "image/TgaDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "tests/image/DecoderTestSupport.h"

#ifdef VARNO_HAVE_STB
#include <stb_image.h>
#endif

namespace {

using namespace decodertest;

const std::string kEmpty = "Failed to read TGAcomment!";
const std::string kFileHeader = "Could not read file header: ";
const std::string kType = "TGA file be type 2 or type 10, Invalid Image: ";
const std::string kInfoHeader = "Could not read info header: ";
const std::string kInfo = "Invalid texture information: ";
const std::string kImageData = "Could not read image data: ";
const std::string kRleHeader = "Could not read RLE header: ";
const std::string kRunPixel = "Could not read from file: ";
const std::string kTooMany = "Too many pixels read: ";
const std::string kAlloc = "Could not allocate memory for image: ";

Bytes repeat(const Bytes& pixel, size_t times) {
    Bytes out;
    while (times-- > 0) {
        out = out + pixel;
    }
    return out;
}

// An 18-byte header with zero origin and no colour map, then the ID field.
Bytes tga(uint8_t type, int width, int height, int bpp, uint8_t descriptor = 0,
          const Bytes& id = {}) {
    Bytes b(18, 0);
    b[0] = uint8_t(id.size());
    b[2] = type;
    put16(b, 12, width);
    put16(b, 14, height);
    b[16] = uint8_t(bpp);
    b[17] = descriptor;
    return b + id;
}

// Decodes an exactly sized copy and checks what every call must give: an
// image shaped as its header says, or one of the loader's messages naming the
// file and no pixels.
Decoded decode(const Bytes& file, const std::string& name = "t.tga") {
    Decoded r;
    TgaDecoded decoded;
    r.ok = decodeTga(exactCopy(file).get(), file.size(), name.c_str(), decoded, r.message);
    r.image = std::move(decoded.image);
    const ImageData& image = r.image;
    expectImageContract(r.ok, image, r.message, 3, 4, true, name);
    if (r.ok && file.size() < 18) {
        ADD_FAILURE() << name << ": decoded a file shorter than a header";
    } else if (r.ok) {
        EXPECT_EQ(image.width, file[12] | file[13] << 8) << name;
        EXPECT_EQ(image.height, file[14] | file[15] << 8) << name;
        EXPECT_EQ(image.channels, file[16] / 8) << name;
        EXPECT_EQ(0, std::memcmp(decoded.header, file.data() + 1, 11)) << name;
        EXPECT_EQ(0, std::memcmp(decoded.infoHeader, file.data() + 12, 6)) << name;
    } else {
        const std::string known[] = {kFileHeader, kType,     kInfoHeader, kInfo, kImageData,
                                     kRleHeader,  kRunPixel, kTooMany,    kAlloc};
        EXPECT_TRUE(r.message == kEmpty ||
                    std::any_of(std::begin(known), std::end(known),
                                [&](auto& m) { return r.message == m + name; }))
            << r.message;
    }
    return r;
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(TgaDecoder, DecodesToRgbRowsBottomUp) {
    const Bytes a = {1, 2, 3}, b = {4, 5, 6}, rgbA = {3, 2, 1}, rgbB = {6, 5, 4};
    Bytes raw128, raw128Rgb;
    for (uint8_t i = 0; i < 128; ++i) {
        raw128 = raw128 + Bytes{i, 0, 0};
        raw128Rgb = raw128Rgb + Bytes{0, 0, i};
    }
    // A 2x2 picture stored p0 p1 p2 p3 in file order, and those pixels as RGB.
    const Bytes p = {0, 0, 10, 0, 0, 20, 0, 0, 30, 0, 0, 40};
    const Bytes q0 = {10, 0, 0}, q1 = {20, 0, 0}, q2 = {30, 0, 0}, q3 = {40, 0, 0};
    // Colour map fields beside colour map type 0, and an x/y origin.
    const Bytes placed = patched(tga(2, 1, 1, 24) + a, {{5, 1}, {8, 7}, {11, 1}});
    const Picture cases[] = {
        {"origin and colour map fields ignored", placed, rgbA},
        {"24-bit, footer ignored",
         tga(2, 2, 1, 24) + Bytes{10, 20, 30, 40, 50, 60, 0xEE},
         {30, 20, 10, 60, 50, 40}},
        {"32-bit keeps alpha, alpha bit count ignored",
         tga(2, 1, 2, 32, 0x08) + Bytes{1, 2, 3, 4, 5, 6, 7, 8},
         {3, 2, 1, 4, 7, 6, 5, 8}},
        {"ID field skipped", tga(2, 1, 1, 24, 0, {'i', 'd'}) + a, rgbA},
        {"ID field skipped, RLE", tga(10, 2, 1, 24, 0, {'i', 'd'}) + Bytes{0x81} + a, rgbA + rgbA},
        {"run 0x80 is one pixel", tga(10, 1, 1, 24) + Bytes{0x80} + a, rgbA},
        {"run 0xFF is 128 pixels", tga(10, 128, 1, 24) + Bytes{0xFF} + a, repeat(rgbA, 128)},
        {"raw 0x00 is one pixel", tga(10, 1, 1, 24) + Bytes{0x00} + a, rgbA},
        {"raw 0x7F is 128 pixels", tga(10, 64, 2, 24) + Bytes{0x7F} + raw128, raw128Rgb},
        {"full run then a short one", tga(10, 129, 1, 24) + Bytes{0xFF} + a + Bytes{0x80} + b,
         repeat(rgbA, 128) + rgbB},
        {"packets cross rows", tga(10, 3, 2, 24) + Bytes{0x83} + a + Bytes{0x01} + b + a,
         repeat(rgbA, 4) + rgbB + rgbA},
        {"32-bit run", tga(10, 3, 1, 32) + Bytes{0x82, 1, 2, 3, 4}, repeat({3, 2, 1, 4}, 3)},
        {"bottom-left", tga(2, 2, 2, 24, 0x00) + p, q0 + q1 + q2 + q3},
        {"top-left: rows flipped", tga(2, 2, 2, 24, 0x20) + p, q2 + q3 + q0 + q1},
        {"bottom-right: rows mirrored", tga(2, 2, 2, 24, 0x10) + p, q1 + q0 + q3 + q2},
        {"top-right: both", tga(2, 2, 2, 24, 0x30) + p, q3 + q2 + q1 + q0},
        {"top-left, RLE", tga(10, 2, 2, 24, 0x20) + Bytes{0x03} + p, q2 + q3 + q0 + q1},
        {"top-right, RLE", tga(10, 2, 2, 24, 0x30) + Bytes{0x03} + p, q3 + q2 + q1 + q0},
        {"top-right, odd size", tga(2, 3, 3, 24, 0x30) + Bytes{0, 0, 9} + Bytes(24, 0),
         Bytes(24, 0) + Bytes{9, 0, 0}},
    };
    expectPictures(cases, [](const Bytes& file) { return decode(file); });
}

TEST(TgaDecoder, ReportsTheFailureAPixelByPixelReaderMeetsFirst) {
    const Bytes good = tga(2, 1, 1, 24) + Bytes{1, 2, 3};
    const Bytes rle = tga(10, 2, 1, 24), px = {1, 2, 3};
    const Bytes cutInId = prefix(tga(2, 1, 1, 24, 0, Bytes(40, 7)), 30);
    const Refusal cases[] = {
        {"empty file", {}, kEmpty},
        {"only the ID length", prefix(good, 1), kFileHeader},
        {"header one byte short", prefix(good, 11), kFileHeader},
        {"colour map type 1", patched(good, {{1, 1}}), kType},
        {"type 1", patched(good, {{2, 1}}), kType},
        {"type 3", patched(good, {{2, 3}}), kType},
        {"type 9", patched(good, {{2, 9}}), kType},
        {"type 11", patched(good, {{2, 11}}), kType},
        {"no info header", prefix(good, 12), kInfoHeader},
        {"info header one byte short", prefix(good, 17), kInfoHeader},
        {"zero width", patched(good, {{12, 0}}), kInfo},
        {"zero height", patched(good, {{14, 0}}), kInfo},
        {"8 bpp", patched(good, {{16, 8}}), kInfo},
        {"16 bpp", patched(good, {{16, 16}}), kInfo},
        {"16 bpp, RLE", tga(10, 1, 1, 16) + Bytes{0x80, 0, 0}, kInfo},
        {"uncompressed data short", prefix(good, good.size() - 1), kImageData},
        {"file ends in the ID field", cutInId, kImageData},
        {"file ends in the ID field, RLE", patched(cutInId, {{2, 10}}), kRleHeader},
        {"no packets", rle, kRleHeader},
        {"packets end early", rle + Bytes{0x80} + px, kRleHeader},
        {"run overflows", rle + Bytes{0x82} + px, kTooMany},
        {"run overflows after a raw packet", rle + Bytes{0x00} + px + Bytes{0xFF} + px, kTooMany},
        {"raw packet overflows", rle + Bytes{0x02} + px + px + px, kTooMany},
        {"raw packet overflows where the file ends", rle + Bytes{0x02} + px + px, kImageData},
        {"raw packet overflows inside a pixel", rle + Bytes{0x02} + px + px + Bytes{9}, kImageData},
        {"raw pixel cut short", rle + Bytes{0x01} + px + Bytes{9, 9}, kImageData},
        {"run pixel cut short", rle + Bytes{0x81, 9, 9}, kRunPixel},
        {"run without its pixel", rle + Bytes{0x81}, kRunPixel},
    };
    for (const Refusal& c : cases) {
        const Decoded r = decode(c.file, "bad.tga");
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message == kEmpty ? kEmpty : c.message + "bad.tga") << c.what;
    }
}

TEST(TgaDecoder, HugeClaimedSizesInTinyFilesFailWithoutAllocating) {
    const Bytes run = {0xFF, 1, 2, 3, 4};
    const long grewKiB = peakMemoryGrowthKiB([&] {
        for (int side : {65535, 16384}) {
            const Bytes raw = tga(2, side, side, 32), rle = tga(10, side, side, 32);
            EXPECT_EQ(decode(raw + Bytes(12, 1)).message, kImageData + "t.tga");
            EXPECT_EQ(decode(rle + run + run).message, kRleHeader + "t.tga");
            EXPECT_EQ(decode(rle + Bytes{0x7F} + Bytes(12, 1)).message, kImageData + "t.tga");
        }
    });
    // A 16384x16384 RGBA buffer is a gigabyte; the peak must stay far below.
    EXPECT_LT(grewKiB, 64 * 1024);
}

// ---------------------------------------------------------------------------
// Third-party sample files

// The expected message for every file in the corpus; empty means it decodes.
const std::map<std::string, std::string> kCorpus = {
    {"pillow_200x32_rgb_bl_raw.tga", ""},
    {"pillow_200x32_rgba_bl_rle.tga", ""},
    {"pillow_rgb32rle_top_right.tga", ""},
    {"pillow_tga_id_field.tga", ""},
    {"tacent_Dock317x177.tga", ""},
    {"tacent_WhiteBorderRLE.tga", ""},
    {"tacent_newcage.tga", ""},
    {"zigimg_ctc24.tga", ""},
    {"zigimg_stopsignsmallcompressed.tga", ""},
    {"zigimg_utc24.tga", ""},
    {"zigimg_utc32.tga", ""},
    // Non-zero origin or colour map fields beside colour map type 0.
    {"magnum_image.tga", ""},
    {"pillow_200x32_rgb_tl_rle.tga", ""},
    {"pillow_200x32_rgba_tl_raw.tga", ""},
    {"zigimg_font.tga", ""},
    // Other image types, malformed ones included.
    {"pillow_1x1_l_bl_rle.tga", kType},
    {"pillow_200x32_l_bl_raw.tga", kType},
    {"pillow_200x32_p_tl_rle.tga", kType},
    {"pillow_cross_scan_line.tga", kType},
    {"pillow_cross_scan_line_truncated.tga", kType},
    {"pillow_p_8.tga", kType},
    {"zigimg_cbw8.tga", kType},
    {"zigimg_ucm8.tga", kType},
    // 16-bit pixels.
    {"pillow_rgba16.tga", kInfo},
    {"zigimg_utc16.tga", kInfo},
};

TEST(TgaCorpus, EveryFileHasItsExpectedOutcome) {
    checkEveryCorpusFile("tga", kCorpus, [](auto& name, const Bytes& file, auto& message) {
        const Decoded r = decode(file, name);
        EXPECT_EQ(r.ok, message.empty()) << r.message;
        EXPECT_EQ(r.message, message.empty() ? "" : message + name);
    });
}

TEST(TgaCorpus, DecodedPixelsMatchTheReferenceDecoder) {
#ifndef VARNO_HAVE_STB
    GTEST_SKIP() << "stb_image not found";
#else
    for (const auto& [name, message] : kCorpus) {
        if (!message.empty()) {
            continue;
        }
        const Bytes file = readFile(corpusDir("tga") / name);
        ASSERT_GE(file.size(), 18u) << name;
        const Decoded r = decode(file, name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        // stb_image gives rows top-down and ignores the right-to-left bit.
        const int channels = r.image.channels;
        int w = 0, h = 0, comp = 0;
        stbi_uc* ref =
            stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &comp, channels);
        ASSERT_NE(ref, nullptr) << name << ": " << stbi_failure_reason();
        Bytes expected;
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const int sx = (file[17] & 0x10) ? w - 1 - x : x;
                const stbi_uc* px = ref + (size_t(y) * w + sx) * channels;
                expected.insert(expected.end(), px, px + channels);
            }
        }
        stbi_image_free(ref);
        EXPECT_TRUE(r.image.pixels == expected) << name << " differs from stb_image";
    }
#endif
}

TEST(TgaCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    for (const auto& [name, message] : kCorpus) {
        if (!message.empty()) {
            continue;
        }
        SCOPED_TRACE(name);
        const Bytes file = readFile(corpusDir("tga") / name);
        const Decoded full = decode(file, name);
        ASSERT_TRUE(full.ok);
        damageAndTruncate(
            file, {64, 150, 40, 18}, [](const Bytes& b) { return decode(b); },
            [&](size_t, const Decoded& r) {
                if (r.ok) {  // only trailing data was cut off
                    EXPECT_EQ(r.image.pixels, full.image.pixels);
                }
            });
    }
}

}  // namespace
