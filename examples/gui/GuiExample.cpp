// The GUI example: a window to drag by its bar, with a background image, a
// static text, an animated image button (a gear) and a two-state button (a
// switch). The pointer changes over the drag bar. Clicks show on screen and on
// standard output; Escape quits.
#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>

#include "app/CApp.h"
#include "core/Engine.h"
#include "gui/Button.h"
#include "gui/StaticText.h"
#include "gui/Window.h"
#include "gui/WindowManager.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace {

constexpr int kGearId = 1;
constexpr int kSwitchId = 2;

class GuiExample : public CApp {
public:
    void init() override {
        engine->startVideo(1024, 768, 24, true, false);
        engine->setShowFps(true);
        Engine::graphicsCore->setCaption("Varno Engine - GUI Example");
        Engine::graphicsCore->loadMousePointers("Data/MousePointer.png",
                                                "Data/Gui/pointer_move.png");

        window = new Window(350, 250, 670, 450, "Data/Gui/panel.png", false, 1.0f, 20, 1, true);
        window->setHint("Drag me by this bar", false, 1.0f, 1.0f, 1.0f, 1.0f, 352.0f, 230.0f);
        window->addStaticText(new StaticText("Varno GUI", 12.0f, 3.0f, 1.0f, 0.9f, 0.6f, 1.0f));
        // 12 pixels a character: a line of the 320-pixel window holds 25.
        window->addStaticText(new StaticText("Gear: a button", 12.0f, 148.0f));
        window->addStaticText(new StaticText("Switch: 100% two-state", 12.0f, 168.0f));
        window->addImageButton("Data/Gui/gear", 8, 60.0f, 70.0f, kGearId);
        window->addButton("Data/Gui/switch_off", 4, "Data/Gui/switch_on", 4, 200.0f, 78.0f,
                          kSwitchId);
        switchButton = window->getButtons().back().get();
        Engine::windowManager->addWindow(window);
        Engine::windowManager->openWindow(1);
    }

    void run() override {
        for (;;) {
            glClearColor(0.12f, 0.14f, 0.18f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            engine->renderFrame();
            report();
            SDL_GL_SwapBuffers();

            if (Engine::eventManager->quitRequested()) {
                return;
            }
        }
    }

    void shutdown() override {}
    void reservedA() override {}
    void reservedB() override {}

private:
    // The clicked widget is read in the frame of the click, after the windows
    // have been updated.
    void report() {
        const int clicked = Engine::eventManager->getClickedWidgetId();
        if (clicked != -1) {
            lastClicked = clicked;
            std::printf("Clicked widget %d\n", clicked);
            if (clicked == kSwitchId) {
                std::printf("Switch is %s\n", switchButton->isToggled() ? "on" : "off");
            }
            std::fflush(stdout);
        }
        if (wasDragging && !window->isDragging()) {
            std::printf("Window moved to (%.0f, %.0f)\n", window->getLeft(), window->getTop());
            std::fflush(stdout);
        }
        wasDragging = window->isDragging();

        Font* font = Engine::fontManager->getFont(1);
        font->print(1, 30, 0, 1.0f, 1.0f, 1.0f, "Last clicked widget: %d", lastClicked);
        font->print(1, 48, 0, 1.0f, 1.0f, 1.0f, "Switch: %s",
                    switchButton->isToggled() ? "on" : "off");
        font->print(1, 66, 0, 0.7f, 0.7f, 0.7f, "Drag the window by its bar; Escape quits");
    }

    Window* window = nullptr;
    Button* switchButton = nullptr;
    int lastClicked = -1;
    bool wasDragging = false;
};

}  // namespace

int main(int, char**) {
    return runProgram<GuiExample>();
}
