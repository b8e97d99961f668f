#include "image/ImageLoaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/Engine.h"
#include "base/FileBytes.h"
#include "image/ImageFormat.h"
#include "image/JpegDecoder.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "shader/Shader.h"
#include "shader/ShaderManager.h"
#include "tests/GlTestSupport.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const std::string kCorpus = VARNO_CORPUS_DIR;

std::vector<uint8_t> level0(GLuint name, GLenum format, int components) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint w = 0;
    GLint h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint8_t> bytes(size_t(w) * size_t(h) * size_t(components));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

GLint textureParameter(GLuint name, GLenum parameter) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

GLint internalFormat(GLuint name) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    return format;
}

std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = "/tmp/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// A 2x2 24-bit bitmap: rows of 6 bytes padded to 8, bottom row first.
std::vector<uint8_t> tinyBmp() {
    std::vector<uint8_t> b = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0,  0, 0, 2,
                              0,   0,   0,  2, 0, 0, 0, 1, 0, 24, 0,  0, 0, 0, 0,  16, 0, 0, 0};
    b.resize(54, 0);
    const uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    b.insert(b.end(), rows, rows + 16);
    return b;
}

unsigned byExtension(const std::string& path) {
    return Engine::utils->loadImageByExtension(path.c_str());
}

}  // namespace

TEST(ImageLoaders, BmpUploadsTightRgbRowsAndMipmaps) {
    GLuint name = loadBmp(writeFile("varno_tiny.bmp", tinyBmp()).c_str());
    ASSERT_NE(name, 0u);
    EXPECT_EQ(level0(name, GL_RGB, 3),
              std::vector<uint8_t>({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 4);
}

TEST(ImageLoaders, BmpWithAlphaUploadsRgba) {
    // 2x1, 32 bits with a V5 header whose bit-field masks carry alpha.
    std::vector<uint8_t> b(138, 0);
    b[0] = 'B', b[1] = 'M', b[10] = 138, b[14] = 124, b[18] = 2, b[22] = 1, b[26] = 1;
    b[28] = 32, b[30] = 3;
    const uint8_t masks[16] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};
    std::copy(masks, masks + 16, b.begin() + 54);
    const uint8_t pixels[8] = {1, 2, 3, 40, 5, 6, 7, 200};
    b.insert(b.end(), pixels, pixels + 8);
    GLuint name = loadBmp(writeFile("varno_tiny_rgba.bmp", b).c_str());
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint alphaBits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    EXPECT_GT(alphaBits, 0);
    EXPECT_EQ(level0(name, GL_RGBA, 4), std::vector<uint8_t>({3, 2, 1, 40, 7, 6, 5, 200}));
}

TEST(ImageLoaders, JpegUploadsItsRowsWithAnisotropyOnRequest) {
    std::string file = kCorpus + "/jpeg/zigimg_subsampling_420.jpg";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(file.c_str(), bytes));
    ImageData decoded;
    std::string message;
    ASSERT_TRUE(decodeJpeg(bytes.data(), bytes.size(), decoded, message)) << message;

    GLuint filtered = loadJpeg(file.c_str(), 1);
    GLuint plain = loadJpeg(file.c_str(), 0);
    ASSERT_NE(filtered, 0u);
    EXPECT_EQ(level0(filtered, GL_RGBA, 4), decoded.pixels);
    GLfloat maxAnisotropy = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    EXPECT_EQ(textureParameter(filtered, GL_TEXTURE_MAX_ANISOTROPY_EXT), GLint(maxAnisotropy));
    EXPECT_EQ(textureParameter(plain, GL_TEXTURE_MAX_ANISOTROPY_EXT), 1);
    EXPECT_EQ(textureParameter(filtered, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST(ImageLoaders, DdsLevelsGoUpCompressedAndMakeACompleteTexture) {
    std::string file = kCorpus + "/dds/pillow_dxt1-rgb-4bbp-noalpha_MipMaps-1.dds";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(file.c_str(), bytes));
    GLuint name = loadDds(file.c_str());
    ASSERT_NE(name, 0u);
    EXPECT_EQ(internalFormat(name), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
    GLint size = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
    ASSERT_EQ(size, 32768);
    std::vector<uint8_t> stored(32768);
    glGetCompressedTexImage(GL_TEXTURE_2D, 0, stored.data());
    EXPECT_EQ(stored, std::vector<uint8_t>(bytes.begin() + 128, bytes.begin() + 128 + 32768));

    // One level only: the texture must still be complete, or a shader samples
    // it as black.
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_MAX_LEVEL), 0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    Engine::graphicsCore->begin2D();
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, name);
    Shader* simple = Engine::shaderManager->getShader(0);
    simple->bind();
    glUniform4fARB(glGetUniformLocationARB(simple->getProgram(), "colors"), 1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(256, 0);
    glTexCoord2f(1, 1);
    glVertex2f(256, 256);
    glTexCoord2f(0, 1);
    glVertex2f(0, 256);
    glEnd();
    Shader::unbind();
    Engine::graphicsCore->end2D();
    int lit = 0;
    for (int i = 0; i < 16; ++i) {
        auto p = readPixel(8 + 16 * i, 8 + 15 * i);
        lit += (p[0] | p[1] | p[2]) != 0 ? 1 : 0;
    }
    EXPECT_GT(lit, 8);
}

TEST(ImageLoaders, DdsLevel0DecodedByTheDriverLooksLikeTheReference) {
    if (std::string(VARNO_IMAGEMAGICK).empty()) {
        GTEST_SKIP() << "ImageMagick not found";
    }
    std::string file = kCorpus + "/dds/tacent_BC1DXT1_RGB_Modern_318x178.dds";
    GLuint name = loadDds(file.c_str());
    ASSERT_NE(name, 0u);
    std::vector<uint8_t> ours = level0(name, GL_RGB, 3);
    ASSERT_EQ(ours.size(), 318u * 178u * 3u);

    std::string command = std::string(VARNO_IMAGEMAGICK) + " '" + file + "' -depth 8 rgb:-";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<uint8_t> reference(ours.size());
    size_t got = std::fread(reference.data(), 1, reference.size(), pipe);
    pclose(pipe);
    ASSERT_EQ(got, reference.size());
    // Both are top row first (DDS blocks are stored top-down). S3TC decoders
    // may round the interpolated colours differently by a step or two.
    double totalDifference = 0.0;
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        int d = std::abs(int(ours[i]) - int(reference[i]));
        totalDifference += d;
        worst = std::max(worst, d);
    }
    EXPECT_LT(totalDifference / double(ours.size()), 1.0);
    EXPECT_LE(worst, 8);
}

TEST(ImageLoaders, NameSelectsTheDecoderBySubstringAndCase) {
    // PNG bytes under names that select other decoders: each decoder's own
    // complaint tells which one was asked.
    std::vector<uint8_t> png;
    ASSERT_TRUE(readFileBytes("Data/MousePointer.png", png));
    ASSERT_EQ(std::system("mkdir -p /tmp/varno/maps/dds /tmp/varno/Textures"), 0);
    struct Case {
        std::string name;
        std::string complaint;  // empty: SDL_image loads it
    };
    const Case cases[] = {
        {"varno/Textures/bmpfont.png", "is not a valid BMP file!"},
        {"varno/maps/dds/rock.png", "doesn't appear to bea valid .dds file!"},
        {"varno/skin.jpeg", "couldn't decode"},
        {"varno/skin.jpg", "couldn't decode"},
        {"varno/skin.JPG", ""},
        {"varno/skin.PCX", ""},
        {"varno/pointer.png", ""},
    };
    for (const Case& c : cases) {
        CaptureStderr();
        unsigned name = byExtension(writeFile(c.name, png));
        std::string err = GetCapturedStderr();
        if (c.complaint.empty()) {
            EXPECT_NE(name, 0u) << c.name;
            EXPECT_EQ(internalFormat(name), GL_RGBA) << c.name;
        } else {
            EXPECT_EQ(name, 0u) << c.name;
            EXPECT_NE(err.find(c.complaint), std::string::npos) << c.name << ": " << err;
        }
    }
}

TEST(ImageLoaders, SdlPathUploadsRgbOrRgbaWithTheStrongestAnisotropy) {
    unsigned rgb = byExtension(kCorpus + "/tga/zigimg_utc24.tga");
    unsigned rgba = byExtension(kCorpus + "/tga/zigimg_utc32.tga");
    ASSERT_NE(rgb, 0u);
    ASSERT_NE(rgba, 0u);
    EXPECT_EQ(internalFormat(rgb), GL_RGB);
    EXPECT_EQ(internalFormat(rgba), GL_RGBA);
    ASSERT_TRUE(Engine::graphicsCore->hasAnisotropic());
    GLfloat maxAnisotropy = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    EXPECT_EQ(textureParameter(rgb, GL_TEXTURE_MAX_ANISOTROPY_EXT), GLint(maxAnisotropy));
    EXPECT_EQ(textureParameter(rgb, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    CaptureStderr();
    EXPECT_EQ(byExtension("/tmp/varno-no-such-file.png"), 0u);
    EXPECT_EQ(GetCapturedStderr(), "\nFailed to load the image: /tmp/varno-no-such-file.png\n");
}

TEST(ImageLoaders, BmpThroughSdlGivesBottomUpRgb) {
    GLuint name =
        Engine::utils->loadBmpThroughSdl(writeFile("varno_tiny_sdl.bmp", tinyBmp()).c_str());
    ASSERT_NE(name, 0u);
    EXPECT_EQ(level0(name, GL_RGB, 3),
              std::vector<uint8_t>({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(ImageLoaders, MissingFilesAreReportedAndGiveNoTexture) {
    CaptureStderr();
    EXPECT_EQ(loadBmp("/nonexistent/a.bmp"), 0u);
    EXPECT_EQ(loadPcx("/nonexistent/a.pcx"), 0u);
    EXPECT_EQ(loadDds("/nonexistent/a.dds"), 0u);
    EXPECT_EQ(loadJpeg("/nonexistent/a.jpg", 1), 0u);
    EXPECT_EQ(GetCapturedStderr(),
              "error: couldn't open \"/nonexistent/a.bmp\"!\n"
              "error: couldn't open \"/nonexistent/a.pcx\"!\n"
              "error: couldn't open \"/nonexistent/a.dds\"!\n"
              "error: couldn't open \"/nonexistent/a.jpg\"!\n");
}

TEST(ImageLoaders, OneTableNamesTheDecoderForLoadingAndInspecting) {
    // The first of "bmp", "pcx", "dds", "jpg", "jpeg" found anywhere in the
    // path decides, case-sensitively; everything else goes to SDL_image.
    const std::pair<const char*, const char*> names[] = {
        {"Data/Model/knight.bmp", "bmp"},
        {"Textures/bmpfont.png", "bmp"},
        {"skin.pcx", "pcx"},
        {"maps/dds/rock.png", "dds"},
        {"skin.jpg", "jpeg"},
        {"skin.jpeg", "jpeg"},
        {"jpeg/skin.dds", "dds"},
        {"pcx/skin.bmp", "bmp"},
        {"skin.JPG", "sdl"},
        {"WALL.BMP", "sdl"},
        {"Data/Font/font.tga", "sdl"},
        {"Data/MousePointer.png", "sdl"},
        {"", "sdl"},
    };
    for (const auto& [name, format] : names) {
        EXPECT_STREQ(chooseImageDecoder(name).name, format) << name;
        EXPECT_STREQ(imageFormatName(chooseImageFormat(name)), format) << name;
    }
}

TEST(ImageLoaders, ADirectoryNamedLikeAnImageIsAFileThatCannotBeOpened) {
    ASSERT_EQ(std::system("mkdir -p /tmp/varno/folder.bmp"), 0);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(readFileBytes("/tmp/varno/folder.bmp", bytes));
    CaptureStderr();
    EXPECT_EQ(byExtension("/tmp/varno/folder.bmp"), 0u);
    EXPECT_EQ(GetCapturedStderr(), "error: couldn't open \"/tmp/varno/folder.bmp\"!\n");
}
