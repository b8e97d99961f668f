/// \file
/// Image files to GL textures. Each loader reads the file, decodes it, reports
/// a failure on standard error and uploads the pixels into a new texture,
/// whose GL name it returns (0 on failure). The caller owns the name; nothing
/// is registered with the texture manager.
#pragma once

#include <GL/glew.h>

/// Mipmapped, with the engine's own decoders.
GLuint loadBmp(const char* fileName);
/// Mipmapped, with the engine's own decoder.
GLuint loadPcx(const char* fileName);
/// The stored levels are uploaded compressed, as they are.
GLuint loadDds(const char* fileName);
/// Option 1 turns on the strongest anisotropic filtering the driver offers.
GLuint loadJpeg(const char* fileName, int option);

/// The decoder that the file's name selects (ImageFormat.h), or SDL_image:
/// repeat wrapping, linear filtering and, when `anisotropic` says the driver
/// has it, the strongest anisotropic filtering.
GLuint loadTextureByExtension(const char* fileName, bool anisotropic);
/// A BMP file through SDL's own BMP reader, as RGB rows bottom row first, with
/// the parameters of the SDL_image path.
GLuint loadBmpTextureThroughSdl(const char* fileName, bool anisotropic);
