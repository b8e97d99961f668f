// Runs the GL tests inside one engine with its window open, as the
// demonstration has it: 1024x768, 3D, the built-in shaders loaded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include <GL/glew.h>
#include <SDL.h>

#include "core/Engine.h"
#include "platform/EventManager.h"
#include "tests/GlTestSupport.h"

namespace {

std::unique_ptr<Engine> engine;

class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        engine = std::make_unique<Engine>();
        engine->startVideo(1024, 768, 24, false, false);
    }
    void TearDown() override { engine.reset(); }
};

// Every GL test ends with no GL error pending: whatever it drew or set up
// raised none.
class GlErrorCheck : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        GLenum error = glGetError();
        if (error != GL_NO_ERROR) {
            ADD_FAILURE() << test.test_suite_name() << "." << test.name() << " left GL error 0x"
                          << std::hex << error;
            while (glGetError() != GL_NO_ERROR) {
            }
        }
    }
};

}  // namespace

void moveMouseTo(int x, int y) {
    Engine::eventManager->warpMouse(x, y);
    for (int i = 0; i < 100; ++i) {
        SDL_PumpEvents();
        Engine::eventManager->update();
        if (Engine::eventManager->getMouseX() == x && Engine::eventManager->getMouseY() == y) {
            return;
        }
        SDL_Delay(5);
    }
    ADD_FAILURE() << "pointer did not reach " << x << "," << y;
}

// libX11, Mesa and SDL keep allocations until the process ends, which the leak
// checker would report; the window tests check memory errors, not leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    // A real X11 window even where SDL would fall back to a text console.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment());
    ::testing::UnitTest::GetInstance()->listeners().Append(new GlErrorCheck());
    return RUN_ALL_TESTS();
}
