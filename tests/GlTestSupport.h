// Helpers for tests that run on the real OpenGL of the test window.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;

// Moves the pointer with a real X warp and waits (bounded) until the event
// manager reports it there.
void moveMouseTo(int x, int y);

// The colour of window pixel (x, y), counted from the top-left corner as the
// 2D overlay counts, read from the back buffer.
inline std::array<uint8_t, 4> readPixel(int x, int y) {
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "the frame read back raised a GL error";
    std::array<uint8_t, 4> rgba{};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kWindowHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
