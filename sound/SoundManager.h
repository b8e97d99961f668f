// The audio device with the registered sound effects and music.
#pragma once

class SoundManager {
public:
    SoundManager() = default;
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;
};
