/// \file
/// A flip-book: numbered PNG frames ("base" + number + ".png", from 1) shown
/// one at a time at a fixed frame rate, looping or once. It owns its frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/NonCopyable.h"

class Texture;

/// An animation of numbered PNG frames.
class ImageSequence : NonCopyable {
public:
    /// Milliseconds; SDL_GetTicks unless a test supplies its own.
    using Clock = uint32_t (*)();
    /// Replaces the clock of every sequence (tests give a fake one).
    static void setClock(Clock clock);

    ImageSequence();
    /// Loads basePath1.png to basePath<frameCount>.png, drawn at (x, y).
    ImageSequence(const std::string& basePath, unsigned frameCount, float x, float y);
    ~ImageSequence();

    /// Draw the current frame, then advance at most one frame when its time
    /// has come: wrapping around, or stopping on the last frame.
    void playLooping();
    /// As playLooping(), at (x, y).
    void playLooping(float x, float y);
    /// As playLooping(), but stops on the last frame.
    void playOnce();
    /// As playOnce(), at (x, y).
    void playOnce(float x, float y);
    /// Draws frame `index` (0-based) without advancing.
    void drawFrame(unsigned index);
    /// As drawFrame(index), at (x, y).
    void drawFrame(unsigned index, float x, float y);
    /// Starts again from the first frame.
    void rewind() { currentFrame = 1; }

    /// The texture of frame `index` (0-based); null past the last frame.
    Texture* getFrame(unsigned index) const;
    /// The number of frames.
    unsigned getFrameCount() const { return frameCount; }
    /// Gives every frame width w and height h.
    void setFrameSize(float w, float h);
    /// The 1-based number of the frame shown next.
    unsigned getCurrentFrame() const { return currentFrame; }
    /// The speed of the animation.
    void setFramesPerSecond(unsigned n) { framesPerSecond = n; }
    /// The speed of the animation.
    unsigned getFramesPerSecond() const { return framesPerSecond; }

    /// Where the frames are drawn.
    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    /// Where the frames are drawn, x.
    float getX() const { return x; }
    /// Where the frames are drawn, y.
    float getY() const { return y; }
    /// Moves the drawing place horizontally.
    void setX(float px) { x = px; }
    /// Moves the drawing place vertically.
    void setY(float py) { y = py; }

private:
    void advance(bool loop);

    std::vector<std::unique_ptr<Texture>> frames;
    unsigned frameCount;
    unsigned currentFrame;  ///< 1-based number of the frame shown next
    float x;
    float y;
    uint32_t lastTick;
    unsigned framesPerSecond;
};
