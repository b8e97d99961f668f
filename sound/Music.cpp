#include "sound/Music.h"

#include <SDL_mixer.h>

#include "base/Console.h"
#include "core/Engine.h"
#include "sound/SoundManager.h"

Music::Music(const std::string& path) : track(nullptr), name(path) {
    if (!path.empty()) {
        load(path);
    }
}

Music::~Music() {
    if (Mix_PlayingMusic() == 1) {
        Mix_HaltMusic();
    }
    if (track != nullptr) {
        Mix_FreeMusic(track);
    }
}

bool Music::load(const std::string& path) {
    track = Mix_LoadMUS(path.c_str());
    if (track == nullptr) {
        console::outLine("Failed to load music " + path);
        return false;
    }
    name = path;
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->addMusic(this);
    }
    return true;
}

void Music::play(int loops) {
    if (track == nullptr) {
        return;
    }
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->haltMusic();
    }
    Mix_PlayMusic(track, loops);
}

// Only a loaded track is registered, so only a loaded track is handed back
// to the manager to delete; one whose load failed stays with its creator.
void Music::release() {
    if (track == nullptr) {
        return;
    }
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->haltMusic();
    }
    Mix_FreeMusic(track);
    track = nullptr;  // freed once: the destructor finds nothing left
    if (Engine::soundManager != nullptr) {
        Engine::soundManager->removeMusic(this);  // deletes this object
    }
}
