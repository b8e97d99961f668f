#include "image/TextureUpload.h"

#include <GL/glu.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/ImageData.h"
#include "image/SdlSurface.h"

namespace {

MipmapBuild forcedBuild = MipmapBuild::Automatic;

GLenum pixelFormat(int channels) {
    switch (channels) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

bool hasGenerateMipmap() {
    return glGenerateMipmap != nullptr || glGenerateMipmapEXT != nullptr;
}

// Whether GL takes level 0 at this size as it is; gluBuild2DMipmaps shrinks
// a picture that it does not take.
bool fitsAsIs(int width, int height, GLenum format) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                 nullptr);
    GLint proxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
    return proxyWidth != 0;
}

// Sets the unpack state that walks the rows as laid out and restores the
// previous state afterwards. Rows whose pitch GL cannot express are not
// described (`described` false): the caller packs them first.
class UnpackRows {
public:
    explicit UnpackRows(const PixelRows& rows) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength_);
        const size_t rowBytes = size_t(rows.width) * size_t(rows.channels);
        GLint alignment = 0;
        GLint rowLength = 0;
        for (GLint a : {1, 2, 4, 8}) {
            if (rows.pitch == (rowBytes + size_t(a) - 1) / size_t(a) * size_t(a)) {
                alignment = a;
                break;
            }
        }
        if (alignment == 0 && rows.channels > 0 && rows.pitch % size_t(rows.channels) == 0) {
            alignment = 1;
            rowLength = GLint(rows.pitch / size_t(rows.channels));
        }
        described = alignment != 0;
        glPixelStorei(GL_UNPACK_ALIGNMENT, described ? alignment : 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    }
    ~UnpackRows() {
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength_);
    }
    UnpackRows(const UnpackRows&) = delete;
    UnpackRows& operator=(const UnpackRows&) = delete;

    bool described = false;

private:
    GLint alignment_ = 4;
    GLint rowLength_ = 0;
};

void uploadBase(const PixelRows& rows, GLenum format) {
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), rows.width, rows.height, 0, format,
                 GL_UNSIGNED_BYTE, rows.pixels);
}

void uploadWithMipmaps(const PixelRows& rows, GLenum format, MipmapBuild build) {
    switch (build) {
        case MipmapBuild::GenerateMipmap:
            uploadBase(rows, format);
            if (glGenerateMipmap != nullptr) {
                glGenerateMipmap(GL_TEXTURE_2D);
            } else {
                glGenerateMipmapEXT(GL_TEXTURE_2D);
            }
            return;
        case MipmapBuild::GenerateMipmapParameter:
            // The switch is turned off again, so the texture keeps no trace of it.
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
            uploadBase(rows, format);
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
            return;
        case MipmapBuild::Automatic:
        case MipmapBuild::Glu:
            break;
    }
    gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), rows.width, rows.height, format,
                      GL_UNSIGNED_BYTE, rows.pixels);
}

}  // namespace

void setTextureParameters(const TextureParameters& parameters) {
    GLfloat anisotropy = 1.0f;
    if (parameters.strongestAnisotropy) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    }
    if (parameters.wrap != 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, parameters.wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, parameters.wrap);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, parameters.minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, parameters.magFilter);
    if (parameters.strongestAnisotropy) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
    }
    if (parameters.maxLevel >= 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, parameters.maxLevel);
    }
}

GLuint newTexture(const TextureParameters& parameters) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setTextureParameters(parameters);
    return name;
}

PixelRows rowsOf(const ImageData& image) {
    return {image.width, image.height, image.channels, image.pixels.data(), image.rowBytes()};
}

MipmapBuild mipmapBuildFor(int width, int height, int channels) {
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height) ||
        !fitsAsIs(width, height, pixelFormat(channels))) {
        return MipmapBuild::Glu;
    }
    if (hasGenerateMipmap()) {
        return MipmapBuild::GenerateMipmap;
    }
    if (GLEW_VERSION_1_4 || GLEW_SGIS_generate_mipmap) {
        return MipmapBuild::GenerateMipmapParameter;
    }
    return MipmapBuild::Glu;
}

void setMipmapBuild(MipmapBuild build) {
    forcedBuild = build;
}

void uploadRows(const PixelRows& rows, TextureLevels levels) {
    const GLenum format = pixelFormat(rows.channels);
    UnpackRows unpack(rows);
    if (!unpack.described) {
        // Rows GL cannot walk: pack them tightly first.
        const size_t rowBytes = size_t(rows.width) * size_t(rows.channels);
        std::vector<uint8_t> packed(rowBytes * size_t(rows.height));
        for (int y = 0; y < rows.height; ++y) {
            std::memcpy(packed.data() + size_t(y) * rowBytes,
                        static_cast<const uint8_t*>(rows.pixels) + size_t(y) * rows.pitch,
                        rowBytes);
        }
        PixelRows tight = rows;
        tight.pixels = packed.data();
        tight.pitch = rowBytes;
        uploadRows(tight, levels);
        return;
    }
    if (levels == TextureLevels::BaseOnly) {
        uploadBase(rows, format);
        return;
    }
    MipmapBuild build = forcedBuild;
    if (build == MipmapBuild::Automatic) {
        build = mipmapBuildFor(rows.width, rows.height, rows.channels);
    } else if (build == MipmapBuild::GenerateMipmap && !hasGenerateMipmap()) {
        build = MipmapBuild::Glu;
    }
    uploadWithMipmaps(rows, format, build);
}

void uploadSurface(SDL_Surface* surface) {
    surface = toByteOrderSurface(surface);
    if (surface == nullptr) {
        return;
    }
    SDL_LockSurface(surface);
    PixelRows rows;
    rows.width = surface->w;
    rows.height = surface->h;
    rows.channels = surface->format->BytesPerPixel;
    rows.pixels = surface->pixels;
    rows.pitch = size_t(surface->pitch);
    uploadRows(rows, TextureLevels::Mipmapped);
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
}
