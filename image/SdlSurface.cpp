#include "image/SdlSurface.h"

#include <SDL.h>

namespace {

// Red, green, blue (, alpha) in memory order on a little-endian machine.
bool isByteOrder(const SDL_PixelFormat* f, int bytesPerPixel, bool alpha) {
    return f->BytesPerPixel == bytesPerPixel && f->Rmask == 0x000000ff && f->Gmask == 0x0000ff00 &&
           f->Bmask == 0x00ff0000 && f->Amask == (alpha ? 0xff000000u : 0u);
}

}  // namespace

SDL_Surface* toByteOrderSurface(SDL_Surface* surface) {
    if (surface == nullptr) {
        return nullptr;
    }
    const SDL_PixelFormat* f = surface->format;
    const bool hasAlpha = f->Amask != 0;
    if (isByteOrder(f, 3, false) || (hasAlpha && isByteOrder(f, 4, true))) {
        return surface;
    }
    const bool keepAlpha = hasAlpha || (surface->flags & SDL_SRCCOLORKEY) != 0;
    SDL_Surface* converted =
        keepAlpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 32, 0x000000ff,
                                         0x0000ff00, 0x00ff0000, 0xff000000)
                  : SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 24, 0x000000ff,
                                         0x0000ff00, 0x00ff0000, 0);
    if (converted != nullptr) {
        // Copy the alpha channel instead of blending with it; colour-keyed
        // pixels are skipped and stay transparent in the cleared target.
        SDL_SetAlpha(surface, 0, SDL_ALPHA_OPAQUE);
        SDL_FillRect(converted, nullptr, 0);
        SDL_BlitSurface(surface, nullptr, converted, nullptr);
    }
    SDL_FreeSurface(surface);
    return converted;
}
