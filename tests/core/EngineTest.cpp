#include "core/Engine.h"

#include <gtest/gtest.h>

#include "core/Logger.h"
#include "platform/Camera.h"
#include "tests/TempDir.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const char* const kStartupTranscript =
    "\n"
    "Varno Engine version 0.02...\n"
    "\n"
    "Initialize Graphics Core...done\n"
    "Initialize Texture Manager...done\n"
    "Initialize Window Manager...done\n"
    "Initialize Event Manager...done\n"
    "Initialize Utils...done\n"
    "Initialize Sound Manager...done\n"
    "Initialize Shader Manager...done\n"
    "Initialize the Camera...done\n"
    "Initialize the Camera Manager...done\n"
    "Initialize the Font Manager...done\n"
    "Initialize the Logger...done\n"
    "Initialize the Light Manager...done\n"
    "Initialize the 3D Game Object Manager...done\n";

bool allManagersNull() {
    return !Engine::graphicsCore && !Engine::textureManager && !Engine::windowManager &&
           !Engine::eventManager && !Engine::utils && !Engine::soundManager &&
           !Engine::shaderManager && !Engine::camera && !Engine::cameraManager &&
           !Engine::fontManager && !Engine::logger && !Engine::lightManager &&
           !Engine::gameObjectManager;
}

bool allManagersSet() {
    return Engine::graphicsCore && Engine::textureManager && Engine::windowManager &&
           Engine::eventManager && Engine::utils && Engine::soundManager && Engine::shaderManager &&
           Engine::camera && Engine::cameraManager && Engine::fontManager && Engine::logger &&
           Engine::lightManager && Engine::gameObjectManager;
}

}  // namespace

class EngineTest : public TempDirTest {};

TEST_F(EngineTest, StartupPrintsTheTranscriptAndShutdownClearsEveryManager) {
    CaptureStdout();
    auto* engine = new Engine();
    EXPECT_EQ(GetCapturedStdout(), kStartupTranscript);
    EXPECT_TRUE(allManagersSet());
    EXPECT_FALSE(engine->isShowingFps());

    CaptureStdout();
    delete engine;
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(allManagersNull());
    // The logger was deleted too: its closing line is in the file.
    std::string log = readFile("Varno_Engine.log");
    EXPECT_NE(log.find("Logger started...\nLogger stopped...\n"), std::string::npos) << log;
}

TEST_F(EngineTest, ShutdownSkipsManagersAlreadyGone) {
    CaptureStdout();
    auto* engine = new Engine();
    GetCapturedStdout();
    delete Engine::camera;
    Engine::camera = nullptr;
    delete Engine::logger;
    Engine::logger = nullptr;
    delete engine;
    EXPECT_TRUE(allManagersNull());
}

TEST_F(EngineTest, WithoutAudioTheSoundManagerSaysSoBeforeItsAnnouncement) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CaptureStdout();
    auto* engine = new Engine();
    std::string out = GetCapturedStdout();
    delete engine;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_NE(out.find("Initialize Utils...done\nUnable to open audio\n"
                       "Initialize Sound Manager...done\n"
                       "Initialize Shader Manager...done\n"),
              std::string::npos)
        << out;
}
