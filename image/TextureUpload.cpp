#include "image/TextureUpload.h"

#include <GL/glu.h>
#include <SDL.h>

namespace {

// Red, green, blue (, alpha) in memory order on a little-endian machine.
bool isByteOrder(const SDL_PixelFormat* f, int bytesPerPixel, bool alpha) {
    return f->BytesPerPixel == bytesPerPixel && f->Rmask == 0x000000ff && f->Gmask == 0x0000ff00 &&
           f->Bmask == 0x00ff0000 && f->Amask == (alpha ? 0xff000000u : 0u);
}

// Returns the surface itself when it is RGB or RGBA in byte order already,
// otherwise a converted copy (and frees the original).
SDL_Surface* toUploadFormat(SDL_Surface* surface) {
    const SDL_PixelFormat* f = surface->format;
    bool hasAlpha = f->Amask != 0;
    if (isByteOrder(f, 3, false) || (hasAlpha && isByteOrder(f, 4, true))) {
        return surface;
    }
    bool keepAlpha = hasAlpha || (surface->flags & SDL_SRCCOLORKEY) != 0;
    SDL_Surface* converted =
        keepAlpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 32, 0x000000ff,
                                         0x0000ff00, 0x00ff0000, 0xff000000)
                  : SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 24, 0x000000ff,
                                         0x0000ff00, 0x00ff0000, 0);
    if (converted == nullptr) {
        return surface;
    }
    // Copy the alpha channel instead of blending with it; colour-keyed pixels
    // are skipped and stay transparent in the cleared target.
    SDL_SetAlpha(surface, 0, SDL_ALPHA_OPAQUE);
    SDL_FillRect(converted, nullptr, 0);
    SDL_BlitSurface(surface, nullptr, converted, nullptr);
    SDL_FreeSurface(surface);
    return converted;
}

// Sets the unpack state for rows `rowPixels` long and restores it afterwards.
class UnpackRows {
public:
    explicit UnpackRows(int rowPixels) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowPixels);
    }
    ~UnpackRows() {
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength_);
    }
    UnpackRows(const UnpackRows&) = delete;
    UnpackRows& operator=(const UnpackRows&) = delete;

private:
    GLint alignment_ = 4;
    GLint rowLength_ = 0;
};

}  // namespace

GLenum buildMipmapsFromSurface(SDL_Surface* surface) {
    surface = toUploadFormat(surface);
    const int bytesPerPixel = surface->format->BytesPerPixel;
    GLenum format = surface->format->Amask != 0 ? GL_RGBA : GL_RGB;
    {
        // Surface rows may carry fill bytes: GL walks them by the pitch.
        UnpackRows rows(surface->pitch / bytesPerPixel);
        SDL_LockSurface(surface);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), surface->w, surface->h, format,
                          GL_UNSIGNED_BYTE, surface->pixels);
        SDL_UnlockSurface(surface);
    }
    SDL_FreeSurface(surface);
    return format;
}

void uploadPackedRows(GLenum format, int components, int width, int height, const void* pixels,
                      bool mipmaps) {
    UnpackRows rows(0);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE,
                          pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE,
                     pixels);
    }
}
