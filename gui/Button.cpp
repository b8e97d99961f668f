#include "gui/Button.h"

#include "image/Texture.h"

Button::Button(const std::string& basePath, unsigned frameCount, const std::string& toggledBasePath,
               unsigned toggledFrameCount, float x, float y, int id)
    : ButtonControls(id),
      normalSequence(std::make_unique<ImageSequence>(basePath, frameCount, x, y)),
      toggledSequence(std::make_unique<ImageSequence>(toggledBasePath, toggledFrameCount, x, y)),
      toggled(false) {}

float Button::getWidth() const {
    const Texture* first = normalSequence->getFrame(0);
    return first != nullptr ? first->getWidth() : 0.0f;
}

float Button::getHeight() const {
    const Texture* first = normalSequence->getFrame(0);
    return first != nullptr ? first->getHeight() : 0.0f;
}

void Button::setPosition(float x, float y) {
    normalSequence->setPosition(x, y);
    toggledSequence->setPosition(x, y);
}

void Button::setSize(float w, float h) {
    normalSequence->setFrameSize(w, h);
    toggledSequence->setFrameSize(w, h);
}

void Button::update(float ox, float oy) {
    if (!state.visible) {
        return;
    }
    // The image is chosen before this frame's click can flip it.
    ImageSequence& shown = toggled ? *toggledSequence : *normalSequence;
    const float left = getX() + ox;
    const float top = getY() + oy;
    if (state.track(left, top, getWidth(), getHeight())) {
        toggled = !toggled;
    }
    state.draw(shown, left, top);
}
