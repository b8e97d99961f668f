// The 3D game objects of the scene, drawn every frame.
#pragma once

class GameObjectManager {
public:
    GameObjectManager() = default;
    GameObjectManager(const GameObjectManager&) = delete;
    GameObjectManager& operator=(const GameObjectManager&) = delete;
};
