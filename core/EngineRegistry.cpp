// The static manager pointers every manager reaches the others through. They
// are defined apart from the kernel's implementation so that the layers below
// the kernel, which only read them, link without it; the kernel sets them as
// it creates and destroys the managers.
#include "core/Engine.h"

GraphicsCore* Engine::graphicsCore = nullptr;
TextureManager* Engine::textureManager = nullptr;
WindowManager* Engine::windowManager = nullptr;
EventManager* Engine::eventManager = nullptr;
Utils* Engine::utils = nullptr;
SoundManager* Engine::soundManager = nullptr;
ShaderManager* Engine::shaderManager = nullptr;
Camera* Engine::camera = nullptr;
CameraManager* Engine::cameraManager = nullptr;
FontManager* Engine::fontManager = nullptr;
Logger* Engine::logger = nullptr;
LightManager* Engine::lightManager = nullptr;
GameObjectManager* Engine::gameObjectManager = nullptr;
