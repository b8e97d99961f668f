#include "image/SdlSurface.h"

SDL_Surface* toByteOrderSurface(SDL_Surface* surface) {
    static const SdlSurfaceCalls linked = {SDL_CreateRGBSurface, SDL_SetAlpha, SDL_FillRect,
                                           SDL_UpperBlit, SDL_FreeSurface};
    return toByteOrderSurface(surface, linked);
}
