/// \file
/// The audio device and the registry of loaded sound effects and music. Audio
/// opens when the manager is constructed; effects and tracks register
/// themselves once their file has loaded, the manager owns them from then on
/// and deletes whatever is still registered at shutdown.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"

class Music;
class SoundEffect;

/// Opens the audio device and owns the sound effects and music tracks.
class SoundManager : NonCopyable {
public:
    SoundManager();
    ~SoundManager();

    /// Registers an effect and takes ownership; it becomes the next index.
    void addEffect(SoundEffect* effect);
    /// Registers a track and takes ownership; it becomes the next index.
    void addMusic(Music* music);
    /// Takes the object off the registry (if it is there) and deletes it.
    void removeEffect(SoundEffect* effect);
    /// Takes the track off the registry (if it is there) and deletes it.
    void removeMusic(Music* music);

    /// Clamped to 0..128; effects on every channel.
    void setEffectVolume(int volume);
    /// Clamped to 0..128.
    void setMusicVolume(int volume);
    /// 128, the mixer's own default, until a setter is called.
    int getEffectVolume() const { return effectVolume; }
    /// The music volume, 128 until set.
    int getMusicVolume() const { return musicVolume; }

    /// Index past the registry: nothing.
    void playEffect(size_t index, int loops);
    /// Plays track `index` `loops` times (-1: for ever); nothing past the registry.
    void playMusic(size_t index, int loops);
    /// Stops the music.
    void haltMusic();

    /// The number of effects registered.
    size_t effectCount() const { return effects.size(); }
    /// The number of tracks registered.
    size_t musicCount() const { return tracks.size(); }
    /// False when the audio device could not be opened (everything plays silently).
    bool isAudioOpen() const { return audioOpen; }

private:
    std::vector<std::unique_ptr<SoundEffect>> effects;
    std::vector<std::unique_ptr<Music>> tracks;
    int effectVolume;
    int musicVolume;
    bool audioOpen;
};
