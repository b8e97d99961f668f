#include "gui/ImageSequence.h"

#include <SDL.h>

#include "image/Texture.h"

namespace {

ImageSequence::Clock sequenceClock = SDL_GetTicks;

}  // namespace

void ImageSequence::setClock(Clock newClock) {
    sequenceClock = newClock != nullptr ? newClock : SDL_GetTicks;
}

ImageSequence::ImageSequence()
    : frameCount(0),
      currentFrame(0),
      x(0.0f),
      y(0.0f),
      lastTick(sequenceClock()),
      framesPerSecond(20) {}

ImageSequence::ImageSequence(const std::string& basePath, unsigned count, float px, float py)
    : frameCount(count),
      currentFrame(1),
      x(0.0f),
      y(0.0f),
      lastTick(sequenceClock()),
      framesPerSecond(20) {
    // A frame whose file is missing keeps its place, as a texture without image.
    for (unsigned i = 1; i <= count; ++i) {
        frames.push_back(std::make_unique<Texture>(basePath + std::to_string(i) + ".png"));
    }
    setPosition(px, py);
}

ImageSequence::~ImageSequence() = default;

Texture* ImageSequence::getFrame(unsigned index) const {
    return index < frames.size() ? frames[index].get() : nullptr;
}

void ImageSequence::setFrameSize(float w, float h) {
    for (const auto& frame : frames) {
        frame->setWidth(w);
        frame->setHeight(h);
    }
}

void ImageSequence::drawFrame(unsigned index) {
    drawFrame(index, x, y);
}

void ImageSequence::drawFrame(unsigned index, float px, float py) {
    if (Texture* frame = getFrame(index)) {
        frame->drawAt(px, py, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    }
}

void ImageSequence::playLooping() {
    playLooping(x, y);
}

void ImageSequence::playLooping(float px, float py) {
    if (currentFrame == 0) {
        return;  // no frames
    }
    drawFrame(currentFrame - 1, px, py);
    advance(true);
}

void ImageSequence::playOnce() {
    playOnce(x, y);
}

void ImageSequence::playOnce(float px, float py) {
    if (currentFrame == 0) {
        return;
    }
    drawFrame(currentFrame - 1, px, py);
    advance(false);
}

void ImageSequence::advance(bool loop) {
    const uint32_t now = sequenceClock();
    const uint32_t elapsed = now - lastTick;
    if (framesPerSecond == 0 || float(elapsed) <= 1000.0f / float(framesPerSecond)) {
        return;
    }
    lastTick = now;
    if (loop) {
        currentFrame = currentFrame + 1 > frameCount ? 1 : currentFrame + 1;
    } else if (currentFrame < frameCount) {
        ++currentFrame;
    }
}
