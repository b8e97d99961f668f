#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "core/Engine.h"
#include "gui/Button.h"
#include "gui/ImageButton.h"
#include "gui/ImageSequence.h"
#include "gui/StaticText.h"
#include "gui/Window.h"
#include "gui/WindowManager.h"
#include "image/Texture.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "tests/GlTestSupport.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace {

// Frames "base1.png" .. "baseN.png" of one colour each. SDL_image finds the
// format from the bytes, so bitmaps under these names load.
std::string makeFrames(const std::string& name, int count, int w, int h) {
    const std::string base = "/tmp/varno-gui-" + name;
    for (int i = 1; i <= count; ++i) {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xff, 0xff00, 0xff0000, 0);
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, Uint8(40 * i), 100, 200));
        SDL_SaveBMP(s, (base + std::to_string(i) + ".png").c_str());
        SDL_FreeSurface(s);
    }
    return base;
}

void push(Uint8 type, Uint8 button) {
    SDL_Event event{};
    event.type = type;
    event.button.type = type;
    event.button.button = button;
    SDL_PushEvent(&event);
}

// One engine frame's worth of input: the pending events, one per update.
void drain() {
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
    }
}

// Puts the pointer at (x, y) and lets the event manager take one update, so
// the mouse delta of that frame is the whole move.
void pointerAt(int x, int y) {
    Engine::eventManager->warpMouse(x, y);
    for (int i = 0; i < 100; ++i) {
        SDL_PumpEvents();
        int nowX = 0;
        int nowY = 0;
        SDL_GetMouseState(&nowX, &nowY);
        if (nowX == x && nowY == y) {
            break;
        }
        SDL_Delay(5);
    }
    drain();
    Engine::eventManager->update();
    ASSERT_EQ(Engine::eventManager->getMouseX(), x);
}

// A press (or release) of the left button in this frame, at the pointer.
void clickFrame(Uint8 type) {
    drain();
    push(type, SDL_BUTTON_LEFT);
    Engine::eventManager->update();
}

uint32_t fakeNow = 0;
uint32_t fakeClock() {
    return fakeNow;
}

}  // namespace

TEST(Gui, DragBarEdgesAndDragging) {
    Window window(100, 100, 300, 200, makeFrames("bg", 1, 64, 64) + "1.png", false, 1.0f, 15, 7,
                  true);
    window.setOpen(true);
    pointerAt(100, 115);
    EXPECT_TRUE(window.isOverDragBar());
    pointerAt(100, 116);
    EXPECT_FALSE(window.isOverDragBar());
    pointerAt(300, 100);
    EXPECT_TRUE(window.isOverDragBar());

    pointerAt(150, 105);
    clickFrame(SDL_MOUSEBUTTONDOWN);
    window.update();
    ASSERT_TRUE(window.isDragging());
    pointerAt(160, 100);  // moved by (10, -5) in one frame
    window.update();
    EXPECT_EQ(window.getLeft(), 110.0f);
    EXPECT_EQ(window.getRight(), 310.0f);
    EXPECT_EQ(window.getTop(), 95.0f);
    EXPECT_EQ(window.getBottom(), 195.0f);
    clickFrame(SDL_MOUSEBUTTONUP);
    window.update();
    EXPECT_FALSE(window.isDragging());

    window.setVisible(false);  // hidden: neither moved nor drawn
    pointerAt(170, 100);
    window.update();
    EXPECT_EQ(window.getLeft(), 110.0f);
}

TEST(Gui, BackgroundIsCutToTheWindowAndWidgetsFittedInside) {
    const std::string big = makeFrames("big", 1, 256, 256) + "1.png";
    const std::string small = makeFrames("small", 1, 64, 64) + "1.png";
    Window cut(0, 0, 200, 100, big, false, 1.0f, 15, 1, false);
    EXPECT_EQ(cut.getImages()[0]->getWidth(), 200.0f);
    EXPECT_EQ(cut.getImages()[0]->getHeight(), 100.0f);
    Window kept(0, 0, 200, 100, small, false, 1.0f, 15, 1, false);
    EXPECT_EQ(kept.getImages()[0]->getWidth(), 64.0f);
    Window stretched(0, 0, 200, 100, small, true, 1.0f, 15, 1, false);
    EXPECT_EQ(stretched.getImages()[0]->getHeight(), 100.0f);

    kept.addImageButton(makeFrames("wide", 2, 50, 20), 2, 180.0f, 90.0f, 3);
    EXPECT_EQ(kept.getImageButtons()[0]->getX(), 150.0f);
    EXPECT_EQ(kept.getImageButtons()[0]->getY(), 80.0f);
    kept.getImageButtons()[0]->setSize(32.0f, 16.0f);
    EXPECT_EQ(kept.getImageButtons()[0]->getFrame(1)->getWidth(), 32.0f);
}

TEST(Gui, ButtonClickReportsItsIdAndFlipsFromTheNextFrame) {
    Button button(makeFrames("off", 2, 40, 20), 2, makeFrames("on", 2, 60, 30), 2, 50.0f, 50.0f,
                  42);
    pointerAt(90, 70);  // the normal image's far corner: inside
    clickFrame(SDL_MOUSEBUTTONDOWN);
    button.update();
    EXPECT_EQ(Engine::eventManager->getClickedWidgetId(), 42);
    EXPECT_TRUE(button.isToggled());

    // The toggled image is larger, but the hit rectangle stays the normal one.
    pointerAt(100, 75);
    clickFrame(SDL_MOUSEBUTTONDOWN);
    button.update();
    EXPECT_EQ(Engine::eventManager->getClickedWidgetId(), -1);
    EXPECT_TRUE(button.isToggled());

    button.setClickable(false);  // hover still plays, clicks report nothing
    pointerAt(60, 60);
    clickFrame(SDL_MOUSEBUTTONDOWN);
    button.update();
    EXPECT_TRUE(button.isHovered());
    EXPECT_EQ(Engine::eventManager->getClickedWidgetId(), -1);

    ImageButton hidden(makeFrames("img", 1, 20, 20), 1, 55.0f, 55.0f, 9);
    hidden.setVisible(false);
    clickFrame(SDL_MOUSEBUTTONDOWN);
    hidden.update();
    EXPECT_EQ(Engine::eventManager->getClickedWidgetId(), -1);
    hidden.setVisible(true);
    hidden.update();
    EXPECT_EQ(Engine::eventManager->getClickedWidgetId(), 9);
}

TEST(Gui, SequencePlaysOnceAtMostOneFramePerCall) {
    ImageSequence::setClock(fakeClock);
    fakeNow = 1000;
    ImageSequence sequence(makeFrames("seq", 4, 8, 8), 4, 0.0f, 0.0f);
    std::vector<unsigned> shown;
    for (int call = 0; call < 6; ++call) {
        shown.push_back(sequence.getCurrentFrame());
        fakeNow += 500;  // far more than 50 ms: still one frame per call
        sequence.playOnce();
    }
    EXPECT_EQ(shown, std::vector<unsigned>({1, 2, 3, 4, 4, 4}));
    sequence.rewind();
    EXPECT_EQ(sequence.getCurrentFrame(), 1u);
    fakeNow += 50;  // exactly 50 ms: not yet
    sequence.playLooping();
    EXPECT_EQ(sequence.getCurrentFrame(), 1u);
    ImageSequence::setClock(nullptr);
}

TEST(Gui, ManagerShowsWindowsAndTextsPrintLiterally) {
    WindowManager manager;
    const std::string image = makeFrames("w", 1, 16, 16) + "1.png";
    auto* a = new Window(0, 0, 100, 100, image, false, 1.0f, 15, 5, false);
    auto* b = new Window(0, 0, 100, 100, image, false, 1.0f, 15, 5, false);
    manager.addWindow(a);
    manager.addWindow(b);
    manager.openWindow(5);
    EXPECT_TRUE(a->isVisible() && b->isVisible());
    manager.closeAll();
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(a->isOpen());

    a->addStaticText(new StaticText("100% done", 10.0f, 10.0f));
    manager.updateAll();
    EXPECT_STREQ(Engine::fontManager->getFont(1)->lastText(), "100% done");
}
