// A flip-book: numbered PNG frames ("base" + number + ".png", from 1) shown
// one at a time at a fixed frame rate, looping or once. It owns its frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Texture;

class ImageSequence {
public:
    // Milliseconds; SDL_GetTicks unless a test supplies its own.
    using Clock = uint32_t (*)();
    static void setClock(Clock clock);

    ImageSequence();
    ImageSequence(const std::string& basePath, unsigned frameCount, float x, float y);
    ~ImageSequence();
    ImageSequence(const ImageSequence&) = delete;
    ImageSequence& operator=(const ImageSequence&) = delete;

    // Draw the current frame, then advance at most one frame when its time
    // has come: wrapping around, or stopping on the last frame.
    void playLooping();
    void playLooping(float x, float y);
    void playOnce();
    void playOnce(float x, float y);
    // Draws frame `index` (0-based) without advancing.
    void drawFrame(unsigned index);
    void drawFrame(unsigned index, float x, float y);
    void rewind() { currentFrame = 1; }

    // The texture of frame `index` (0-based); null past the last frame.
    Texture* getFrame(unsigned index) const;
    unsigned getFrameCount() const { return frameCount; }
    unsigned getCurrentFrame() const { return currentFrame; }
    void setFramesPerSecond(unsigned n) { framesPerSecond = n; }
    unsigned getFramesPerSecond() const { return framesPerSecond; }

    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    float getX() const { return x; }
    float getY() const { return y; }
    void setX(float px) { x = px; }
    void setY(float py) { y = py; }

private:
    void advance(bool loop);

    std::vector<std::unique_ptr<Texture>> frames;
    unsigned frameCount;
    unsigned currentFrame;  // 1-based number of the frame shown next
    float x;
    float y;
    uint32_t lastTick;
    unsigned framesPerSecond;
};
