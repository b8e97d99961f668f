// Stencil shadows, the drawing half of the shadow volumes: volume walls
// counted into the stencil buffer, and every pixel left with a non-zero count
// darkened. Works on the current GL context, matrices and viewport; needs none
// of the engine's managers.
#pragma once

#include <vector>

class ShadowVolume;

// A volume's wall triangles, in immediate mode; nothing when it is empty.
// Texturing is left switched off.
void drawShadowVolume(const ShadowVolume& volume);

// Counts the volumes into the stencil buffer: two-sided, in one pass where
// back faces decrement and front faces increment (wrapping); one-sided, in two
// passes over the volumes with face culling. Colour and depth writes are off
// meanwhile and come back on after.
void renderShadowStencil(const std::vector<const ShadowVolume*>& volumes, bool twoSided);

// Halves the colour of every pixel whose stencil count is not zero, with one
// quad over the whole viewport.
void darkenShadowedPixels();
