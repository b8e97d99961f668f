#include "gui/Button.h"

#include "core/Engine.h"
#include "gui/WidgetInput.h"
#include "image/Texture.h"
#include "platform/EventManager.h"

Button::Button(const std::string& basePath, unsigned frameCount, const std::string& toggledBasePath,
               unsigned toggledFrameCount, float x, float y, int id)
    : clickable(true),
      hovered(false),
      visible(true),
      normalSequence(std::make_unique<ImageSequence>(basePath, frameCount, x, y)),
      toggledSequence(std::make_unique<ImageSequence>(toggledBasePath, toggledFrameCount, x, y)),
      toggled(false),
      widgetId(id) {}

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
    for (ImageSequence* sequence : {normalSequence.get(), toggledSequence.get()}) {
        for (unsigned i = 0; i < sequence->getFrameCount(); ++i) {
            sequence->getFrame(i)->setWidth(w);
            sequence->getFrame(i)->setHeight(h);
        }
    }
}

void Button::update(float ox, float oy) {
    if (!visible) {
        return;
    }
    // The image is chosen before this frame's click can flip it.
    ImageSequence& shown = toggled ? *toggledSequence : *normalSequence;
    const float left = getX() + ox;
    const float top = getY() + oy;
    hovered = widget::mouseInside(left, top, left + getWidth(), top + getHeight());
    if (hovered && clickable && widget::leftPressed()) {
        Engine::eventManager->setClickedWidgetId(widgetId);
        toggled = !toggled;
    }
    if (hovered) {
        shown.playOnce(left, top);
        if (hint.show) {
            widget::printHint(hint.text, hint.x, hint.y);
        }
    } else {
        shown.rewind();
        shown.drawFrame(0, left, top);
    }
}
