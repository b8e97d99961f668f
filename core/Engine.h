// The engine kernel: creates the thirteen managers in a fixed order, publishes
// them through static pointers, opens the window and does the engine's share of
// every frame. Exactly one Engine exists per process; CApp creates it.
#pragma once

class GraphicsCore;
class TextureManager;
class WindowManager;
class EventManager;
class Utils;
class SoundManager;
class ShaderManager;
class Camera;
class CameraManager;
class FontManager;
class Logger;
class LightManager;
class GameObjectManager;

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void setShowFps(bool flag);
    bool isShowingFps() const { return showFps; }

    // Opens the window and GL context, reports the driver and loads the
    // built-in shaders. Called once, before the first frame.
    void startVideo(int width, int height, int bitsPerPixel, bool fullscreen, bool use2D);

    // The engine's part of one frame: one input event, the 3D objects, then
    // the 2D overlay. Called between the application's 3D set-up and its swap.
    void renderFrame();

    static GraphicsCore* graphicsCore;
    static TextureManager* textureManager;
    static WindowManager* windowManager;
    static EventManager* eventManager;
    static Utils* utils;
    static SoundManager* soundManager;
    static ShaderManager* shaderManager;
    static Camera* camera;
    static CameraManager* cameraManager;
    static FontManager* fontManager;
    static Logger* logger;
    static LightManager* lightManager;
    static GameObjectManager* gameObjectManager;

private:
    void createManagers();
    void destroyManagers();

    bool showFps;
};
