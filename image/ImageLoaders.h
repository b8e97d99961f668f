// Texture loaders built on the engine's own decoders. Each reads the file,
// decodes it, reports a failure on standard error and uploads the pixels into
// a new mipmapped texture, whose GL name it returns (0 on failure). The caller
// owns the name; nothing is registered with the texture manager.
#pragma once

#include <GL/glew.h>

GLuint loadBmp(const char* fileName);
GLuint loadPcx(const char* fileName);
// The stored levels are uploaded compressed, as they are.
GLuint loadDds(const char* fileName);
// Option 1 turns on the strongest anisotropic filtering the driver offers.
GLuint loadJpeg(const char* fileName, int option);
