/// \file
/// Turns SDL input events into per-frame state: keys down, mouse position and
/// movement, buttons held, and an engine event code for the frame. `update`
/// takes at most one event from SDL's queue per frame.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "base/NonCopyable.h"

/// What the event of a frame was, as the engine reports it.
enum EngineEvent {
    EVENT_NONE = 0,        ///< no event, or one the engine does not report
    EVENT_KEY_DOWN = 1,    ///< a key went down
    EVENT_QUIT = 2,        ///< the window was asked to close
    EVENT_LEFT_UP = 3,     ///< the left mouse button went up
    EVENT_RIGHT_UP = 4,    ///< the right mouse button went up
    EVENT_LEFT_DOWN = 5,   ///< the left mouse button went down
    EVENT_RIGHT_DOWN = 6,  ///< the right mouse button went down
};

/// Input state for the frame: the last event, keys, mouse and the clicked widget.
class EventManager : NonCopyable {
public:
    /// Entries in the key table, indexed by SDL 1.2 key symbol.
    static constexpr int KEY_COUNT = 400;

    EventManager();

    /// Takes at most one event from SDL's queue and refreshes keys and mouse.
    void update();

    /// True when this frame's update took an event.
    bool hasEvent() const { return eventPolled; }
    /// The last event taken.
    SDL_Event getEvent() const { return lastEvent; }
    /// 1 while the key with this SDL key symbol is down, else 0.
    uint8_t isKeyDown(int keySymbol) const;
    /// True when this frame's event was a key going down.
    bool isKeyPressed() const { return keyPressed; }
    /// True when the frame's event code is `code` (an EngineEvent).
    bool isEventCode(int code) const { return code == eventCode; }
    /// The frame's event code (an EngineEvent).
    int getEventCode() const { return eventCode; }
    /// True when this frame's update took an event and Escape is down or the
    /// window was asked to close: when an application's frame loop ends.
    bool quitRequested() const;

    /// The mouse position in window pixels, x.
    int getMouseX() const { return mouseX; }
    /// The mouse position in window pixels, y (down).
    int getMouseY() const { return mouseY; }
    /// How far the mouse moved in x at the last update.
    int mouseDeltaX() const { return mouseX - prevMouseX; }
    /// How far the mouse moved in y at the last update.
    int mouseDeltaY() const { return mouseY - prevMouseY; }
    /// True when the last update moved the mouse.
    bool mouseMoved() const { return mouseX != prevMouseX || mouseY != prevMouseY; }
    /// True while the left button is held.
    bool isLeftButtonDown() const { return leftButton; }
    /// True while the right button is held.
    bool isRightButtonDown() const { return rightButton; }

    /// The id of the GUI widget clicked this frame, or -1.
    int getClickedWidgetId() const { return clickedWidgetId; }
    /// Set by the GUI windows when a widget is clicked.
    void setClickedWidgetId(int id) { clickedWidgetId = id; }

    /// Moves the pointer to (x, y) in the window.
    void warpMouse(int x, int y);

private:
    void handleEvent();
    /// The event's key is down (1) or up (0); keys outside the table are ignored.
    void setKey(uint8_t state);
    /// The event's left or right button is held (`down`) or not, and the
    /// frame's code is that button's; other buttons change nothing.
    void setButton(bool down, int leftCode, int rightCode);

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
