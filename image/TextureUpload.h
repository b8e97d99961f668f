// Pixel uploads shared by the texture loaders: SDL surfaces in whatever layout
// SDL_image hands back (palette, 16-bit, BGR, colour key, padded rows), and
// the decoders' tightly packed rows.
#pragma once

#include <GL/glew.h>

struct SDL_Surface;

// Builds the mipmap chain of the bound GL_TEXTURE_2D from the surface with
// gluBuild2DMipmaps, converting it first where needed. Frees the surface.
// Returns the format used: GL_RGBA for a surface with alpha (or a colour
// key), GL_RGB otherwise.
GLenum buildMipmapsFromSurface(SDL_Surface* surface);

// Uploads tightly packed rows (no padding) to the bound texture, level 0 or
// the whole mipmap chain, whatever the current unpack alignment.
void uploadPackedRows(GLenum format, int components, int width, int height, const void* pixels,
                      bool mipmaps);
