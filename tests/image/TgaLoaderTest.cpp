#include "image/TgaLoader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/GlTestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string writeTga(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = std::string("/tmp/") + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

std::vector<uint8_t> header(int type, int width, int height, int bpp) {
    return {0,
            0,
            uint8_t(type),
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(height),
            uint8_t(height >> 8),
            uint8_t(bpp),
            0};
}

}  // namespace

TEST(TgaLoader, OddWidthImageUploadsExactly) {
    // 3x2 pixels, 24-bit: rows of 9 bytes, which GL's default alignment of 4
    // would misread.
    std::vector<uint8_t> file = header(2, 3, 2, 24);
    for (int i = 0; i < 18; ++i) {
        file.push_back(uint8_t(10 * i));
    }
    TgaImage image;
    ASSERT_TRUE(loadTga(&image, writeTga("varno_odd.tga", file).c_str()));
    EXPECT_NE(image.glName, 0u);
    EXPECT_EQ(image.glFormat, unsigned(GL_RGB));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.imageSize, 18);

    std::vector<uint8_t> texels(18);
    glBindTexture(GL_TEXTURE_2D, image.glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, image.pixels);
    EXPECT_EQ(texels[0], 20);  // blue, green, red in the file
    EXPECT_EQ(texels[2], 0);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
}

TEST(TgaLoader, Rgba32ImageUploadsWithAlpha) {
    std::vector<uint8_t> file = header(10, 2, 1, 32);
    file.insert(file.end(), {0x81, 1, 2, 3, 4});  // a run of two pixels
    TgaImage image;
    ASSERT_TRUE(loadTga(&image, writeTga("varno_rle.tga", file).c_str()));
    EXPECT_EQ(image.glFormat, unsigned(GL_RGBA));
    EXPECT_EQ(image.pixels, std::vector<uint8_t>({3, 2, 1, 4, 3, 2, 1, 4}));
}

TEST(TgaLoader, FailuresPrintTheirMessageAndCreateNoTexture) {
    TgaImage image;
    CaptureStdout();
    EXPECT_FALSE(loadTga(&image, "/nonexistent/font.tga"));
    std::string bad = writeTga("varno_bad.tga", header(3, 2, 2, 8));
    EXPECT_FALSE(loadTga(&image, bad.c_str()));
    EXPECT_EQ(GetCapturedStdout(),
              "Could not open texture file: /nonexistent/font.tga\n"
              "TGA file be type 2 or type 10, Invalid Image: " +
                  bad + "\n");
    EXPECT_EQ(image.glName, 0u);
}
