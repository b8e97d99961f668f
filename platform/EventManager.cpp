#include "platform/EventManager.h"

#include <cstring>

EventManager::EventManager()
    : keyPressed(false),
      eventCode(EVENT_NONE),
      eventPolled(false),
      mouseX(0),
      mouseY(0),
      prevMouseX(0),
      prevMouseY(0),
      leftButton(false),
      rightButton(false),
      clickedWidgetId(-1) {
    std::memset(&lastEvent, 0, sizeof lastEvent);
    std::memset(keys, 0, sizeof keys);
}

void EventManager::update() {
    prevMouseX = mouseX;
    prevMouseY = mouseY;
    SDL_GetMouseState(&mouseX, &mouseY);
    clickedWidgetId = -1;
    eventPolled = SDL_PollEvent(&lastEvent) == 1;
    eventCode = EVENT_NONE;
    keyPressed = false;
    // With no new event the record still holds the previous one and its effect
    // is applied again; consumers look at hasEvent() before the event code.
    handleEvent();
}

bool EventManager::quitRequested() const {
    return eventPolled && (isKeyDown(SDLK_ESCAPE) == 1 || eventCode == EVENT_QUIT);
}

void EventManager::handleEvent() {
    switch (lastEvent.type) {
        case SDL_KEYDOWN:
            keyPressed = true;
            eventCode = EVENT_KEY_DOWN;
            setKey(1);
            break;
        case SDL_KEYUP:
            setKey(0);
            break;
        case SDL_MOUSEBUTTONDOWN:
            setButton(true, EVENT_LEFT_DOWN, EVENT_RIGHT_DOWN);
            break;
        case SDL_MOUSEBUTTONUP:
            setButton(false, EVENT_LEFT_UP, EVENT_RIGHT_UP);
            break;
        case SDL_QUIT:
            eventCode = EVENT_QUIT;
            break;
        default:
            break;
    }
}

void EventManager::setKey(uint8_t state) {
    const int sym = lastEvent.key.keysym.sym;
    if (sym >= 0 && sym < KEY_COUNT) {
        keys[sym] = state;
    }
}

void EventManager::setButton(bool down, int leftCode, int rightCode) {
    if (lastEvent.button.button == SDL_BUTTON_LEFT) {
        leftButton = down;
        eventCode = leftCode;
    } else if (lastEvent.button.button == SDL_BUTTON_RIGHT) {
        rightButton = down;
        eventCode = rightCode;
    }
}

uint8_t EventManager::isKeyDown(int keySymbol) const {
    if (keySymbol < 0 || keySymbol >= KEY_COUNT) {
        return 0;
    }
    return keys[keySymbol];
}

void EventManager::warpMouse(int x, int y) {
    SDL_WarpMouse(uint16_t(x), uint16_t(y));
}
