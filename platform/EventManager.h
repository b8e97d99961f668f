// Turns SDL input events into per-frame state: keys down, mouse position and
// movement, buttons held, and an engine event code for the frame. `update`
// takes at most one event from SDL's queue per frame.
#pragma once

#include <SDL.h>

#include <cstdint>

enum EngineEvent {
    EVENT_NONE = 0,
    EVENT_KEY_DOWN = 1,
    EVENT_QUIT = 2,
    EVENT_LEFT_UP = 3,
    EVENT_RIGHT_UP = 4,
    EVENT_LEFT_DOWN = 5,
    EVENT_RIGHT_DOWN = 6,
};

class EventManager {
public:
    static constexpr int KEY_COUNT = 400;

    EventManager();
    EventManager(const EventManager&) = delete;
    EventManager& operator=(const EventManager&) = delete;

    void update();

    bool hasEvent() const { return eventPolled; }
    SDL_Event getEvent() const { return lastEvent; }
    uint8_t isKeyDown(int keySymbol) const;
    bool isKeyPressed() const { return keyPressed; }
    bool isEventCode(int code) const { return code == eventCode; }
    int getEventCode() const { return eventCode; }

    int getMouseX() const { return mouseX; }
    int getMouseY() const { return mouseY; }
    int mouseDeltaX() const { return mouseX - prevMouseX; }
    int mouseDeltaY() const { return mouseY - prevMouseY; }
    bool mouseMoved() const { return mouseX != prevMouseX || mouseY != prevMouseY; }
    bool isLeftButtonDown() const { return leftButton; }
    bool isRightButtonDown() const { return rightButton; }

    int getClickedWidgetId() const { return clickedWidgetId; }
    void setClickedWidgetId(int id) { clickedWidgetId = id; }

    void warpMouse(int x, int y);

private:
    void handleEvent();

    SDL_Event lastEvent;
    uint8_t keys[KEY_COUNT];
    bool keyPressed;
    int eventCode;
    bool eventPolled;
    int mouseX;
    int mouseY;
    int prevMouseX;
    int prevMouseY;
    bool leftButton;
    bool rightButton;
    int clickedWidgetId;
};
