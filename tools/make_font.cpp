// Build: g++ -O2 tools/make_font.cpp -o /tmp/make_font $(pkg-config --cflags --libs freetype2)  Run
// from the repository root: /tmp/make_font [set0.ttf [set1.ttf [out.tga]]]
//
// Renders the engine's bitmap font sheet, Data/Font/font.tga, with FreeType.
// Set 0 is DejaVu Sans Mono (Debian package fonts-dejavu-core), set 1 DejaVu
// Sans Mono Oblique (fonts-dejavu-extra); Data/Font/LICENSE.txt carries their
// licence. Other TrueType files can be passed on the command line.
//
// The sheet is a 256x256 picture of 16x16 cells, 16 per row, glyph g in
// column g % 16 and row g / 16 counted from the top. The text renderer draws
// byte c of character set s with glyph c - 32 + 128 * (s % 2), as a 16x16 quad,
// and moves 12 pixels on per character. So printable ASCII 33..126 of set 0
// lands in glyphs 1..94 (rows 0..5), the same characters of set 1 in glyphs
// 129..222 (rows 8..13); the space (glyph 0 and 128) and the unused rows stay
// transparent.
//
// Each glyph is white with its anti-aliased coverage in alpha, so the engine
// can tint it with the current colour and blend it. Inside its cell a glyph
// keeps to columns 0..10, so at the 12-pixel advance at least one clear column
// separates neighbours, and to rows 1..15: the top row of every cell stays
// empty because the renderer insets the top of each cell by a hair, and
// whatever lies in the row above (the bottom of the next cell up) must not
// bleed in. The baseline sits under row 11, which leaves rows 12..15 for
// descenders.
//
// Output is an uncompressed 32-bit TGA (type 2, 8 alpha bits, bottom-left
// origin): pixels stored B, G, R, A, bottom row of the picture first, the
// order the engine hands to OpenGL unchanged.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kImageSize = 256;
const int kCell = 16;                // cell size in pixels, 16x16 cells per sheet
const int kAdvance = 12;             // the renderer's horizontal step per character
const int kInkLeft = 0;              // leftmost column a glyph may use
const int kInkRight = kAdvance - 1;  // one past the rightmost column; column 11 is the gap
const int kInkTop = 1;               // row 0 of every cell stays empty
const int kBaseline = 12;            // rows above the baseline: 0..11
const int kPixelHeight = 13;         // em size: caps come out about 9-10 px tall
const int kPixelWidth = 16;          // widest horizontal em size tried: a monospace advance of
                                     // about 10 px, so glyphs fill most of the 12-px step

const char* kDefaultSet0 = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* kDefaultSet1 = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Oblique.ttf";
const char* kDefaultOut = "Data/Font/font.tga";

struct Sheet {
    // RGBA is implicit: RGB is always white, only alpha is stored here.
    // Row 0 is the top row of the picture.
    std::vector<uint8_t> alpha = std::vector<uint8_t>(kImageSize * kImageSize, 0);
};

bool fail(const std::string& message) {
    std::fprintf(stderr, "make_font: %s\n", message.c_str());
    return false;
}

// Draws the printable ASCII characters of one face, sized pixelWidth by
// kPixelHeight, into the rows of the sheet that belong to one character set
// (glyph offset 0 or 128). *clipped gets the strongest coverage that fell
// outside the glyphs' allowed area, 0 when everything fitted.
bool renderSet(FT_Face face, int pixelWidth, int glyphBase, Sheet* sheet, int* clipped) {
    const char* name = face->family_name;
    if (FT_Set_Pixel_Sizes(face, pixelWidth, kPixelHeight) != 0) {
        return fail(std::string("cannot size font ") + name);
    }
    *clipped = 0;
    bool ok = true;
    for (int c = 33; c < 127; ++c) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            ok = fail(std::string("cannot render character ") + char(c) + " of " + name);
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int width = int(bitmap.width);
        const int height = int(bitmap.rows);

        // Coverage of the rendered bitmap, 0..255, whatever FreeType's pixel mode.
        std::vector<uint8_t> coverage(size_t(width) * height, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint8_t* line = bitmap.buffer + y * bitmap.pitch;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    coverage[y * width + x] = line[x];
                } else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                    coverage[y * width + x] = (line[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
                }
            }
        }

        // The bitmap may carry blank margins; only the columns with ink count
        // when the glyph is fitted into its cell.
        int inkFirst = width, inkLast = -1;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (coverage[y * width + x] != 0) {
                    inkFirst = std::min(inkFirst, x);
                    inkLast = std::max(inkLast, x);
                }
            }
        }
        if (inkLast < 0) {
            ok = fail(std::string("character ") + char(c) + " of " + name + " has no ink");
            continue;
        }

        // Centre the glyph's own advance box in the 12-px step, so monospace
        // glyphs keep their designed side bearings and proportional ones sit in
        // the middle of the step. Then nudge it back inside the allowed columns
        // if the ink pokes out of them (slanted capitals do, by a pixel).
        const int glyphAdvance = int((slot->advance.x + 32) >> 6);
        int left = (kAdvance - glyphAdvance) / 2 + slot->bitmap_left;
        if (left + inkLast >= kInkRight)
            left = kInkRight - 1 - inkLast;
        if (left + inkFirst < kInkLeft)
            left = kInkLeft - inkFirst;
        const int top = kBaseline - slot->bitmap_top;

        const int glyph = glyphBase + c - 32;
        const int cellX = (glyph % 16) * kCell;
        const int cellY = (glyph / 16) * kCell;
        for (int y = 0; y < height; ++y) {
            const int row = top + y;
            for (int x = 0; x < width; ++x) {
                const int column = left + x;
                const uint8_t value = coverage[y * width + x];
                if (row < kInkTop || row >= kCell || column < kInkLeft || column >= kInkRight) {
                    *clipped = std::max(*clipped, int(value));
                    continue;
                }
                uint8_t& out = sheet->alpha[(cellY + row) * kImageSize + cellX + column];
                out = std::max(out, value);
            }
        }
    }
    return ok;
}

// Loads one font file and renders it as one character set. Wide faces (a
// slant pushes capitals like K, M and X further right) are narrowed a pixel at
// a time until every glyph fits its columns, rather than losing their edges.
bool renderFont(FT_Library library, const char* path, int glyphBase, Sheet* sheet) {
    FT_Face face;
    if (FT_New_Face(library, path, 0, &face) != 0) {
        return fail(std::string("cannot load font ") + path);
    }
    bool ok = false;
    for (int width = kPixelWidth; width >= kPixelHeight; --width) {
        Sheet attempt = *sheet;
        int clipped = 0;
        if (!renderSet(face, width, glyphBase, &attempt, &clipped))
            break;
        if (clipped == 0 || width == kPixelHeight) {
            if (clipped != 0) {
                std::fprintf(stderr, "make_font: warning: %s clipped (coverage up to %d)\n", path,
                             clipped);
            }
            std::printf("%s: %s %s at %dx%d px\n", path, face->family_name, face->style_name, width,
                        kPixelHeight);
            *sheet = attempt;
            ok = true;
            break;
        }
    }
    FT_Done_Face(face);
    return ok;
}

bool writeTga(const char* path, const Sheet& sheet) {
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return fail(std::string("cannot write ") + path);

    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = kImageSize & 0xff;
    header[13] = kImageSize >> 8;
    header[14] = kImageSize & 0xff;
    header[15] = kImageSize >> 8;
    header[16] = 32;    // bits per pixel
    header[17] = 0x08;  // 8 alpha bits, origin at the bottom left
    std::fwrite(header, 1, sizeof header, file);

    std::vector<uint8_t> row(kImageSize * 4);
    for (int y = kImageSize - 1; y >= 0; --y) {  // bottom row of the picture first
        for (int x = 0; x < kImageSize; ++x) {
            row[x * 4 + 0] = 255;  // B
            row[x * 4 + 1] = 255;  // G
            row[x * 4 + 2] = 255;  // R
            row[x * 4 + 3] = sheet.alpha[y * kImageSize + x];
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    const bool ok = std::fclose(file) == 0;
    return ok || fail(std::string("error writing ") + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 4 || (argc > 1 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: %s [set0-font.ttf [set1-font.ttf [out.tga]]]\n", argv[0]);
        return 2;
    }
    const char* set0 = argc > 1 ? argv[1] : kDefaultSet0;
    const char* set1 = argc > 2 ? argv[2] : kDefaultSet1;
    const char* out = argc > 3 ? argv[3] : kDefaultOut;

    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        fail("cannot initialise FreeType");
        return 1;
    }
    Sheet sheet;
    const bool rendered =
        renderFont(library, set0, 0, &sheet) && renderFont(library, set1, 128, &sheet);
    FT_Done_FreeType(library);
    if (!rendered || !writeTga(out, sheet))
        return 1;
    std::printf("wrote %s\n", out);
    return 0;
}
