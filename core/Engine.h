/// \file
/// The engine kernel: creates the thirteen managers in a fixed order, publishes
/// them through static pointers, opens the window and does the engine's share of
/// every frame. Exactly one Engine exists per process; CApp creates it.
#pragma once

#include "base/NonCopyable.h"

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

/// The kernel: owns the thirteen managers and runs the engine's share of each frame.
class Engine : NonCopyable {
public:
    Engine();
    ~Engine();

    /// Shows the frame rate at the top left each frame, and keeps the frame time up to date.
    void setShowFps(bool flag);
    /// Whether the frame rate is shown.
    bool isShowingFps() const { return showFps; }

    /// Opens the window and GL context, reports the driver and loads the
    /// built-in shaders. Called once, before the first frame.
    void startVideo(int width, int height, int bitsPerPixel, bool fullscreen, bool use2D);

    /// The engine's part of one frame: one input event, the 3D objects, then
    /// the 2D overlay. Called between the application's 3D set-up and its swap.
    void renderFrame();

    static GraphicsCore* graphicsCore;            ///< the window, projections and mouse pointer
    static TextureManager* textureManager;        ///< the list of loaded textures
    static WindowManager* windowManager;          ///< the GUI windows
    static EventManager* eventManager;            ///< input events, keys and mouse
    static Utils* utils;                          ///< frame timing and debugging draw routines
    static SoundManager* soundManager;            ///< the audio device, sound effects and music
    static ShaderManager* shaderManager;          ///< the built-in GLSL programs
    static Camera* camera;                        ///< the 3D camera with free-look
    static CameraManager* cameraManager;          ///< the 2D cameras of the overlay
    static FontManager* fontManager;              ///< the fonts; font 1 is the default
    static Logger* logger;                        ///< the log file
    static LightManager* lightManager;            ///< the lights, numbered from 1
    static GameObjectManager* gameObjectManager;  ///< the 3D game objects drawn each frame

private:
    void createManagers();
    void destroyManagers();

    bool showFps;
};
