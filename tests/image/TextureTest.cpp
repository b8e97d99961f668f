#include "image/Texture.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "image/ImageData.h"
#include "image/TextureManager.h"
#include "image/TextureUpload.h"
#include "platform/GraphicsCore.h"
#include "shader/ShaderManager.h"
#include "tests/GlTestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

using Rgba = std::array<uint8_t, 4>;
const Rgba kRed = {255, 0, 0, 255};
const Rgba kGreen = {0, 255, 0, 255};
const Rgba kBlue = {0, 0, 255, 255};
const Rgba kWhite = {255, 255, 255, 255};

// A 4x4 RGBA surface with one colour per 2x2 quadrant: red, green on top,
// blue, white below.
SDL_Surface* quadrantSurface() {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0x000000ff, 0x0000ff00,
                                          0x00ff0000, 0xff000000);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const Rgba& c = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kWhite);
            std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 4, c.data(), 4);
        }
    }
    return s;
}

std::vector<uint8_t> textureBytes(GLuint name, GLenum format, int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

GLint internalFormat(GLuint name) {
    GLint format = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    return format;
}

// Draws on a black screen in the 2D overlay; `image` holds the quadrant surface.
class Overlay : public ::testing::Test {
protected:
    void SetUp() override {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Engine::graphicsCore->begin2D();
        glLoadIdentity();
        image.createFromSurface(quadrantSurface());
    }
    void TearDown() override { Engine::graphicsCore->end2D(); }
    Texture image;
};

}  // namespace

TEST(Texture, UploadsRgbAndRgbaSurfacesAsTheyAre) {
    // 3x2 RGB: rows of 9 bytes are padded to 12 in the surface, as GL expects.
    SDL_Surface* rgb =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 2, 24, 0x000000ff, 0x0000ff00, 0x00ff0000, 0);
    ASSERT_EQ(rgb->format->BytesPerPixel, 3);
    for (int i = 0; i < rgb->pitch * 2; ++i) {
        static_cast<uint8_t*>(rgb->pixels)[i] = uint8_t(i * 7);
    }
    std::vector<uint8_t> expected(static_cast<uint8_t*>(rgb->pixels),
                                  static_cast<uint8_t*>(rgb->pixels) + 24);
    Texture flat;
    flat.createFromSurface(rgb);
    EXPECT_EQ(internalFormat(flat.getGlName()), GL_RGB);
    EXPECT_EQ(textureBytes(flat.getGlName(), GL_RGB, 24), expected);

    Texture withAlpha;
    withAlpha.createFromSurface(quadrantSurface());
    EXPECT_EQ(internalFormat(withAlpha.getGlName()), GL_RGBA);
    EXPECT_EQ(withAlpha.getWidth(), 4.0f);
    std::vector<uint8_t> bytes = textureBytes(withAlpha.getGlName(), GL_RGBA, 64);
    EXPECT_EQ(Rgba({bytes[0], bytes[1], bytes[2], bytes[3]}), kRed);
    EXPECT_EQ(Rgba({bytes[60], bytes[61], bytes[62], bytes[63]}), kWhite);
}

TEST(Texture, ConvertsPaletteAndColourKeyedSurfaces) {
    SDL_Surface* indexed = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, 0, 0, 0, 0);
    SDL_Color palette[2] = {{10, 20, 30, 0}, {200, 100, 50, 0}};
    SDL_SetColors(indexed, palette, 0, 2);
    static_cast<uint8_t*>(indexed->pixels)[0] = 0;
    static_cast<uint8_t*>(indexed->pixels)[1] = 1;
    SDL_SetColorKey(indexed, SDL_SRCCOLORKEY, 0);

    Texture keyed;
    keyed.createFromSurface(indexed);
    ASSERT_EQ(internalFormat(keyed.getGlName()), GL_RGBA);
    std::vector<uint8_t> bytes = textureBytes(keyed.getGlName(), GL_RGBA, 8);
    EXPECT_EQ(bytes[3], 0);  // the key colour is transparent
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()),
              std::vector<uint8_t>({200, 100, 50, 255}));
}

TEST(Texture, LoadingRegistersEachUploadOnce) {
    size_t before = Engine::textureManager->getTextures().size();
    CaptureStdout();
    Texture first("Data/MousePointer.png");
    Texture second("Data/MousePointer.png", 0.25f);
    EXPECT_EQ(GetCapturedStdout(),
              "Loading Texture: Data/MousePointer.png\nLoading Texture: Data/MousePointer.png\n");
    EXPECT_NE(first.getGlName(), second.getGlName());
    EXPECT_EQ(first.getName(), "Data/MousePointer.png");
    EXPECT_EQ(second.getAlpha(), 0.25f);
    EXPECT_EQ(first.getShader(), Engine::shaderManager->getShader(0));
    const auto& listed = Engine::textureManager->getTextures();
    ASSERT_EQ(listed.size(), before + 2);
    EXPECT_EQ(listed[before], &first);
    EXPECT_EQ(listed[before + 1], &second);

    // Registering a texture whose GL name is listed changes nothing.
    Engine::textureManager->addTexture(&first);
    EXPECT_EQ(listed.size(), before + 2);
}

TEST(Texture, FailedLoadIsReportedAndLeavesAnEmptyTexture) {
    size_t before = Engine::textureManager->getTextures().size();
    CaptureStdout();
    Texture missing("Data/no_such_image.png");
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("Loading Texture: Data/no_such_image.png\n"
                        "Failed to load the image: Data/no_such_image.png, Error: ",
                        0),
              0u)
        << out;
    EXPECT_EQ(missing.getGlName(), 0u);
    EXPECT_TRUE(missing.getName().empty());
    EXPECT_EQ(Engine::textureManager->getTextures().size(), before);
}

TEST(TextureManager, RemoveDeletesOnlyListedTextures) {
    TextureManager manager;
    auto* listed = new Texture();
    listed->createFromSurface(quadrantSurface());
    auto* other = new Texture();
    other->createFromSurface(quadrantSurface());
    manager.addTexture(listed);
    ASSERT_EQ(manager.getTextures().size(), 1u);

    manager.removeTexture(other);  // not listed: neither removed nor deleted
    EXPECT_EQ(manager.getTextures().size(), 1u);
    EXPECT_EQ(other->getWidth(), 4.0f);
    manager.removeTexture(listed);  // deleted; AddressSanitizer sees a double delete
    EXPECT_TRUE(manager.getTextures().empty());
    delete other;
}

TEST_F(Overlay, DrawAtPutsTheImageTopLeftCornerAtThePosition) {
    image.drawAt(100.0f, 50.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(readPixel(100, 50), kRed);
    EXPECT_EQ(readPixel(103, 50), kGreen);
    EXPECT_EQ(readPixel(100, 53), kBlue);
    EXPECT_EQ(readPixel(103, 53), kWhite);
    EXPECT_EQ(readPixel(104, 53), Rgba({0, 0, 0, 255}));
    EXPECT_EQ(readPixel(99, 50), Rgba({0, 0, 0, 255}));
}

TEST_F(Overlay, ColourTintsAndOwnAlphaBlends) {
    image.drawAt(10.0f, 10.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(readPixel(13, 13), kRed);  // white tinted red
    EXPECT_EQ(readPixel(13, 10)[1], 0);  // green tinted red is black

    image.setAlpha(0.5f);
    image.drawWithOwnAlpha(20.0f, 10.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    Rgba half = readPixel(23, 13);
    EXPECT_NEAR(half[0], 128, 2);
    EXPECT_NEAR(half[2], 128, 2);
}

TEST_F(Overlay, RegionDrawsOnlyThatPartAndOwnPositionIsUsed) {
    // The lower half of the picture (blue, white), drawn 4x2 pixels.
    image.drawRegion(200.0f, 100.0f, TextureRegion{0.5f, 1.0f, 0.0f, 0.0f}, 1.0f, 0.0f, 1.0f, 1.0f,
                     1.0f, 1.0f);
    EXPECT_EQ(readPixel(200, 100), kBlue);
    EXPECT_EQ(readPixel(203, 101), kWhite);
    EXPECT_EQ(readPixel(200, 102), Rgba({0, 0, 0, 255}));

    image.x = 300.0f;
    image.y = 120.0f;
    image.drawAtOwnPosition(1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(readPixel(300, 120), kRed);
}

TEST_F(Overlay, RotationTurnsAboutTheImageCentre) {
    // Half a turn: the red top-left quadrant ends up bottom-right.
    image.drawAt(400.0f, 100.0f, 1.0f, 180.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(readPixel(403, 103), kRed);
    EXPECT_EQ(readPixel(400, 100), kWhite);
}

TEST_F(Overlay, UnloadedTextureDrawsNothing) {
    Texture empty;
    empty.drawAt(0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(readPixel(0, 0), Rgba({0, 0, 0, 255}));
}

TEST(Texture, RgbSurfaceRowsWithFillBytesGoUpUnskewed) {
    // 2x2 RGB: rows of 6 bytes padded to 8, a pitch that is not a whole
    // number of pixels (as SDL_image gives a 24-bit PNG of that width).
    SDL_Surface* rgb =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 24, 0x000000ff, 0x0000ff00, 0x00ff0000, 0);
    ASSERT_EQ(rgb->pitch, 8);
    std::vector<uint8_t> expected;
    for (int y = 0; y < 2; ++y) {
        for (int i = 0; i < 6; ++i) {
            static_cast<uint8_t*>(rgb->pixels)[y * rgb->pitch + i] = uint8_t(10 * y + i + 1);
            expected.push_back(uint8_t(10 * y + i + 1));
        }
    }
    Texture image;
    image.createFromSurface(rgb);
    EXPECT_EQ(textureBytes(image.getGlName(), GL_RGB, 12), expected);
}

TEST(TextureUpload, EveryMipmapBuildKeepsLevel0AndMakesACompleteChain) {
    const GLenum formats[] = {0, GL_LUMINANCE, 0, GL_RGB, GL_RGBA};
    for (MipmapBuild build :
         {MipmapBuild::Glu, MipmapBuild::GenerateMipmap, MipmapBuild::GenerateMipmapParameter}) {
        for (int channels : {1, 3, 4}) {
            // 2x8: rows of 2, 6 or 8 bytes, a chain of four levels down to 1x1.
            ImageData image;
            image.width = 2;
            image.height = 8;
            image.channels = channels;
            for (size_t i = 0; i < image.rowBytes() * 8; ++i) {
                image.pixels.push_back(uint8_t(i * 37 + 11));
            }
            setMipmapBuild(build);
            GLuint name = newTexture(TextureParameters());
            uploadRows(rowsOf(image), TextureLevels::Mipmapped);
            setMipmapBuild(MipmapBuild::Automatic);
            const std::string what = std::to_string(int(build)) + "/" + std::to_string(channels);
            EXPECT_EQ(textureBytes(name, formats[channels], int(image.pixels.size())), image.pixels)
                << what;
            for (GLint level = 1; level <= 4; ++level) {
                GLint w = 0;
                GLint h = 0;
                glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
                glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
                EXPECT_EQ(w, level < 4 ? 1 : 0) << what << " level " << level;
                EXPECT_EQ(h, level < 4 ? 8 >> level : 0) << what << " level " << level;
            }
            GLint generate = GL_TRUE;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generate);
            EXPECT_EQ(generate, GL_FALSE) << what;
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what;
        }
    }
    // Left to itself the upload lets GL build the chain where level 0 goes up
    // as it is, and rescales other sizes to powers of two as it always did.
    EXPECT_EQ(mipmapBuildFor(2, 8, 3), MipmapBuild::GenerateMipmap);
    EXPECT_EQ(mipmapBuildFor(6, 8, 3), MipmapBuild::Glu);
    ImageData wide;
    wide.width = 6;
    wide.height = 3;
    wide.channels = 3;
    wide.pixels.assign(54, 200);
    newTexture(TextureParameters());
    uploadRows(rowsOf(wide), TextureLevels::Mipmapped);
    GLint w = 0;
    GLint h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_TRUE(w > 0 && (w & (w - 1)) == 0 && h > 0 && (h & (h - 1)) == 0) << w << "x" << h;
}
