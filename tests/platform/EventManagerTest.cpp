#include "platform/EventManager.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Events go through SDL's real queue; the dummy video driver gives a queue
// without a display.
class EventManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_Event drain;
        while (SDL_PollEvent(&drain) == 1) {
        }
    }
    void TearDown() override { SDL_Quit(); }

    static void pushKey(Uint8 type, SDLKey key) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static void pushButton(Uint8 type, Uint8 button) {
        SDL_Event event{};
        event.type = type;
        event.button.type = type;
        event.button.button = button;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static void pushQuit() {
        SDL_Event event{};
        event.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }

    EventManager events;
};

TEST_F(EventManagerTest, KeyStateIsLevelTriggeredWhileTheCodeLastsOneUpdate) {
    pushKey(SDL_KEYDOWN, SDLK_q);
    pushKey(SDL_KEYUP, SDLK_q);

    events.update();
    EXPECT_TRUE(events.hasEvent());
    EXPECT_TRUE(events.isEventCode(EVENT_KEY_DOWN));
    EXPECT_TRUE(events.isKeyPressed());
    EXPECT_EQ(events.isKeyDown(113), 1);

    events.update();
    EXPECT_TRUE(events.hasEvent());
    EXPECT_TRUE(events.isEventCode(EVENT_NONE));
    EXPECT_FALSE(events.isKeyPressed());
    EXPECT_EQ(events.isKeyDown(113), 0);
}

TEST_F(EventManagerTest, TakesOneEventPerUpdate) {
    for (int i = 0; i < 10; ++i) {
        pushKey(SDL_KEYDOWN, SDLKey(SDLK_a + i));
    }
    for (int i = 0; i < 10; ++i) {
        events.update();
        EXPECT_TRUE(events.hasEvent()) << i;
        EXPECT_EQ(events.isKeyDown(SDLK_a + i), 1) << i;
        EXPECT_EQ(events.isKeyDown(SDLK_a + i + 1), 0) << i;
    }
    events.update();
    EXPECT_FALSE(events.hasEvent());
}

TEST_F(EventManagerTest, UpdateWithoutNewEventAppliesThePreviousOneAgain) {
    pushKey(SDL_KEYDOWN, SDLK_SPACE);
    events.update();
    events.update();
    EXPECT_FALSE(events.hasEvent());
    EXPECT_TRUE(events.isEventCode(EVENT_KEY_DOWN));
    EXPECT_EQ(events.isKeyDown(32), 1);
}

TEST_F(EventManagerTest, MouseButtonsSetCodesAndHeldState) {
    struct Case {
        Uint8 type;
        Uint8 button;
        int code;
        bool left;
        bool right;
    };
    const Case cases[] = {
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, EVENT_LEFT_DOWN, true, false},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, EVENT_RIGHT_DOWN, true, true},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, EVENT_NONE, true, true},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, EVENT_NONE, true, true},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, EVENT_LEFT_UP, false, true},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, EVENT_RIGHT_UP, false, false},
    };
    for (const Case& c : cases) {
        pushButton(c.type, c.button);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.button));
        events.update();
        EXPECT_EQ(events.getEventCode(), c.code);
        EXPECT_EQ(events.isLeftButtonDown(), c.left);
        EXPECT_EQ(events.isRightButtonDown(), c.right);
        EXPECT_EQ(events.getEvent().type, c.type);
    }
}

TEST_F(EventManagerTest, CloseRequestGivesQuitCode) {
    pushQuit();
    events.update();
    EXPECT_TRUE(events.hasEvent());
    EXPECT_TRUE(events.isEventCode(EVENT_QUIT));
    EXPECT_FALSE(events.isEventCode(EVENT_KEY_DOWN));
}

TEST_F(EventManagerTest, QuitIsAskedByCloseOrEscapeInAFrameWithAnEvent) {
    pushQuit();
    events.update();
    EXPECT_TRUE(events.quitRequested());
    events.update();  // the close request applied again, but no event taken
    EXPECT_FALSE(events.quitRequested());

    pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    pushKey(SDL_KEYDOWN, SDLK_a);
    events.update();
    EXPECT_TRUE(events.quitRequested());
    events.update();  // Escape is still held
    EXPECT_TRUE(events.quitRequested());
    events.update();
    EXPECT_FALSE(events.quitRequested());
}

TEST_F(EventManagerTest, ClickedWidgetIdLastsOneFrame) {
    events.setClickedWidgetId(7);
    EXPECT_EQ(events.getClickedWidgetId(), 7);
    events.update();
    EXPECT_EQ(events.getClickedWidgetId(), -1);
}

TEST_F(EventManagerTest, KeySymbolsOutsideTheTableAreIgnored) {
    EXPECT_EQ(events.isKeyDown(-1), 0);
    EXPECT_EQ(events.isKeyDown(EventManager::KEY_COUNT), 0);
    EXPECT_EQ(events.isKeyDown(100000), 0);
}
