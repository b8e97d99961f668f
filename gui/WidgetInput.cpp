#include "gui/WidgetInput.h"

#include "core/Engine.h"
#include "gui/ImageSequence.h"
#include "platform/EventManager.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace widget {

namespace {

bool leftButtonEvent(Uint8 type) {
    const EventManager& events = *Engine::eventManager;
    if (!events.hasEvent()) {
        return false;
    }
    const SDL_Event event = events.getEvent();
    return event.type == type && event.button.button == SDL_BUTTON_LEFT;
}

}  // namespace

bool leftPressed() {
    return leftButtonEvent(SDL_MOUSEBUTTONDOWN);
}

bool leftReleased() {
    return leftButtonEvent(SDL_MOUSEBUTTONUP);
}

bool mouseInside(float left, float top, float right, float bottom) {
    const float x = float(Engine::eventManager->getMouseX());
    const float y = float(Engine::eventManager->getMouseY());
    return left <= x && x <= right && top <= y && y <= bottom;
}

void printHint(const std::string& text, float x, float y) {
    Engine::fontManager->getFont(1)->printAt(x, y, 0, "%s", text.c_str());
}

bool ButtonState::track(float left, float top, float width, float height) {
    hovered = mouseInside(left, top, left + width, top + height);
    if (hovered && clickable && leftPressed()) {
        Engine::eventManager->setClickedWidgetId(widgetId);
        return true;
    }
    return false;
}

void ButtonState::draw(ImageSequence& sequence, float left, float top) const {
    if (hovered) {
        sequence.playOnce(left, top);
        if (hint.show) {
            printHint(hint.text, hint.x, hint.y);
        }
    } else {
        sequence.rewind();
        sequence.drawFrame(0, left, top);
    }
}

}  // namespace widget
