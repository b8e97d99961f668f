/// \file
/// Frame timing, the frame rate shown in the window caption once per second,
/// and a few immediate-mode drawing routines for debugging scenes.
#pragma once

#include <cstdint>

#include "base/NonCopyable.h"

/// Frame timing with the frame-rate caption, and debugging draw routines.
class Utils : NonCopyable {
public:
    /// Milliseconds since the program started; SDL_GetTicks unless a test
    /// supplies its own clock.
    using Clock = uint32_t (*)();

    Utils();

    /// Once per frame: measures the frame time and, once more than a second
    /// has passed since the last time, the frame rate and the caption.
    void updateFrameTiming();
    /// Seconds the last frame took; what time-based motion is scaled by.
    double getFrameTime() const { return frameTime; }
    /// Frames in the last measured second.
    int getFps() const { return fps; }
    /// The caption suffix with the frame rate ("Current FPS: n").
    const char* getCaptionText() const { return captionText; }

    /// A grey 60 x 60 line grid on the XZ plane, centred on (x, y, z).
    void drawGrid(float x, float y, float z);
    /// A cube of edge 2 with a colour per face, centred on (x, y, z).
    void drawColorCube(float x, float y, float z);
    /// A green 2 x 2 quad facing +Z, centred on (x, y, z).
    void drawQuad(float x, float y, float z);
    /// The X, Y and Z axes in red, green and blue, 10 units long.
    void drawAxes();

    /// A texture from any image file: the engine's own decoder that the name
    /// selects (see ImageFormat.h), or SDL_image. Returns the GL texture name,
    /// owned by the caller, or 0 when loading fails.
    unsigned loadImageByExtension(const char* fileName);
    /// A BMP file through SDL's own BMP reader; the engine itself never calls it.
    unsigned loadBmpThroughSdl(const char* fileName);

    /// Replaces the clock (tests give a fake one).
    void setClock(Clock clock) { ticks = clock; }

private:
    int fps;
    double frameTime;
    char captionText[24];

    Clock ticks;
    float previousTime;
    float lastCaptionTime;
    float frameCount;
    bool captionShown;
};
