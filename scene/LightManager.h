// The scene's lights, numbered from 1.
#pragma once

class LightManager {
public:
    LightManager() = default;
    LightManager(const LightManager&) = delete;
    LightManager& operator=(const LightManager&) = delete;
};
