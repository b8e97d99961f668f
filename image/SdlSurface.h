/// \file
/// SDL surfaces in the one layout the texture upload and varno-inspect take:
/// 8-bit RGB or RGBA in byte order (red first in memory), rows `pitch` bytes
/// apart. SDL only, no GL.
#pragma once

#include <SDL.h>

/// The SDL calls a conversion makes. The engine passes the SDL it links;
/// varno-inspect, which opens SDL only for the files that need it, passes the
/// ones it found at run time.
struct SdlSurfaceCalls {
    /// SDL_CreateRGBSurface
    SDL_Surface* (*createRgbSurface)(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32);
    int (*setAlpha)(SDL_Surface*, Uint32, Uint8);                   ///< SDL_SetAlpha
    int (*fillRect)(SDL_Surface*, SDL_Rect*, Uint32);               ///< SDL_FillRect
    int (*blit)(SDL_Surface*, SDL_Rect*, SDL_Surface*, SDL_Rect*);  ///< SDL_UpperBlit
    void (*freeSurface)(SDL_Surface*);                              ///< SDL_FreeSurface
};

/// Returns the surface itself when it is in that layout already, otherwise a
/// converted copy, and frees the original. Palette, 16-bit, BGR and
/// colour-keyed surfaces are converted; a surface with alpha or a colour key
/// becomes RGBA (key-coloured pixels transparent), any other RGB. Null, with
/// the original freed, when no copy can be made.
inline SDL_Surface* toByteOrderSurface(SDL_Surface* surface, const SdlSurfaceCalls& sdl) {
    if (surface == nullptr) {
        return nullptr;
    }
    // Red, green, blue (, alpha) in memory order on a little-endian machine.
    const SDL_PixelFormat* f = surface->format;
    const auto isByteOrder = [f](int bytesPerPixel, bool alpha) {
        return f->BytesPerPixel == bytesPerPixel && f->Rmask == 0x000000ff &&
               f->Gmask == 0x0000ff00 && f->Bmask == 0x00ff0000 &&
               f->Amask == (alpha ? 0xff000000u : 0u);
    };
    const bool hasAlpha = f->Amask != 0;
    if (isByteOrder(3, false) || (hasAlpha && isByteOrder(4, true))) {
        return surface;
    }
    const bool keepAlpha = hasAlpha || (surface->flags & SDL_SRCCOLORKEY) != 0;
    SDL_Surface* converted =
        sdl.createRgbSurface(SDL_SWSURFACE, surface->w, surface->h, keepAlpha ? 32 : 24, 0x000000ff,
                             0x0000ff00, 0x00ff0000, keepAlpha ? 0xff000000 : 0);
    if (converted != nullptr) {
        // Copy the alpha channel instead of blending with it; colour-keyed
        // pixels are skipped and stay transparent in the cleared target.
        sdl.setAlpha(surface, 0, SDL_ALPHA_OPAQUE);
        sdl.fillRect(converted, nullptr, 0);
        sdl.blit(surface, nullptr, converted, nullptr);
    }
    sdl.freeSurface(surface);
    return converted;
}

/// toByteOrderSurface() with the SDL the engine links.
SDL_Surface* toByteOrderSurface(SDL_Surface* surface);
