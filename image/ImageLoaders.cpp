#include "image/ImageLoaders.h"

#include <cstdio>
#include <string>
#include <vector>

#include "image/BmpDecoder.h"
#include "image/DdsDecoder.h"
#include "image/FileBytes.h"
#include "image/JpegDecoder.h"
#include "image/PcxDecoder.h"
#include "image/TextureUpload.h"

namespace {

void report(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

bool readImageFile(const char* fileName, std::vector<uint8_t>& bytes) {
    if (fileName == nullptr || !readFileBytes(fileName, bytes)) {
        report(std::string("error: couldn't open \"") + (fileName ? fileName : "") + "\"!");
        return false;
    }
    return true;
}

// A new texture with mipmapped minification, bound.
GLuint newMipmappedTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

using RgbDecoder = bool (*)(const uint8_t*, size_t, const char*, ImageData&, std::string&);

using RgbDecoder = bool (*)(const uint8_t*, size_t, const char*, ImageData&, std::string&);

// Reads and decodes an RGB or RGBA image with one of the engine's decoders
// and uploads it with its mipmaps.
GLuint loadRgbTexture(const char* fileName, RgbDecoder decode) {
    std::vector<uint8_t> bytes;
    if (!readImageFile(fileName, bytes)) {
        return 0;
    }
    ImageData image;
    std::string message;
    if (!decode(bytes.data(), bytes.size(), fileName, image, message)) {
        report(message);
        return 0;
    }
    GLuint name = newMipmappedTexture();
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;
    uploadPackedRows(format, image.channels, image.width, image.height, image.pixels.data(), true);
    return name;
}

}  // namespace

GLuint loadBmp(const char* fileName) {
    return loadRgbTexture(fileName, decodeBmp);
}

GLuint loadPcx(const char* fileName) {
    return loadRgbTexture(fileName, decodePcx);
}

GLuint loadDds(const char* fileName) {
    std::vector<uint8_t> bytes;
    if (!readImageFile(fileName, bytes)) {
        return 0;
    }
    DdsImage image;
    std::string message;
    bool ok = decodeDds(bytes.data(), bytes.size(), fileName, image, message);
    if (!message.empty()) {
        report(message);
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
    GLuint name = newMipmappedTexture();
    for (size_t level = 0; level < image.levels.size(); ++level) {
        const DdsLevel& l = image.levels[level];
        glCompressedTexImage2D(GL_TEXTURE_2D, GLint(level), format, l.width, l.height, 0,
                               GLsizei(l.size), image.data.data() + l.offset);
    }
    // A file with fewer levels than a full chain still makes a complete
    // texture: sampling stops at the last level it has.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(image.levels.size()) - 1);
    return name;
}

GLuint loadJpeg(const char* fileName, int option) {
    std::vector<uint8_t> bytes;
    if (!readImageFile(fileName, bytes)) {
        return 0;
    }
    ImageData image;
    std::string message;
    if (!decodeJpeg(bytes.data(), bytes.size(), image, message)) {
        report(std::string("error: couldn't decode \"") + fileName + "\": " + message);
        return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    GLfloat maxAnisotropy = 1.0f;
    if (option == 1) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (option == 1) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
    }
    uploadPackedRows(GL_RGBA, 4, image.width, image.height, image.pixels.data(), true);
    return name;
}
