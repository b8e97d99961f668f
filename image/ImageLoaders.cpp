#include "image/ImageLoaders.h"

#include <SDL.h>
#include <SDL_image.h>

#include <string>
#include <vector>

#include "base/Console.h"
#include "image/DdsDecoder.h"
#include "base/FileBytes.h"
#include "image/ImageFormat.h"
#include "image/TextureUpload.h"

namespace {

// Reads a whole image file; one that cannot be read is reported on standard
// error and gives false.
bool readReported(const char* fileName, std::vector<uint8_t>& bytes) {
    std::string message;
    if (readImageFile(fileName, bytes, message)) {
        return true;
    }
    console::errLine(message);
    return false;
}

// Reads and decodes a file with one of the engine's decoders and uploads it
// with its mipmaps.
GLuint loadDecoded(const char* fileName, ImageFormat format, const TextureParameters& parameters) {
    std::vector<uint8_t> bytes;
    if (!readReported(fileName, bytes)) {
        return 0;
    }
    ImageData image;
    std::string message;
    if (!imageDecoderFor(format).decode(bytes.data(), bytes.size(), fileName, image, message)) {
        console::errLine(message);
        return 0;
    }
    const GLuint name = newTexture(parameters);
    uploadRows(rowsOf(image), TextureLevels::Mipmapped);
    return name;
}

TextureParameters mipmapped() {
    TextureParameters parameters;
    parameters.minFilter = GL_LINEAR_MIPMAP_LINEAR;
    return parameters;
}

// Repeat wrapping, linear filtering and, where the driver has it, the
// strongest anisotropic filtering: the SDL_image path's parameters.
TextureParameters sdlImageParameters(bool anisotropic) {
    TextureParameters parameters;
    parameters.wrap = GL_REPEAT;
    parameters.strongestAnisotropy = anisotropic;
    return parameters;
}

GLuint loadThroughSdlImage(const char* fileName, bool anisotropic) {
    SDL_Surface* surface = IMG_Load(fileName);
    if (surface == nullptr) {
        console::errLine(std::string("\nFailed to load the image: ") + fileName);
        return 0;
    }
    const GLuint name = newTexture(sdlImageParameters(anisotropic));
    uploadSurface(surface);
    return name;
}

}  // namespace

GLuint loadBmp(const char* fileName) {
    return loadDecoded(fileName, ImageFormat::Bmp, mipmapped());
}

GLuint loadPcx(const char* fileName) {
    return loadDecoded(fileName, ImageFormat::Pcx, mipmapped());
}

GLuint loadJpeg(const char* fileName, int option) {
    TextureParameters parameters = mipmapped();
    parameters.wrap = GL_REPEAT;
    // Set without asking whether the driver has the extension.
    parameters.strongestAnisotropy = option == 1;
    return loadDecoded(fileName, ImageFormat::Jpeg, parameters);
}

GLuint loadDds(const char* fileName) {
    std::vector<uint8_t> bytes;
    if (!readReported(fileName, bytes)) {
        return 0;
    }
    DdsImage image;
    std::string message;
    const bool ok = decodeDds(bytes.data(), bytes.size(), fileName, image, message);
    if (!message.empty()) {
        console::errLine(message);
    }
    if (!ok) {
        return 0;
    }
    GLenum format = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    if (image.fourCC == 0x33545844u) {  // "DXT3"
        format = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    } else if (image.fourCC == 0x35545844u) {  // "DXT5"
        format = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    }
    // A file with fewer levels than a full chain still makes a complete
    // texture: sampling stops at the last level it has.
    TextureParameters parameters = mipmapped();
    parameters.maxLevel = GLint(image.levels.size()) - 1;
    const GLuint name = newTexture(parameters);
    for (size_t level = 0; level < image.levels.size(); ++level) {
        const DdsLevel& l = image.levels[level];
        glCompressedTexImage2D(GL_TEXTURE_2D, GLint(level), format, l.width, l.height, 0,
                               GLsizei(l.size), image.data.data() + l.offset);
    }
    return name;
}

GLuint loadTextureByExtension(const char* fileName, bool anisotropic) {
    switch (chooseImageFormat(fileName)) {
        case ImageFormat::Bmp:
            return loadBmp(fileName);
        case ImageFormat::Pcx:
            return loadPcx(fileName);
        case ImageFormat::Dds:
            return loadDds(fileName);
        case ImageFormat::Jpeg:
            return loadJpeg(fileName, 1);
        case ImageFormat::Sdl:
            break;
    }
    return loadThroughSdlImage(fileName, anisotropic);
}

GLuint loadBmpTextureThroughSdl(const char* fileName, bool anisotropic) {
    console::outLine(std::string("Loading Texture: ") + fileName);
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromFile(fileName, "rb"), 1);
    if (surface == nullptr) {
        console::errLine(std::string(" Failed loading ") + fileName + " : " + SDL_GetError());
        console::outLine(std::string("Failed to load the image: ") + fileName +
                         ", Error: " + SDL_GetError());
        return 0;
    }
    // SDL gives rows top-down, each `pitch` bytes long: turn them into RGB
    // rows bottom-up, as the other loaders deliver them.
    ImageData image;
    image.width = surface->w;
    image.height = surface->h;
    image.channels = 3;
    image.pixels.resize(image.rowBytes() * size_t(image.height));
    const int bytesPerPixel = surface->format->BytesPerPixel;
    SDL_LockSurface(surface);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) +
                             size_t(image.height - 1 - y) * size_t(surface->pitch);
        uint8_t* out = image.pixels.data() + size_t(y) * image.rowBytes();
        for (int x = 0; x < image.width; ++x) {
            Uint32 value = 0;
            for (int b = 0; b < bytesPerPixel; ++b) {
                value |= Uint32(row[x * bytesPerPixel + b]) << (8 * b);
            }
            SDL_GetRGB(value, surface->format, &out[0], &out[1], &out[2]);
            out += 3;
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);

    const GLuint name = newTexture(sdlImageParameters(anisotropic));
    uploadRows(rowsOf(image), TextureLevels::Mipmapped);
    return name;
}
