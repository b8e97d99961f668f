/// \file
/// SDL surfaces in the one layout the texture upload and varno-inspect take:
/// 8-bit RGB or RGBA in byte order (red first in memory), rows `pitch` bytes
/// apart. SDL only, no GL.
#pragma once

struct SDL_Surface;

/// Returns the surface itself when it is in that layout already, otherwise a
/// converted copy, and frees the original. Palette, 16-bit, BGR and
/// colour-keyed surfaces are converted; a surface with alpha or a colour key
/// becomes RGBA (key-coloured pixels transparent), any other RGB. Null, with
/// the original freed, when no copy can be made.
SDL_Surface* toByteOrderSurface(SDL_Surface* surface);
