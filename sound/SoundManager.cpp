#include "sound/SoundManager.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

#include "base/Console.h"
#include "sound/Music.h"
#include "sound/SoundEffect.h"

namespace {

template <typename T>
void removeFrom(std::vector<std::unique_ptr<T>>& list, T* object) {
    auto found = std::find_if(list.begin(), list.end(), [object](const std::unique_ptr<T>& entry) {
        return entry.get() == object;
    });
    if (found != list.end()) {
        found->release();  // deleted below, once
        list.erase(found);
    }
    delete object;
}

template <typename T>
void playFrom(const std::vector<std::unique_ptr<T>>& list, size_t index, int loops) {
    if (index < list.size()) {
        list[index]->play(loops);
    }
}

}  // namespace

SoundManager::SoundManager()
    : effectVolume(MIX_MAX_VOLUME), musicVolume(MIX_MAX_VOLUME), audioOpen(false) {
    audioOpen = SDL_Init(SDL_INIT_AUDIO) == 0 && Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 4096) == 0;
    if (!audioOpen) {
        console::outLine("Unable to open audio");
        SDL_Quit();
    }
}

SoundManager::~SoundManager() {
    effects.clear();
    haltMusic();
    tracks.clear();
    if (audioOpen) {
        Mix_CloseAudio();
    }
}

void SoundManager::addEffect(SoundEffect* effect) {
    effects.emplace_back(effect);
}

void SoundManager::addMusic(Music* music) {
    tracks.emplace_back(music);
}

void SoundManager::removeEffect(SoundEffect* effect) {
    removeFrom(effects, effect);
}

void SoundManager::removeMusic(Music* music) {
    removeFrom(tracks, music);
}

void SoundManager::setEffectVolume(int volume) {
    effectVolume = std::clamp(volume, 0, MIX_MAX_VOLUME);
    Mix_Volume(-1, effectVolume);
}

void SoundManager::setMusicVolume(int volume) {
    musicVolume = std::clamp(volume, 0, MIX_MAX_VOLUME);
    Mix_VolumeMusic(musicVolume);
}

void SoundManager::playEffect(size_t index, int loops) {
    playFrom(effects, index, loops);
}

void SoundManager::playMusic(size_t index, int loops) {
    playFrom(tracks, index, loops);
}

void SoundManager::haltMusic() {
    if (Mix_PlayingMusic() == 1) {
        Mix_HaltMusic();
    }
}
