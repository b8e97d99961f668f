#include "sound/SoundEffect.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "base/Console.h"
#include "core/Engine.h"
#include "sound/SoundManager.h"

SoundEffect::SoundEffect(const std::string& path) : chunk(nullptr), name(path) {
    if (!path.empty()) {
        load(path);
    }
}

SoundEffect::~SoundEffect() {
    if (chunk != nullptr) {
        Mix_FreeChunk(chunk);
    }
}

bool SoundEffect::load(const std::string& path) {
    chunk = Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
    if (chunk == nullptr) {
        console::outLine("Failed to load sound: " + path);
        return false;
    }
    name = path;
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->addEffect(this);
    }
    return true;
}

int SoundEffect::play(int loops) {
    if (chunk == nullptr) {
        return 0;
    }
    int channel = Mix_PlayChannel(-1, chunk, loops);
    if (channel == -1) {
        console::outLine("Failed to play sound " + name + " " + SDL_GetError());
    }
    return channel;
}

void SoundEffect::release() {
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->removeEffect(this);  // deletes this object
    }
}
