/// \file
/// The one way pixels become a GL texture: texture parameters, and the upload
/// of 8-bit rows (from every decoder and from SDL_image surfaces) into the
/// bound GL_TEXTURE_2D, at level 0 only or with a mipmap chain.
#pragma once

#include <GL/glew.h>

#include <cstddef>

struct ImageData;
struct SDL_Surface;

/// The sampling state of a texture, set in one place by setTextureParameters().
struct TextureParameters {
    GLint minFilter = GL_LINEAR;  ///< GL_TEXTURE_MIN_FILTER
    GLint magFilter = GL_LINEAR;  ///< GL_TEXTURE_MAG_FILTER
    GLint wrap = 0;               ///< GL_TEXTURE_WRAP_S and _T; 0 leaves them as they are
    GLint maxLevel = -1;          ///< GL_TEXTURE_MAX_LEVEL; -1 leaves it as it is
    /// GL_TEXTURE_MAX_ANISOTROPY_EXT = the strongest the driver offers
    bool strongestAnisotropy = false;
};

/// Sets the parameters on the bound GL_TEXTURE_2D.
void setTextureParameters(const TextureParameters& parameters);
/// Generates a texture name, binds it and sets the parameters.
GLuint newTexture(const TextureParameters& parameters);

/// Rows of 8-bit pixels: 1 (luminance), 2 (luminance, alpha), 3 (RGB) or 4
/// (RGBA) channels, `pitch` bytes from the start of one row to the next. Rows
/// go to GL in the order they are in memory.
struct PixelRows {
    int width = 0;                 ///< pixels per row
    int height = 0;                ///< rows
    int channels = 0;              ///< 1 to 4 bytes per pixel
    const void* pixels = nullptr;  ///< the first row
    size_t pitch = 0;              ///< bytes from one row to the next
};

/// The rows of a decoded image, as they lie in memory.
PixelRows rowsOf(const ImageData& image);

/// How a mipmapped upload builds its chain. gluBuild2DMipmaps rescales a
/// picture whose sides are not powers of two (or that is too large) to one
/// that is, and builds every level in software; the others upload level 0 as
/// it is and let GL build the rest.
enum class MipmapBuild { Automatic, Glu, GenerateMipmap, GenerateMipmapParameter };

/// What Automatic does for such a picture: GL's own generation where the GL in
/// use offers it and level 0 goes up as it is, gluBuild2DMipmaps where it must
/// rescale, so the picture stays the same either way.
MipmapBuild mipmapBuildFor(int width, int height, int channels);
/// Makes every later mipmapped upload build its chain one way (Automatic
/// restores the choice above); tests and benchmarks compare the ways.
void setMipmapBuild(MipmapBuild build);

/// Whether an upload fills level 0 only or builds the mipmap chain too.
enum class TextureLevels { BaseOnly, Mipmapped };

/// Uploads into the bound GL_TEXTURE_2D, whatever the unpack state (which it
/// leaves as it was). The internal format is the data format: GL_LUMINANCE,
/// GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA by the number of channels.
void uploadRows(const PixelRows& rows, TextureLevels levels);

/// Uploads an SDL surface with its mipmaps, converting it first where needed
/// (toByteOrderSurface: RGBA for a surface with alpha or a colour key, RGB
/// otherwise), and frees it. Nothing is uploaded when it cannot be converted.
void uploadSurface(SDL_Surface* surface);
