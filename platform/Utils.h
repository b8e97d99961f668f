// Frame timing, the frame rate shown in the window caption once per second,
// and a few immediate-mode drawing routines for debugging scenes.
#pragma once

#include <cstdint>

class Utils {
public:
    // Milliseconds since the program started; SDL_GetTicks unless a test
    // supplies its own clock.
    using Clock = uint32_t (*)();

    Utils();
    Utils(const Utils&) = delete;
    Utils& operator=(const Utils&) = delete;

    // Once per frame: measures the frame time and, once more than a second
    // has passed since the last time, the frame rate and the caption.
    void updateFrameTiming();
    double getFrameTime() const { return frameTime; }
    int getFps() const { return fps; }
    const char* getCaptionText() const { return captionText; }

    void drawGrid(float x, float y, float z);
    void drawColorCube(float x, float y, float z);
    void drawQuad(float x, float y, float z);
    void drawAxes();

    // A texture from any image file: the engine's own decoder that the name
    // selects (see ImageFormat.h), or SDL_image. Returns the GL texture name,
    // owned by the caller, or 0 when loading fails.
    unsigned loadImageByExtension(const char* fileName);
    // A BMP file through SDL's own BMP reader; the engine itself never calls it.
    unsigned loadBmpThroughSdl(const char* fileName);

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
