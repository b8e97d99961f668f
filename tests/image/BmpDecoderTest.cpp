#include "image/BmpDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/image/DecoderTestSupport.h"

namespace {

using namespace decodertest;

// A file with an info header of `headerSize` bytes (12: OS/2 core), the
// colour table right after it and the pixel data right after that.
Bytes bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& table,
          const Bytes& data, uint32_t headerSize = 40) {
    Bytes b(14 + headerSize, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size() + table.size() + data.size()));
    put32(b, 10, uint32_t(b.size() + table.size()));
    put32(b, 14, headerSize);
    if (headerSize == 12) {
        put16(b, 18, uint32_t(width));
        put16(b, 20, uint32_t(height));
        b[22] = 1, b[24] = uint8_t(bits);
    } else {
        put32(b, 18, uint32_t(width));
        put32(b, 22, uint32_t(height));
        b[26] = 1, b[28] = uint8_t(bits);
        if (headerSize >= 20) {
            put32(b, 30, compression);
        }
    }
    return b + table + data;
}

// Colour i is RGB (10i, 20i, 30i), and a Windows table of `entries` holds
// colours first, first + 1, ... as B,G,R,0.
Bytes table(int entries, int first = 0) {
    Bytes t;
    for (int i = first; i < first + entries; ++i) {
        t = t + Bytes{uint8_t(30 * i), uint8_t(20 * i), uint8_t(10 * i), 0};
    }
    return t;
}
Bytes rgb(int i) {
    return {uint8_t(10 * i), uint8_t(20 * i), uint8_t(30 * i)};
}
const Bytes kBlack = {0, 0, 0};

// A bit-field file: the masks follow a 40-byte header, or sit inside a longer
// one (52 bytes: red, green, blue; 56 and more: alpha too).
Bytes bitfields(int32_t width, int32_t height, uint16_t bits, const std::vector<uint32_t>& masks,
                const Bytes& data, uint32_t headerSize = 40) {
    Bytes m(masks.size() * 4);
    for (size_t i = 0; i < masks.size(); ++i) {
        put32(m, i * 4, masks[i]);
    }
    if (headerSize == 40) {
        return bmp(width, height, bits, 3, m, data);
    }
    Bytes b = bmp(width, height, bits, 3, {}, data, headerSize);
    std::copy(m.begin(), m.end(), b.begin() + 54);
    return b;
}
const std::vector<uint32_t> k8888 = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};

// Decodes an exactly sized copy and checks the contract every call keeps,
// with one of the loader's messages on failure.
Decoded decode(const Bytes& file, const std::string& name = "t.bmp") {
    Decoded r;
    r.ok = decodeBmp(exactCopy(file).get(), file.size(), name.c_str(), r.image, r.message);
    expectImageContract(r.ok, r.image, r.message, 3, 4, true, name);
    auto starts = [&](const std::string& head) { return r.message.rfind(head, 0) == 0; };
    EXPECT_TRUE(r.ok || r.message == name + " is not a valid BMP file!" ||
                r.message == name + " is truncated!" || starts(name + " has a bad size (") ||
                starts("unsupported bitmap type or bad "))
        << r.message;
    return r;
}

// ---------------------------------------------------------------------------
// Hand-made files

TEST(BmpDecoder, DecodesEachLayoutToRgbRowsBottomUp) {
    const Bytes twoRows24 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE,
                             9, 8, 7, 6, 5, 4, 3, 2, 1, 0xEE, 0xEE, 0xEE};
    const Bytes twoRowsRgb = {3, 2, 1, 6, 5, 4, 9, 8, 7, 7, 8, 9, 4, 5, 6, 1, 2, 3};
    Bytes gap = bmp(1, 1, 8, 0, table(2), {0xAA, 0xAA, 1, 0});
    gap[10] += 2;     // the data offset skips two bytes after the table
    Bytes rowsNoEol;  // rows filled exactly, no end-of-line escapes
    for (int i = 1; i <= 3; ++i) {
        rowsNoEol = rowsNoEol + Bytes{2, uint8_t(i)};
    }
    // Rows of 3 written as 4 pixels, as writers pad odd widths, each ended.
    const Bytes paddedRows = {3, 1, 1, 9, 0, 0, 3, 2, 1, 9, 0, 0, 0, 1};
    const Picture cases[] = {
        {"24-bit, width 3, 3 pad bytes a row", bmp(3, 2, 24, 0, {}, twoRows24), twoRowsRgb},
        {"last row without its padding",
         bmp(3, 2, 24, 0, {}, prefix(twoRows24, twoRows24.size() - 3)), twoRowsRgb},
        {"top-down rows are flipped", bmp(3, -2, 24, 0, {}, twoRows24), flipRows(twoRowsRgb, 9)},
        {"32-bit ignores the fourth byte",
         bmp(2, 1, 32, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8}),
         {3, 2, 1, 7, 6, 5}},
        {"1-bit: entries 0 and 1, MSB first, bits past the width ignored",
         bmp(10, 1, 1, 0, table(2, 3), {0xA5, 0xBF, 0xFF, 0xFF}),
         rgb(4) + rgb(3) + rgb(4) + rgb(3) + rgb(3) + rgb(4) + rgb(3) + rgb(4) + rgb(4) + rgb(3)},
        {"4-bit: high nibble first; entries past the table black",
         bmp(3, 1, 4, 0, table(3), {0x21, 0x9F, 0, 0}), rgb(2) + rgb(1) + kBlack},
        {"8-bit honours the data offset", gap, rgb(1)},
        {"V5 header: the table follows its 124 bytes",
         bmp(2, 1, 8, 0, table(256), {200, 7, 0, 0}, 124), rgb(200) + rgb(7)},
        {"OS/2 core header, 3-byte entries", bmp(2, 1, 8, 0, {3, 2, 1, 6, 5, 4}, {1, 0, 0, 0}, 12),
         Bytes{4, 5, 6} + Bytes{1, 2, 3}},
        {"OS/2 2.x 16-byte header, no compression field",
         bmp(1, 1, 8, 0, table(2), {1, 0, 0, 0}, 16), rgb(1)},
        {"RLE8 run (3, 7), absolute (0, 3, a, b, c, pad), end of line, end of bitmap",
         bmp(4, 3, 8, 1, table(10), {3, 7, 0, 0, 0, 3, 1, 2, 9, 0, 0, 0, 1, 5, 0, 1, 2, 2}),
         rgb(7) + rgb(7) + rgb(7) + kBlack + rgb(1) + rgb(2) + rgb(9) + kBlack + rgb(5) +
             Bytes(9, 0)},
        {"RLE8 delta moves right and up; the rest stays black",
         bmp(3, 3, 8, 1, table(10), {1, 4, 0, 2, 1, 1, 1, 5, 0, 0, 0, 2, 1, 0, 2, 6}),
         rgb(4) + Bytes(12, 0) + rgb(5) + kBlack + rgb(6) + rgb(6)},
        {"RLE8 run clipped at the row end", bmp(2, 2, 8, 1, table(10), {5, 3, 0, 0, 1, 4}),
         rgb(3) + rgb(3) + rgb(4) + kBlack},
        {"RLE8: past a full row everything waits for end-of-line",
         bmp(2, 3, 8, 1, table(10), rowsNoEol), rgb(1) + rgb(1) + Bytes(12, 0)},
        {"RLE8 padding past the width stays out of the next row",
         bmp(3, 2, 8, 1, table(10), paddedRows),
         rgb(1) + rgb(1) + rgb(1) + rgb(2) + rgb(2) + rgb(2)},
        {"RLE8 stream cut short", bmp(2, 2, 8, 1, table(10), {1, 3, 2}), rgb(3) + Bytes(9, 0)},
        {"RLE4 run alternates nibbles; absolute run padded to even bytes",
         bmp(10, 1, 4, 2, table(16), {3, 0x12, 0, 5, 0x45, 0x67, 0x80, 0xEE, 2, 0x9F}),
         rgb(1) + rgb(2) + rgb(1) + rgb(4) + rgb(5) + rgb(6) + rgb(7) + rgb(8) + rgb(9) + rgb(15)},
        {"16-bit without bit fields: 5-5-5, top bit unused, 5 bits repeated to 8",
         bmp(2, 1, 16, 0, {}, {0x1F, 0x80, 0x10, 0x42}), Bytes{0, 0, 255, 132, 132, 132}},
        {"bit fields after a 40-byte header: 5-6-5",
         bitfields(2, 1, 16, {0xF800, 0x07E0, 0x001F}, {0xFF, 0xFF, 0x41, 0x08}),
         Bytes{255, 255, 255, 8, 8, 8}},
        {"V5 bit fields 10-10-10-2: RGBA, wide channels keep their top bits",
         bitfields(1, 1, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, {0xFC, 0x13, 0, 0x60}, 124),
         Bytes{0x80, 0x01, 0xFF, 0x55}},
        {"V3 header holds an alpha mask", bitfields(1, 1, 32, k8888, {1, 2, 3, 4}, 56),
         Bytes{3, 2, 1, 4}},
        {"V2 header holds none: the next bytes are pixels",
         bitfields(1, 1, 32, {0xFF0000, 0xFF00, 0xFF}, {1, 2, 3, 4}, 52), Bytes{3, 2, 1}},
        {"alpha zero everywhere is opaque RGB",
         bitfields(2, 1, 32, k8888, {1, 2, 3, 0, 4, 5, 6, 0}, 124), Bytes{3, 2, 1, 6, 5, 4}},
        {"top-down RGBA rows are flipped",
         bitfields(1, -2, 32, k8888, {1, 2, 3, 4, 5, 6, 7, 8}, 108), Bytes{7, 6, 5, 8, 3, 2, 1, 4}},
    };
    expectPictures(cases, [](const Bytes& file) { return decode(file); });
}

TEST(BmpDecoder, RejectsWhatItCannotDecode) {
    const Bytes good = bmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    const std::string bad = "unsupported bitmap type or bad ";
    const Refusal cases[] = {
        {"MB", patched(good, {{0, 'M'}, {1, 'B'}}), "x.bmp is not a valid BMP file!"},
        {"empty", {}, "x.bmp is not a valid BMP file!"},
        {"file header only", prefix(good, 14), "x.bmp is truncated!"},
        {"BITFIELDS", bmp(1, 1, 32, 3, {}, Bytes(16, 0)), bad + "filecompression type (3)"},
        {"compression 4", bmp(1, 1, 24, 4, {}, Bytes(4, 0)), bad + "filecompression type (4)"},
        {"BITFIELDS with 24 bits", bitfields(1, 1, 24, k8888, Bytes(4, 0), 124),
         bad + "filecompression type (3)"},
        {"OS/2 2.x header: 3 is Huffman", bmp(8, 1, 1, 3, table(2), Bytes(4, 0), 64),
         bad + "filecompression type (3)"},
        {"masks overlap", bitfields(1, 1, 16, {0xFF00, 0x0FF0, 0xF}, Bytes(4, 0)),
         bad + "bit masks (0xff00 0xff0 0xf 0x0)"},
        {"mask with a gap", bitfields(1, 1, 32, {0xF0F0, 0xF0000, 0xF}, Bytes(4, 0)),
         bad + "bit masks (0xf0f0 0xf0000 0xf 0x0)"},
        {"mask past 16 bits", bitfields(1, 1, 16, {0x1F0000, 0x7E0, 0x1F}, Bytes(4, 0)),
         bad + "bit masks (0x1f0000 0x7e0 0x1f 0x0)"},
        {"alpha overlaps blue",
         bitfields(1, 1, 32, {0xFF0000, 0xFF00, 0xFF, 0x1FF}, Bytes(4, 0), 124),
         bad + "bit masks (0xff0000 0xff00 0xff 0x1ff)"},
        {"file ends inside the masks", prefix(bitfields(1, 1, 16, {0xF800, 0x7E0, 0x1F}, {}), 62),
         "x.bmp is truncated!"},
        {"2-bit", bmp(1, 1, 2, 0, table(4), Bytes(4, 0)), bad + "bit count (2)"},
        {"RLE8 with 4 bits", bmp(1, 1, 4, 1, table(16), {0, 1}), bad + "bit count (4)"},
        {"RLE4 with 8 bits", bmp(1, 1, 8, 2, table(16), {0, 1}), bad + "bit count (8)"},
        {"width 0", bmp(0, 1, 24, 0, {}, Bytes(4, 0)), "x.bmp has a bad size (0x1)"},
        {"negative width", bmp(-1, 1, 24, 0, {}, Bytes(4, 0)), "x.bmp has a bad size (-1x1)"},
        {"height 0", bmp(1, 0, 24, 0, {}, Bytes(4, 0)), "x.bmp has a bad size (1x0)"},
        {"over 2^28 pixels, RLE", bmp(16385, -16384, 8, 1, table(2), {0, 1}),
         "x.bmp has a bad size (16385x-16384)"},
        {"a row byte short", bmp(3, 2, 24, 0, {}, Bytes(20, 0)), "x.bmp is truncated!"},
        {"no RLE data", bmp(2, 2, 8, 1, table(2), {}), "x.bmp is truncated!"},
        {"info header cut", prefix(good, 30), "x.bmp is truncated!"},
    };
    expectRefusals(cases, [](const Bytes& file) { return decode(file, "x.bmp"); });
}

TEST(BmpDecoder, HugeClaimsInTinyFilesFailWithoutAllocating) {
    const long grewKiB = peakMemoryGrowthKiB([] {
        EXPECT_EQ(decode(bmp(16384, 16384, 32, 0, {}, Bytes(64, 1))).message,
                  "t.bmp is truncated!");
        EXPECT_EQ(decode(bmp(1 << 30, 1, 8, 1, table(2), {0, 1})).message,
                  "t.bmp has a bad size (1073741824x1)");
        EXPECT_FALSE(decode(bmp(INT32_MAX, INT32_MIN, 1, 0, {}, {0})).ok);
    });
    EXPECT_LT(grewKiB, 64 * 1024);
}

// ---------------------------------------------------------------------------
// Third-party sample files

// How a reference decode is compared, where ImageMagick differs on purpose.
enum class Check {
    Same,         // ImageMagick's decode of the file itself
    OtherFile,    // ImageMagick's decode of `reference`, the same picture undamaged
    EntryZero,    // ImageMagick paints unreached RLE pixels and bad indices with
                  // entry 0, (128,0,255) in these files; they are black here
    NoReference,  // runs overrun their rows: ImageMagick carries them into the
                  // rows above, they are clipped here; no decoder is authoritative
};

struct Expected {
    const char* message;  // "%s" is the file name; empty means it decodes
    Check check = Check::Same;
    const char* reference = nullptr;
};

const std::map<std::string, Expected> kCorpus = {
    {"assimp_faerie2.bmp", {""}},
    {"assimp_m_rifl.bmp", {""}},
    {"ljt_vgl_6434_0018a.bmp", {""}},
    {"pillow_hopper_rle8.bmp", {""}},
    {"pillow_hopper_rle8_row_overflow.bmp", {""}},  // ImageMagick also clips these rows
    {"bmpsuite_g_pal1.bmp", {""}},
    {"bmpsuite_g_pal1wb.bmp", {""}},
    {"bmpsuite_g_pal4.bmp", {""}},
    {"bmpsuite_g_pal4rle.bmp", {""}},
    {"bmpsuite_g_pal8-0.bmp", {""}},
    {"bmpsuite_g_pal8.bmp", {""}},
    {"bmpsuite_g_pal8os2.bmp", {""}},
    {"bmpsuite_g_pal8rle.bmp", {""}},
    {"bmpsuite_g_pal8topdown.bmp", {""}},
    {"bmpsuite_g_pal8v4.bmp", {""}},
    {"bmpsuite_g_pal8w124.bmp", {""}},
    {"bmpsuite_g_pal8w126.bmp", {""}},
    {"bmpsuite_g_rgb24.bmp", {""}},
    {"bmpsuite_g_rgb32.bmp", {""}},
    {"bmpsuite_q_pal1p1.bmp", {""}},
    {"bmpsuite_q_pal8offs.bmp", {""}},
    {"bmpsuite_q_rgb24largepal.bmp", {""}},
    {"bmpsuite_b_rletopdown.bmp", {""}},
    {"bmpsuite_g_rgb16.bmp", {""}},
    {"bmpsuite_g_rgb32bf.bmp", {""}},
    {"zigimg_windows_rgba_v5.bmp", {""}},  // RGBA
    // ImageMagick reads OS/2 2.x colour entries as 3 bytes.
    {"bmpsuite_q_pal8os2v2.bmp", {"", Check::OtherFile, "bmpsuite_g_pal8.bmp"}},
    // ImageMagick refuses these; the table and pixels are those of the reference.
    {"bmpsuite_q_pal8oversizepal.bmp", {"", Check::OtherFile, "bmpsuite_g_pal8.bmp"}},
    {"bmpsuite_b_badpalettesize.bmp", {"", Check::OtherFile, "bmpsuite_g_pal8.bmp"}},
    {"bmpsuite_b_badplanes.bmp", {"", Check::OtherFile, "bmpsuite_g_pal1.bmp"}},
    // Header size 66 is no known header: compression 0 picks the Windows layout.
    {"bmpsuite_b_badheadersize.bmp", {"", Check::OtherFile, "bmpsuite_g_pal1.bmp"}},
    {"bmpsuite_q_pal4rlecut.bmp", {"", Check::EntryZero}},
    {"bmpsuite_q_pal8rlecut.bmp", {"", Check::EntryZero}},
    {"bmpsuite_q_pal4rletrns.bmp", {"", Check::EntryZero}},
    {"bmpsuite_q_pal8rletrns.bmp", {"", Check::EntryZero}},
    {"bmpsuite_b_pal8badindex.bmp", {"", Check::EntryZero}},
    {"bmpsuite_b_badrle.bmp", {"", Check::NoReference}},
    {"bmpsuite_b_badrle4.bmp", {"", Check::NoReference}},
    {"bmpsuite_q_pal2.bmp", {"unsupported bitmap type or bad bit count (2)"}},
    {"bmpsuite_b_badbitcount.bmp", {"unsupported bitmap type or bad bit count (30000)"}},
    {"commonsimg_negative_array_size_exception.bmp",
     {"unsupported bitmap type or bad bit count (31745)"}},
    {"bmpsuite_b_badwidth.bmp", {"%s has a bad size (-127x64)"}},
    {"bmpsuite_b_reallybig.bmp", {"%s has a bad size (3000000x2000000)"}},
    {"bmpsuite_b_shortfile.bmp", {"%s is truncated!"}},
};

std::string expectedMessage(const std::string& name, const Expected& e) {
    std::string m = e.message;
    const size_t at = m.find("%s");
    return at == std::string::npos ? m : m.replace(at, 2, name);
}

TEST(BmpCorpus, EveryFileHasItsExpectedOutcome) {
    checkEveryCorpusFile("bmp", kCorpus, [](auto& name, const Bytes& file, auto& expected) {
        EXPECT_EQ(decode(file, name).message, expectedMessage(name, expected));
    });
}

TEST(BmpCorpus, DecodedPixelsMatchImageMagick) {
    if (!haveImageMagick()) {
        GTEST_SKIP() << "ImageMagick not found";
    }
    for (const auto& [name, e] : kCorpus) {
        if (*e.message != 0 || e.check == Check::NoReference) {
            continue;
        }
        const Decoded r = decode(readFile(corpusDir("bmp") / name), name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        Bytes expected =
            imageMagickRgb(corpusDir("bmp") / (e.check == Check::OtherFile ? e.reference : name),
                           r.image.channels);
        ASSERT_EQ(expected.size(), r.image.pixels.size()) << name;
        expected = flipRows(expected, r.image.rowBytes());
        if (e.check == Check::EntryZero) {
            for (size_t i = 0; i + 2 < expected.size(); i += 3) {
                if (expected[i] == 128 && expected[i + 1] == 0 && expected[i + 2] == 255) {
                    expected[i] = expected[i + 2] = 0;
                }
            }
        }
        EXPECT_TRUE(r.image.pixels == expected) << name << " differs from ImageMagick";
    }
}

TEST(BmpCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    for (const auto& entry : kCorpus) {
        const std::string& name = entry.first;
        SCOPED_TRACE(name);
        const Bytes file = readFile(corpusDir("bmp") / name);
        const Decoded full = decode(file, name);
        damageAndTruncate(
            file, {80, 150, 30, 54}, [&](const Bytes& b) { return decode(b, name); },
            [&](size_t, const Decoded& r) {
                // A refused file stays refused when cut. A cut stream stores a
                // prefix of the pixels: each is as in the whole file or still black.
                ASSERT_TRUE(!r.ok ||
                            (full.ok && r.image.pixels.size() == full.image.pixels.size()));
                const size_t step = size_t(r.image.channels);
                for (size_t i = 0; r.ok && i < r.image.pixels.size(); i += step) {
                    const uint8_t* p = &r.image.pixels[i];
                    ASSERT_TRUE(std::memcmp(p, &full.image.pixels[i], step) == 0 ||
                                std::memcmp(p, kBlack.data(), 3) == 0);
                }
            });
    }
}

// ---------------------------------------------------------------------------
// Files ImageMagick wrote (tests/data/images/make.sh)

// The channels each decodes to, and the channels ImageMagick reads as n bits
// shifted up with zeros below (4-bit ones top out at 240, 1-bit alpha at
// 128): those are compared as v x 255 / (2^n - 1). Its 5 and 6-bit channels
// repeat their bits, as this decoder does, and compare as they are.
struct Form {
    int channels;
    std::array<int, 4> unscaledBits = {};
};

const std::map<std::string, Form> kImageMagickForms = {
    {"argb1555-v5.bmp", {4, {0, 0, 0, 1}}},
    {"argb4444-v5.bmp", {4, {4, 4, 4, 4}}},
    {"pal1-bmp3.bmp", {3}},
    {"pal4-bmp3.bmp", {3}},
    {"pal4-v5.bmp", {3}},
    {"pal8-bmp2.bmp", {3}},
    {"pal8-bmp3.bmp", {3}},
    {"rgb24-bmp2.bmp", {3}},
    {"rgb24-bmp3.bmp", {3}},
    {"rgb24-v5.bmp", {3}},
    {"rgb555-v5.bmp", {3}},
    {"rgb565-v5.bmp", {3}},
    // 32 bits without bit fields: the fourth byte is not alpha (ImageMagick
    // reads it as alpha); the colours are compared.
    {"rgba32-bmp3-alpha-byte.bmp", {3}},
    {"rgba32-v5-alpha-all-zero.bmp", {3}},  // opaque
    {"rgba32-v5-bitfields.bmp", {4}},
    {"rle8-bmp3.bmp", {3}},
    {"rle8-v5.bmp", {3}},
    {"rle8-wide257.bmp", {3}},
};

TEST(BmpImageMagickForms, DecodePixelExactAsImageMagickReadsThem) {
    checkEveryFileIn(
        generatedDir("bmp"), kImageMagickForms,
        [](auto& name, const Bytes& file, const Form& form) {
            const Decoded r = decode(file, name);
            ASSERT_TRUE(r.ok) << r.message;
            EXPECT_EQ(r.image.channels, form.channels);
            if (!haveImageMagick()) {
                return;
            }
            Bytes expected = flipRows(imageMagickRgb(generatedDir("bmp") / name, r.image.channels),
                                      r.image.rowBytes());
            for (size_t i = 0; i < expected.size(); ++i) {
                const int bits = form.unscaledBits[i % size_t(form.channels)];
                if (bits > 0) {
                    expected[i] = uint8_t((expected[i] >> (8 - bits)) * 255 / ((1 << bits) - 1));
                }
            }
            EXPECT_TRUE(r.image.pixels == expected) << "differs from ImageMagick";
        });
}

}  // namespace
