#include "gui/WidgetInput.h"

#include "core/Engine.h"
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

}  // namespace widget
