#include "image/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/JpegColour.h"
#include "tests/image/DecoderTestSupport.h"

namespace {

using namespace decodertest;

// Decodes an exactly sized copy and checks what every call must give: a
// top-down RGBA image with opaque alpha, or a short reason and no pixels.
Decoded decode(const Bytes& file, const std::string& what = "t.jpg") {
    Decoded r;
    r.ok = decodeJpeg(exactCopy(file).get(), file.size(), r.image, r.message);
    expectImageContract(r.ok, r.image, r.message, 4, 4, false, what);
    EXPECT_LT(r.message.size(), 48u) << what << ": " << r.message;
    for (size_t i = 3; i < r.image.pixels.size(); i += 4) {
        if (r.image.pixels[i] != 255) {
            ADD_FAILURE() << what << ": alpha " << int(r.image.pixels[i]) << " at " << i / 4;
            break;
        }
    }
    return r;
}

// Expects every kernel set this processor runs to give the pixels of `best`.
void expectEveryKernelAgrees(const Bytes& file, const Decoded& best, const std::string& what) {
    for (JpegKernels kernels : {JpegKernels::Scalar, JpegKernels::Sse2, JpegKernels::Avx2}) {
        if (jpegKernelsAvailable(kernels)) {
            Decoded r;
            r.ok = decodeJpeg(file.data(), file.size(), r.image, r.message, kernels);
            EXPECT_TRUE(r.ok == best.ok && r.image.pixels == best.image.pixels)
                << what << ": kernels " << int(kernels) << " differ";
        }
    }
}

// The byte offset of the first segment with this marker (at its 0xFF) up to
// the scan header; 0 when there is none.
size_t findSegment(const Bytes& file, uint8_t marker) {
    for (size_t i = 2; i + 3 < file.size();) {
        if (file[i + 1] == marker) {
            return i;
        }
        if (file[i + 1] == 0xDA) {
            break;
        }
        i += 2 + (file[i + 2] << 8 | file[i + 3]);
    }
    return 0;
}

// `file` with all of `donor`'s Huffman table segments placed before its scan.
Bytes withTablesOf(const Bytes& file, const Bytes& donor) {
    Bytes tables;
    for (size_t i = 2; i + 3 < donor.size() && donor[i + 1] != 0xDA;) {
        const size_t length = 2 + (donor[i + 2] << 8 | donor[i + 3]);
        if (donor[i + 1] == 0xC4) {
            tables.insert(tables.end(), donor.begin() + i, donor.begin() + i + length);
        }
        i += length;
    }
    Bytes out = file;
    out.insert(out.begin() + findSegment(file, 0xDA), tables.begin(), tables.end());
    return out;
}

// ---------------------------------------------------------------------------
// The engine's algorithm written plainly: Huffman codes matched bit by bit
// against the codes of each length, all 64 coefficients dequantised, a scalar
// IDCT, chroma replicated straight into the RGBA bytes and the colour
// conversion in doubles. It runs only on files the decoder accepted, so its
// header parsing is lenient; every read and table index is still bounded.

constexpr float kScale[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                             1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

void idctPass(float* d) {
    float tmp10 = d[0] + d[4], tmp11 = d[0] - d[4];
    float tmp13 = d[2] + d[6], tmp12 = (d[2] - d[6]) * 1.414213562f - tmp13;
    const float e0 = tmp10 + tmp13, e3 = tmp10 - tmp13, e1 = tmp11 + tmp12, e2 = tmp11 - tmp12;
    const float z13 = d[5] + d[3], z10 = d[5] - d[3], z11 = d[1] + d[7], z12 = d[1] - d[7];
    const float tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    const float z5 = (z10 + z12) * 1.847759065f;
    tmp10 = 1.0823922f * z12 - z5;
    tmp12 = -2.61312593f * z10 + z5;
    const float tmp6 = tmp12 - tmp7, tmp5 = tmp11 - tmp6, tmp4 = tmp10 + tmp5;
    const float out[8] = {e0 + tmp7, e1 + tmp6, e2 + tmp5, e3 - tmp4,
                          e3 + tmp4, e2 - tmp5, e1 - tmp6, e0 - tmp7};
    std::copy(out, out + 8, d);
}

struct Reference {
    const Bytes& f;
    size_t pos = 0;
    int bitPos = 0, current = 0;
    int quant[4][64] = {};
    std::vector<std::pair<int, int>> codes[2][4][17];  // [AC][slot][length]: (code, symbol)
    struct Comp {
        int id, h, v, q, dc = 0, ac = 0, pred = 0;
        bool named = false;
    } comps[3] = {};
    int count = 0, width = 0, height = 0, restartInterval = 0;
    int zigzag[64];  // zig-zag index of each natural position

    explicit Reference(const Bytes& file) : f(file) {
        int z = 0;
        for (int s = 0; s < 15; ++s) {  // the anti-diagonals, alternating direction
            for (int i = 0; i <= s; ++i) {
                const int row = s % 2 ? i : s - i, col = s - row;
                if (row < 8 && col < 8) {
                    zigzag[row * 8 + col] = z++;
                }
            }
        }
    }

    int byte() { return pos < f.size() ? f[pos++] : 0; }
    int u16() {
        const int hi = byte();
        return hi << 8 | byte();
    }

    void parseHeaders() {
        while (pos < f.size()) {
            byte();
            const int marker = byte();
            if (marker == 0xD8) {
                continue;
            }
            const size_t end = pos + u16();
            if (marker == 0xC0 || marker == 0xC1) {
                byte();
                height = u16();
                width = u16();
                count = std::min(byte(), 3);
                for (int i = 0; i < count; ++i) {
                    comps[i].id = byte();
                    const int hv = byte();
                    comps[i].h = hv >> 4;
                    comps[i].v = hv & 15;
                    comps[i].q = byte() & 3;
                }
            } else if (marker == 0xC4) {
                while (pos < end) {
                    const int kind = byte();
                    int counts[16];
                    for (int& n : counts) {
                        n = byte();
                    }
                    auto& table = codes[(kind >> 4) & 1][kind & 3];
                    int code = 0;
                    for (int length = 1; length <= 16; ++length, code <<= 1) {
                        table[length].clear();
                        for (int n = 0; n < counts[length - 1]; ++n) {
                            table[length].push_back({code++, byte()});
                        }
                    }
                }
            } else if (marker == 0xDB) {
                while (pos < end) {
                    const int kind = byte();
                    for (int& q : quant[kind & 3]) {
                        q = (kind >> 4) ? u16() : byte();
                    }
                }
            } else if (marker == 0xDD) {
                restartInterval = u16();
            } else if (marker == 0xDA) {
                const int n = byte();
                for (int i = 0; i < n; ++i) {
                    const int id = byte(), tables = byte();
                    for (Comp& c : comps) {
                        if (c.id == id && !c.named) {
                            c = {c.id, c.h, c.v, c.q, (tables >> 4) & 3, tables & 3, 0, true};
                            break;
                        }
                    }
                }
                pos += 3;
                return;
            }
            pos = end;
        }
    }

    // Past the 0xFF fill bytes that start at `p`.
    size_t pastFill(size_t p) const {
        while (p < f.size() && f[p] == 0xFF) {
            ++p;
        }
        return p;
    }
    // One data byte: 0xFF 0x00 is 0xFF; in front of any other marker, and
    // past the end, the bits are zero.
    int fetch() {
        if (pos >= f.size() || f[pos] != 0xFF) {
            return byte();
        }
        const size_t p = pastFill(pos);
        if (p < f.size() && f[p] == 0) {
            pos = p + 1;
            return 0xFF;
        }
        return 0;
    }
    int bit() {
        if (bitPos == 0) {
            current = fetch();
        }
        const int b = (current >> (7 - bitPos)) & 1;
        bitPos = (bitPos + 1) % 8;
        return b;
    }
    int receive(int n) {
        int v = 0;
        while (n-- > 0) {
            v = v << 1 | bit();
        }
        return v;
    }
    static int extend(int v, int n) {
        return n == 0 ? 0 : v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
    }
    int decodeSymbol(const std::vector<std::pair<int, int>>* table) {
        int code = 0;
        for (int length = 1; length <= 16; ++length) {
            code = code << 1 | bit();
            for (const auto& [c, symbol] : table[length]) {
                if (c == code) {
                    return symbol;
                }
            }
        }
        return -1;
    }
    // Drops the rest of the byte and moves to the next marker, past it if RSTn.
    void restart() {
        bitPos = 0;
        while (pos < f.size()) {
            if (f[pos] != 0xFF) {
                ++pos;
                continue;
            }
            const size_t p = pastFill(pos);
            if (p < f.size() && f[p] == 0) {
                pos = p + 1;
                continue;
            }
            if (p < f.size() && f[p] >= 0xD0 && f[p] <= 0xD7) {
                pos = p + 1;
            }
            break;
        }
        for (Comp& c : comps) {
            c.pred = 0;
        }
    }

    bool block(Comp& c, uint8_t* samples) {
        int coef[64] = {};
        const int t = decodeSymbol(codes[0][c.dc]);
        if (t < 0) {
            return false;
        }
        c.pred = int(unsigned(c.pred) + unsigned(extend(receive(t & 15), t & 15)));
        coef[0] = c.pred;
        for (int k = 1; k < 64; ++k) {
            const int rs = decodeSymbol(codes[1][c.ac]);
            if (rs <= 0) {
                if (rs < 0) {
                    return false;
                }
                break;
            }
            k += rs >> 4;
            const int v = extend(receive(rs & 15), rs & 15);
            if (k < 64) {
                coef[k] = v;
            }
        }
        float b[64];
        for (int i = 0; i < 64; ++i) {
            const int z = zigzag[i];
            b[i] = float(int64_t(coef[z]) * quant[c.q][z]) * kScale[i / 8] * kScale[i % 8];
        }
        for (int col = 0; col < 8; ++col) {
            float d[8];
            for (int k = 0; k < 8; ++k) {
                d[k] = b[k * 8 + col];
            }
            idctPass(d);
            for (int k = 0; k < 8; ++k) {
                b[k * 8 + col] = d[k];
            }
        }
        for (int row = 0; row < 8; ++row) {
            idctPass(b + row * 8);
            for (int col = 0; col < 8; ++col) {
                const int64_t v = (int64_t(b[row * 8 + col]) >> 3) + 128;
                samples[row * 8 + col] = uint8_t(std::clamp<int64_t>(v, 0, 255));
            }
        }
        return true;
    }

    // RGBA pixels, or nothing on a corrupt Huffman code.
    Bytes decode() {
        parseHeaders();
        const int h0 = count == 1 ? 1 : comps[0].h, v0 = count == 1 ? 1 : comps[0].v;
        const int mcuW = 8 * h0, mcuH = 8 * v0;
        Bytes rgba(size_t(width) * height * 4);
        int mcu = 0;
        for (int mcuY = 0; mcuY < height; mcuY += mcuH) {
            for (int mcuX = 0; mcuX < width; mcuX += mcuW, ++mcu) {
                if (restartInterval > 0 && mcu > 0 && mcu % restartInterval == 0) {
                    restart();
                }
                for (int c = 0; c < count; ++c) {
                    const int hc = count == 1 ? 1 : comps[c].h, vc = count == 1 ? 1 : comps[c].v;
                    const int hf = c == 0 ? 1 : h0 / hc, vf = c == 0 ? 1 : v0 / vc;
                    for (int by = 0; by < vc; ++by) {
                        for (int bx = 0; bx < hc; ++bx) {
                            uint8_t s[64];
                            if (!block(comps[c], s)) {
                                return {};
                            }
                            for (int i = 0; i < 64; ++i) {
                                const int row = i / 8, col = i % 8;
                                for (int dy = 0; dy < vf; ++dy) {
                                    for (int dx = 0; dx < hf; ++dx) {
                                        const int x = (8 * bx + col) * hf + mcuX + dx;
                                        const int y = (8 * by + row) * vf + mcuY + dy;
                                        if (x < width && y < height) {
                                            rgba[(size_t(y) * width + x) * 4 + c] = s[i];
                                        }
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
        for (size_t i = 0; i < rgba.size(); i += 4) {
            uint8_t* p = &rgba[i];
            if (count == 1) {
                p[1] = p[2] = p[0];
            } else {
                const double y = p[0], cb = p[1] - 128.0, cr = p[2] - 128.0;
                p[0] = uint8_t(jpegcolour::clampByte(int(y + 1.402 * cr)));
                p[1] = uint8_t(jpegcolour::clampByte(int(y - 0.34414 * cb - 0.71414 * cr)));
                p[2] = uint8_t(jpegcolour::clampByte(int(y + 1.772 * cb)));
            }
            p[3] = 255;
        }
        return rgba;
    }
};

// ---------------------------------------------------------------------------
// Colour conversion

TEST(JpegColour, TablesGiveTheDoubleResultForEveryInput) {
    // One row holds every (Y, Cr) pair, pixel x having Y = x % 256 and Cr =
    // x / 256, against a constant Cb: with both chroma samples per pixel,
    // both per two pixels, and a mixed layout, with each set of kernels this
    // processor runs.
    constexpr int kWidth = 256 * 256;
    const int layouts[3][2] = {{1, 1}, {2, 2}, {1, 2}};  // Cb, Cr steps
    std::vector<std::unique_ptr<jpegcolour::YCbCrRows>> rows;
    for (JpegKernels kernels : {JpegKernels::Scalar, JpegKernels::Sse2, JpegKernels::Avx2}) {
        if (jpegKernelsAvailable(kernels)) {
            rows.emplace_back(new jpegcolour::YCbCrRows(kWidth, jpeg::kernelsFor(kernels)));
        }
    }
    Bytes luma(kWidth), cbRow(kWidth), crRow(kWidth), crHalfRow(kWidth / 2), expected(4 * kWidth),
        out(4 * kWidth);
    for (int x = 0; x < kWidth; ++x) {
        luma[x] = uint8_t(x);
        crRow[x] = uint8_t(x >> 8);
    }
    for (int i = 0; i < kWidth / 2; ++i) {
        crHalfRow[i] = uint8_t(i >> 7);
    }
    int wrong = 0;
    for (int cb = 0; cb < 256; ++cb) {
        std::fill(cbRow.begin(), cbRow.end(), uint8_t(cb));
        for (int x = 0; x < kWidth; ++x) {
            const double Y = luma[x], Cb = cb - 128, Cr = crRow[x] - 128;
            expected[4 * x + 0] = uint8_t(jpegcolour::clampByte(int(Y + 1.402 * Cr)));
            expected[4 * x + 1] =
                uint8_t(jpegcolour::clampByte(int(Y - 0.34414 * Cb - 0.71414 * Cr)));
            expected[4 * x + 2] = uint8_t(jpegcolour::clampByte(int(Y + 1.772 * Cb)));
            expected[4 * x + 3] = 255;
        }
        for (size_t k = 0; k < rows.size(); ++k) {
            for (int layout = 0; layout < 3; ++layout) {
                const int* step = layouts[layout];
                rows[k]->setChroma(cbRow.data(), step[0],
                                   step[1] == 1 ? crRow.data() : crHalfRow.data(), step[1]);
                rows[k]->convert(luma.data(), out.data());
                if (out == expected) {
                    continue;
                }
                const size_t at =
                    std::mismatch(out.begin(), out.end(), expected.begin()).first - out.begin();
                if (++wrong <= 10) {
                    ADD_FAILURE() << "Y " << at / 4 % 256 << " Cb " << cb << " Cr " << at / 1024
                                  << " layout " << layout << " kernels " << k << " channel "
                                  << at % 4 << ": " << int(out[at]) << " not " << int(expected[at]);
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

// ---------------------------------------------------------------------------
// Damaged and hand-made files

const Bytes kTestOrig = readFile(corpusDir("jpeg") / "ljt_testorig.jpg");         // 4:2:0, 227x149
const Bytes kTestProgressive = readFile(corpusDir("jpeg") / "ljt_testimgp.jpg");  // 227x149

TEST(JpegDecoder, RejectsBrokenHeadersWithTheirReason) {
    const Bytes& good = kTestOrig;
    const size_t sof = findSegment(good, 0xC0), sos = findSegment(good, 0xDA);
    const size_t dht = findSegment(good, 0xC4), dqt = findSegment(good, 0xDB);
    // Offsets in the frame header: precision, height, width, count, then
    // id / sampling / quant table per component.
    const Refusal cases[] = {
        {"empty", {}, "not a JPEG file"},
        {"precision 12", patched(good, {{sof + 4, 12}}), "only 8-bit JPEG is supported"},
        {"length disagrees with the count", patched(good, {{sof + 9, 2}}), "corrupt frame header"},
        {"width 0", patched(good, {{sof + 7, 0}, {sof + 8, 0}}), "image has no width or height"},
        {"65535 x 65535",
         patched(good, {{sof + 5, 0xFF}, {sof + 6, 0xFF}, {sof + 7, 0xFF}, {sof + 8, 0xFF}}),
         "image too large"},
        {"16384 x 16384 from 5 KiB",
         patched(good, {{sof + 5, 0x40}, {sof + 6, 0}, {sof + 7, 0x40}, {sof + 8, 0}}),
         "truncated JPEG data"},
        {"sampling 0", patched(good, {{sof + 11, 0x01}}), "corrupt frame header"},
        {"sampling 5", patched(good, {{sof + 11, 0x52}}), "corrupt frame header"},
        {"quant table 4", patched(good, {{sof + 12, 4}}), "corrupt frame header"},
        {"chroma finer than luma", patched(good, {{sof + 11, 0x11}, {sof + 14, 0x22}}),
         "unsupported sampling factors"},
        {"luma 3x1, chroma 2x1", patched(good, {{sof + 11, 0x31}, {sof + 14, 0x21}}),
         "unsupported sampling factors"},
        {"quant table never defined", patched(good, {{sof + 12, 2}}), "missing quantisation table"},
        {"Huffman table number 4", patched(good, {{dht + 4, 0x04}}), "corrupt Huffman table"},
        {"Huffman counts past 256", patched(good, {{dht + 5 + 15, 0xFF}}), "corrupt Huffman table"},
        {"quant table number 4", patched(good, {{dqt + 4, 0x04}}), "corrupt quantisation table"},
        {"scan names no frame component", patched(good, {{sos + 5, 9}}), "corrupt scan header"},
        {"scan table number 4", patched(good, {{sos + 6, 0x04}}), "corrupt scan header"},
        {"scan Huffman table never defined", patched(good, {{sos + 6, 0x22}}),
         "missing Huffman table"},
        {"scan of one component", patched(good, {{sos + 3, 8}, {sos + 4, 1}}),
         "multi-scan JPEG is not supported"},
        {"segment length 1", patched(good, {{dqt + 2, 0}, {dqt + 3, 1}}),
         "corrupt JPEG segment length"},
        {"segment length past the end", patched(good, {{dqt + 2, 0xFF}}), "truncated JPEG header"},
        {"end of image before the scan", patched(good, {{dqt + 1, 0xD9}}),
         "no image data in JPEG file"},
        {"junk where a marker belongs", patched(good, {{dqt, 0x00}}), "corrupt JPEG marker"},
        {"not a JPEG file", patched(good, {{0, 'G'}}), "not a JPEG file"},
    };
    expectRefusals(cases, [](const Bytes& file) { return decode(file); });
}

TEST(JpegDecoder, CorruptHuffmanCodeFailsWithoutPixels) {
    // Sixteen 1 bits are no code of the usual tables: stuffed 0xFF bytes.
    Bytes file = prefix(kTestOrig, findSegment(kTestOrig, 0xDA) + 14);
    for (int i = 0; i < 256; ++i) {  // enough bytes for the image's 900 blocks
        file.insert(file.end(), {0xFF, 0x00});
    }
    file.insert(file.end(), {0xFF, 0xD9});
    const Decoded r = decode(file, "all ones");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "corrupt Huffman data");
}

TEST(JpegDecoder, GreyScanIsOneBlockPerMcuWhateverItsSampling) {
    const Bytes grey = readFile(corpusDir("jpeg") / "ljt_testimggray.jpg");
    const Bytes claims2x2 = patched(grey, {{findSegment(grey, 0xC0) + 11, 0x22}});
    const Decoded plain = decode(grey, "1x1"), sampled = decode(claims2x2, "2x2");
    ASSERT_TRUE(plain.ok && sampled.ok) << sampled.message;
    EXPECT_TRUE(plain.image.pixels == sampled.image.pixels);
}

// Collects the rows a decode hands over; stops it at band `stopAt` (0 for
// before the first band).
struct RowCollector : JpegRowSink {
    int stopAt = -1, width = 0, height = 0, bands = 0, nextRow = 0;
    Bytes pixels;
    bool begin(int w, int h) override {
        width = w;
        height = h;
        return stopAt != 0;
    }
    bool rows(const uint8_t* rgba, size_t rowBytes, int first, int count) override {
        EXPECT_EQ(first, nextRow);
        EXPECT_EQ(rowBytes, size_t(width) * 4);
        pixels.insert(pixels.end(), rgba, rgba + rowBytes * size_t(count));
        nextRow = first + count;
        return ++bands != stopAt;
    }
};

TEST(JpegDecoder, RowsHandedOverBandByBandMakeThePicture) {
    for (const Bytes* file : {&kTestOrig, &kTestProgressive}) {
        const Decoded whole = decode(*file);
        RowCollector all;
        std::string message;
        EXPECT_TRUE(decodeJpegRows(file->data(), file->size(), all, message)) << message;
        EXPECT_EQ(all.width, whole.image.width);
        EXPECT_EQ(all.nextRow, whole.image.height);
        EXPECT_TRUE(all.pixels == whole.image.pixels);
        for (int stopAt : {0, 2}) {
            RowCollector stopped;
            stopped.stopAt = stopAt;
            EXPECT_FALSE(decodeJpegRows(file->data(), file->size(), stopped, message));
            EXPECT_EQ(message, "decoding stopped");
            EXPECT_EQ(stopped.bands, stopAt);
        }
    }
}

// ---------------------------------------------------------------------------
// Third-party sample files

// The expected message for every file in the corpus; empty means it decodes.
const std::map<std::string, std::string> kCorpus = {
    {"jpegdec_extraneous-data.jpg", ""},
    {"jpegdec_jpg-size-17x17.jpg", ""},
    {"jpegdec_jpg-size-1x1.jpg", ""},
    {"jpegdec_jpg-size-7x7.jpg", ""},
    {"jpegdec_mjpeg.jpg", ""},  // no DHT; restart every 10 MCUs
    {"jpegdec_restarts.jpg", ""},
    {"ljt_testimggray.jpg", ""},
    {"ljt_testorig.jpg", ""},
    {"pillow_hopper.jpg", ""},
    {"pillow_iptc.jpg", ""},  // all four Huffman tables in one segment
    {"pillow_orientation_rectangle.jpg", ""},
    {"pillow_rgb.jpg", ""},
    {"pillow_truncated_exif_dpi.jpg", ""},
    {"tacent_Landscape_1.jpg", ""},
    {"tacent_TacentTestPattern.jpg", ""},
    {"zigimg_huff_simple0.jpg", ""},
    {"zigimg_subsampling_411.jpg", ""},
    {"zigimg_subsampling_420.jpg", ""},
    {"zigimg_subsampling_422.jpg", ""},
    {"zigimg_subsampling_444.jpg", ""},
    {"zigimg_tuba.jpg", ""},
    // Damaged entropy data that still decodes (kDamaged below).
    {"jpegdec_dc-predictor-overflow.jpg", ""},
    // Eight invalid Huffman codes in its scan (libjpeg-turbo silently turns
    // them into zeros).
    {"pillow_hopper_bad_exif.jpg", "corrupt Huffman data"},
    // Progressive (the truncated one gives what its scans hold, as djpeg does).
    {"assimp_jeep1.jpg", ""},
    {"ljt_testimgp.jpg", ""},
    {"pillow_truncated_jpeg.jpg", ""},
    {"jpegdec_missing-sos.jpg", "no image data in JPEG file"},
    {"ljt_testimgari.jpg", "arithmetic-coded JPEG is not supported"},
    // Extended sequential: 12-bit samples, and 8-bit with 16-bit tables.
    {"ljt_testorig12.jpg", "only 8-bit JPEG is supported"},
    {"pillow_hopper_16bit_qtables.jpg", ""},
    {"pillow_pil_sample_cmyk.jpg", "only greyscale and YCbCr JPEG are supported"},
    {"jpegdec_missing-sof.jpg", "truncated JPEG header"},
    {"commonsimg_0x00-to-0xFF-between-segments.jpg", "corrupt JPEG marker"},
    {"commonsimg_ArrayIndexOutOfBoundsException_DhtSegment_79.jpeg", "corrupt Huffman table"},
};

// The damaged file's pixels are garbage, but the same garbage as the plain
// algorithm's; no other decoder's are compared with them.
const std::string kDamaged = "jpegdec_dc-predictor-overflow.jpg";

TEST(JpegCorpus, EveryFileHasItsExpectedOutcome) {
    checkEveryCorpusFile("jpeg", kCorpus, [](auto& name, const Bytes& file, auto& message) {
        const Decoded r = decode(file, name);
        EXPECT_EQ(r.ok, message.empty()) << r.message;
        EXPECT_EQ(r.message, message);
    });
}

// Peak signal-to-noise ratio of the RGB channels against a binary PPM.
double psnrAgainstPpm(const ImageData& image, const Bytes& ppm) {
    int w = 0, h = 0, maxValue = 0, header = 0;
    const std::string text(ppm.begin(), ppm.begin() + std::min<size_t>(ppm.size(), 64));
    if (std::sscanf(text.c_str(), "P6 %d %d %d%n", &w, &h, &maxValue, &header) != 3 ||
        w != image.width || h != image.height ||
        ppm.size() != size_t(header) + 1 + size_t(w) * h * 3) {
        return -1;
    }
    double sum = 0;
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        for (int c = 0; c < 3; ++c) {
            const double d = double(image.pixels[i * 4 + c]) - ppm[header + 1 + i * 3 + c];
            sum += d * d;
        }
    }
    const double mse = sum / (double(w) * h * 3);
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(JpegCorpus, PixelsAreThoseOfThePlainAlgorithmAndCloseToDjpeg) {
    const std::string djpeg = VARNO_DJPEG;
    std::cout << "  file                                   size        PSNR vs djpeg (dB)\n";
    for (const auto& [name, message] : kCorpus) {
        if (!message.empty()) {
            continue;
        }
        const fs::path path = corpusDir("jpeg") / name;
        const Bytes file = readFile(path);
        const Decoded r = decode(file, name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        // The plain version knows no built-in Huffman tables: give it the
        // usual ones, as a file that sends them.
        Bytes explicitTables = file;
        if (findSegment(file, 0xC4) == 0) {
            explicitTables = withTablesOf(file, kTestOrig);
            EXPECT_TRUE(decode(explicitTables, name).image.pixels == r.image.pixels) << name;
        }
        expectEveryKernelAgrees(file, r, name);
        // The plain version is sequential only.
        Reference reference(explicitTables);
        if (findSegment(file, 0xC2) == 0) {
            EXPECT_TRUE(reference.decode() == r.image.pixels)
                << name << " differs from the algorithm";
        }
        if (reference.count == 1) {
            for (size_t i = 0; i < r.image.pixels.size(); i += 4) {
                const uint8_t* p = &r.image.pixels[i];
                ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << name << " grey pixel " << i / 4;
            }
        }
        if (djpeg.empty() || name == kDamaged) {
            continue;
        }
        const double psnr =
            psnrAgainstPpm(r.image, runCommand(djpeg + " -dct float -nosmooth -rgb -ppm '" +
                                               path.string() + "' 2>/dev/null"));
        std::cout << "  " << std::left << std::setw(38) << name << std::setw(12)
                  << (std::to_string(r.image.width) + "x" + std::to_string(r.image.height))
                  << std::fixed << std::setprecision(2) << psnr << "\n";
        EXPECT_GE(psnr, 35.0) << name;
    }
}

TEST(JpegCorpus, RestartIntervalsOfAnyLengthKeepThePixels) {
    const fs::path jpegtran = fs::path(VARNO_DJPEG).parent_path() / "jpegtran";
    if (std::string(VARNO_DJPEG).empty() || !fs::exists(jpegtran)) {
        GTEST_SKIP() << "jpegtran not found";
    }
    // jpegtran rewrites the same coefficients with a restart marker every N
    // MCUs ("NB") or every N MCU rows.
    for (const char* name : {"ljt_testorig.jpg", "ljt_testimggray.jpg",
                             "zigimg_subsampling_422.jpg", "zigimg_tuba.jpg"}) {
        const fs::path path = corpusDir("jpeg") / name;
        const Decoded plain = decode(readFile(path), name);
        ASSERT_TRUE(plain.ok) << name;
        for (const char* interval : {"1B", "7B", "1", "2"}) {
            const std::string what = std::string(name) + " -restart " + interval;
            const Bytes file = runCommand(jpegtran.string() + " -restart " + interval + " '" +
                                          path.string() + "'");
            ASSERT_NE(findSegment(file, 0xDD), 0u) << what;
            const Decoded r = decode(file, what);
            ASSERT_TRUE(r.ok) << what << ": " << r.message;
            EXPECT_TRUE(r.image.pixels == plain.image.pixels) << what;
            EXPECT_TRUE(Reference(file).decode() == plain.image.pixels) << what;
        }
    }
}

TEST(JpegCorpus, TruncatedAndDamagedCopiesFailCleanly) {
    for (const char* name : {"ljt_testorig.jpg", "jpegdec_restarts.jpg", "ljt_testimggray.jpg"}) {
        SCOPED_TRACE(name);
        damageAndTruncate(readFile(corpusDir("jpeg") / name), {700, 800, 300, 700},
                          [&](const Bytes& b) { return decode(b, name); });
    }
    // A progressive file cut anywhere in its scans (their headers lie all
    // through it) gives what they hold so far.
    damageAndTruncate(
        kTestProgressive, {240, 300, 200, 5000},
        [&](const Bytes& b) { return decode(b, "ljt_testimgp.jpg"); },
        [](size_t length, const Decoded& r) {
            if (length >= 400) {
                EXPECT_TRUE(r.ok) << r.message;
            }
        });
}

// ---------------------------------------------------------------------------
// Progressive and extended files, and fill bytes

TEST(JpegDecoder, RejectsInconsistentProgressiveScans) {
    // ljt_testimgp.jpg's scans: interleaved DC (Al 1) at 233, luma AC 1-5
    // (Al 2) at 871, luma AC 6-63 at 2116, luma AC refinement 2 -> 1 at
    // 2411. Offsets below are the scan header's Ss, Se and Ah/Al bytes.
    const Bytes& good = kTestProgressive;
    const Refusal cases[] = {
        {"Se 64", patched(good, {{879, 64}}), "bad progressive scan parameters"},
        {"Ss after Se", patched(good, {{878, 6}}), "bad progressive scan parameters"},
        {"DC scan reaching into AC", patched(good, {{245, 1}}), "bad progressive scan parameters"},
        {"AC scan of three components", patched(good, {{244, 1}, {245, 63}}),
         "bad progressive scan parameters"},
        {"Al 14", patched(good, {{246, 0x0E}}), "bad progressive scan parameters"},
        {"refinement by two bits", patched(good, {{2420, 0x20}}),
         "bad progressive scan parameters"},
        {"DC refinement before its first scan", patched(good, {{246, 0x21}}),
         "progressive scans out of order"},
        {"AC refinement before its first scan", patched(good, {{880, 0x32}}),
         "progressive scans out of order"},
        {"first scan of coefficient 5 twice", patched(good, {{2123, 5}}),
         "progressive scans out of order"},
        {"second frame header", patched(good, {{826 + 1, 0xC2}}),
         "more than one frame in JPEG file"},
    };
    expectRefusals(cases, [](const Bytes& file) { return decode(file); });
}

TEST(JpegDecoder, FillBytesBeforeMarkersAreSkipped) {
    const Bytes fill = {0xFF, 0xFF, 0xFF};
    // Before a table, before the scan header, between two scans and before
    // the end of the image.
    const std::pair<const Bytes*, std::vector<size_t>> cases[] = {
        {&kTestOrig, {findSegment(kTestOrig, 0xDB), findSegment(kTestOrig, 0xDA)}},
        {&kTestProgressive, {826, 871, kTestProgressive.size() - 2}},
    };
    for (const auto& [file, offsets] : cases) {
        Bytes padded = *file;
        for (auto at = offsets.rbegin(); at != offsets.rend(); ++at) {
            padded.insert(padded.begin() + *at, fill.begin(), fill.end());
        }
        const Decoded plain = decode(*file), r = decode(padded);
        ASSERT_TRUE(plain.ok && r.ok) << r.message;
        EXPECT_TRUE(r.image.pixels == plain.image.pixels);
    }
}

// A program of libjpeg-turbo's found beside djpeg; empty when there is none.
std::string jpegTool(const char* name) {
    const fs::path path = fs::path(VARNO_DJPEG).parent_path() / name;
    return std::string(VARNO_DJPEG).empty() || !fs::exists(path) ? "" : path.string();
}

// A scan script for jpegtran in a file of its own, removed afterwards.
struct ScanScript {
    explicit ScanScript(const std::string& text) {
        char pattern[] = "/tmp/varno-scans-XXXXXX";
        const int fd = mkstemp(pattern);
        path = pattern;
        if (fd >= 0) {
            EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
            close(fd);
        }
    }
    ~ScanScript() { fs::remove(path); }
    std::string path;
};

TEST(JpegMadeByTools, ProgressiveCopiesGiveTheSequentialPixels) {
    const std::string jpegtran = jpegTool("jpegtran");
    if (jpegtran.empty()) {
        GTEST_SKIP() << "jpegtran not found";
    }
    // jpegtran keeps the coefficients, so each progressive copy must give
    // exactly the pixels of the sequential file. The scripts split the DC
    // and AC coefficients into spectral bands and successive bits in orders
    // the standard allows: non-interleaved DC, chroma before luma, deep
    // refinement chains.
    const ScanScript bands(
        "2: 0 0 0 0; 1: 0 0 0 0; 0: 0 0 0 0; 0: 1 9 0 0; 2: 1 63 0 0;"
        "1: 1 63 0 0; 0: 10 63 0 0;");
    const ScanScript bits(
        "0,1,2: 0 0 0 2; 0: 1 63 0 3; 1: 1 63 0 1; 2: 1 63 0 1;"
        "0,1,2: 0 0 2 1; 0: 1 63 3 2; 0: 1 63 2 1; 0,1,2: 0 0 1 0;"
        "0: 1 63 1 0; 1: 1 63 1 0; 2: 1 63 1 0;");
    const ScanScript grey(
        "0: 0 0 0 1; 0: 1 5 0 2; 0: 6 63 0 2; 0: 0 0 1 0; 0: 1 63 2 1;"
        "0: 1 63 1 0;");
    const char* colourFiles[] = {"ljt_testorig.jpg", "zigimg_subsampling_422.jpg",
                                 "zigimg_subsampling_411.jpg", "zigimg_tuba.jpg"};
    std::vector<std::pair<std::string, std::string>> copies;  // file, jpegtran options
    for (const char* name : colourFiles) {
        for (const std::string& options :
             {std::string("-progressive"), std::string("-progressive -restart 1B"),
              std::string("-progressive -restart 2"), "-scans " + bands.path,
              "-scans " + bits.path + " -restart 5B"}) {
            copies.push_back({name, options});
        }
    }
    for (const std::string& options :
         {std::string("-progressive -restart 3B"), "-scans " + grey.path}) {
        copies.push_back({"ljt_testimggray.jpg", options});
    }
    for (const auto& [name, options] : copies) {
        const std::string what = name + " " + options;
        const fs::path path = corpusDir("jpeg") / name;
        const Bytes file = runCommand(jpegtran + " " + options + " '" + path.string() + "'");
        ASSERT_NE(findSegment(file, 0xC2), 0u) << what;
        const Decoded plain = decode(readFile(path), name), r = decode(file, what);
        ASSERT_TRUE(r.ok) << what << ": " << r.message;
        EXPECT_TRUE(r.image.pixels == plain.image.pixels) << what;
        expectEveryKernelAgrees(file, r, what);
    }
}

TEST(JpegMadeByTools, EncodersOutputIsCloseToDjpeg) {
    const std::string cjpeg = jpegTool("cjpeg"), djpeg = VARNO_DJPEG;
    if (cjpeg.empty()) {
        GTEST_SKIP() << "cjpeg not found";
    }
    const std::string source =
        djpeg + " -ppm '" + (corpusDir("jpeg") / "ljt_testorig.jpg").string() + "' | ";
    std::vector<std::string> makers;
    for (const char* options :
         {"-progressive", "-progressive -sample 1x1", "-progressive -sample 2x1",
          "-progressive -grayscale", "-progressive -restart 1", "-progressive -restart 3B",
          "-sample 2x2", "-sample 1x1", "-sample 2x1", "-grayscale -restart 2B", "-quality 3",
          "-quality 3 -progressive"}) {
        makers.push_back(source + cjpeg + " " + options);
    }
    if (haveImageMagick()) {
        makers.push_back(std::string(VARNO_IMAGEMAGICK) + " '" +
                         (corpusDir("jpeg") / "zigimg_tuba.jpg").string() +
                         "' -interlace Plane jpeg:-");
    }
    for (const std::string& maker : makers) {
        const Bytes file = runCommand(maker + " 2>/dev/null");
        const Decoded r = decode(file, maker);
        ASSERT_TRUE(r.ok) << maker << ": " << r.message;
        const double psnr =
            psnrAgainstPpm(r.image, runCommand(maker + " 2>/dev/null | " + djpeg +
                                               " -dct float -nosmooth -rgb -ppm 2>/dev/null"));
        EXPECT_GE(psnr, 40.0) << maker;
        expectEveryKernelAgrees(file, r, maker);
        if (maker.find("-quality 3") != std::string::npos &&
            maker.find("-progressive") == maker.npos) {
            EXPECT_NE(findSegment(file, 0xC1), 0u) << maker << " is not extended sequential";
        }
    }
}

}  // namespace
