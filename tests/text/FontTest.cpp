#include "text/Font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Engine.h"
#include "tests/GlTestSupport.h"
#include "text/FontManager.h"

namespace {

// The pixels of a window region, read from the back buffer.
struct Region {
    int x, y, w, h;
};

std::vector<uint8_t> capture(const Region& r) {
    std::vector<uint8_t> rgba(size_t(r.w) * size_t(r.h) * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(r.x, kWindowHeight - r.y - r.h, r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

size_t litPixels(const std::vector<uint8_t>& rgba) {
    size_t lit = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        lit += rgba[i] > 64 ? 1 : 0;
    }
    return lit;
}

void clearWindow() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Font& font() {
    return *Engine::fontManager->getFont(1);
}

const Region kArea = {0, 0, 200, 80};

}  // namespace

TEST(Font, DefaultFontIsLoadedAsFontOne) {
    FontManager& fonts = *Engine::fontManager;
    ASSERT_EQ(fonts.getCount(), 1u);
    EXPECT_EQ(fonts.getFont(0), fonts.getFont(1));
    EXPECT_EQ(fonts.getFont(5), fonts.getFont(1));
    EXPECT_TRUE(glIsList(font().getListBase() + 255));
    EXPECT_TRUE(glIsTexture(font().getTexture()));
}

TEST(Font, CharactersAdvanceTwelvePixelsInSixteenPixelCells) {
    clearWindow();
    ASSERT_TRUE(font().print(10, 20, 0, 1.0f, 1.0f, 1.0f, "AB"));
    std::vector<uint8_t> together = capture(kArea);

    clearWindow();
    font().print(10, 20, 0, 1.0f, 1.0f, 1.0f, "A");
    font().print(22, 20, 0, 1.0f, 1.0f, 1.0f, "B");
    EXPECT_EQ(together, capture(kArea));

    // Everything drawn lies in the two cells: x 10 to 38, y 20 to 36.
    EXPECT_GT(litPixels(capture({10, 20, 28, 16})), 20u);
    EXPECT_EQ(litPixels(together), litPixels(capture({10, 20, 28, 16})));
}

TEST(Font, TextIsDrawnFilledInWireframeMode) {
    clearWindow();
    font().print(10, 20, 0, 1.0f, 1.0f, 1.0f, "Wire");
    std::vector<uint8_t> filled = capture(kArea);

    clearWindow();
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    font().print(10, 20, 0, 1.0f, 1.0f, 1.0f, "Wire");
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    EXPECT_EQ(filled, capture(kArea));
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_EQ(modes[1], GL_LINE);
}

TEST(Font, BoldSetsDrawTheirHalfTwiceOnePixelApart) {
    for (int set : {2, 3, 7}) {
        SCOPED_TRACE(set);
        clearWindow();
        font().print(10, 20, set, 1.0f, 1.0f, 1.0f, "Hello");
        std::vector<uint8_t> bold = capture(kArea);

        clearWindow();
        int plain = set >= 3 ? 1 : 0;
        font().print(10, 20, plain, 1.0f, 1.0f, 1.0f, "Hello");
        font().print(11, 20, plain, 1.0f, 1.0f, 1.0f, "Hello");
        EXPECT_EQ(bold, capture(kArea));
    }
    // The two halves of the sheet hold different faces.
    clearWindow();
    font().print(10, 20, 0, 1.0f, 1.0f, 1.0f, "Hello");
    std::vector<uint8_t> regular = capture(kArea);
    clearWindow();
    font().print(10, 20, 1, 1.0f, 1.0f, 1.0f, "Hello");
    EXPECT_NE(regular, capture(kArea));
}

TEST(Font, ScaleEnlargesCellAndAdvanceButNotThePosition) {
    clearWindow();
    font().setScale(2.0f, 2.0f);
    font().printDefault(10, 20, 0, "AB");
    font().setScale(1.0f, 1.0f);
    std::vector<uint8_t> scaled = capture(kArea);

    clearWindow();
    font().printScaled(10, 20, 0, 1.0f, 1.0f, 1.0f, 1.0f, 2.0f, 2.0f, "A");
    font().printScaled(34, 20, 0, 1.0f, 1.0f, 1.0f, 1.0f, 2.0f, 2.0f, "B");
    EXPECT_EQ(scaled, capture(kArea));
    EXPECT_EQ(litPixels(scaled), litPixels(capture({10, 20, 56, 32})));
}

TEST(Font, ColourTintsTheGlyphs) {
    clearWindow();
    font().print(10, 20, 0, 0.0f, 1.0f, 0.0f, "M");
    std::vector<uint8_t> pixels = capture({10, 20, 16, 16});
    uint8_t maxRed = 0;
    uint8_t maxGreen = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        maxRed = std::max(maxRed, pixels[i]);
        maxGreen = std::max(maxGreen, pixels[i + 1]);
    }
    EXPECT_EQ(maxRed, 0);
    EXPECT_GT(maxGreen, 200);
}

TEST(Font, PrintLeavesTheGlStateAsItFoundIt) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    font().printAt(5.5f, 7.0f, 2, "%s %d%%", "state", 100);
    EXPECT_STREQ(font().lastText(), "state 100%");

    GLint value = 0;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ZERO);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_PROJECTION);
    float after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::vector<float>(projection, projection + 16),
              std::vector<float>(after, after + 16));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    glDisable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
}

TEST(Font, LongTextIsCutAtTheBufferAndNullFormatDrawsNothing) {
    std::string text(300, 'x');
    EXPECT_TRUE(font().printDefault(0, 0, 0, "%s", text.c_str()));
    EXPECT_EQ(std::string(font().lastText()), std::string(151, 'x'));

    clearWindow();
    EXPECT_TRUE(font().printDefault(10, 20, 0, nullptr));
    EXPECT_EQ(litPixels(capture(kArea)), 0u);
}
