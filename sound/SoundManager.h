// The audio device and the registry of loaded sound effects and music. Audio
// opens when the manager is constructed; effects and tracks register
// themselves once their file has loaded, the manager owns them from then on
// and deletes whatever is still registered at shutdown.
#pragma once

#include <memory>
#include <vector>

class Music;
class SoundEffect;

class SoundManager {
public:
    SoundManager();
    ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    void addEffect(SoundEffect* effect);
    void addMusic(Music* music);
    // Takes the object off the registry (if it is there) and deletes it.
    void removeEffect(SoundEffect* effect);
    void removeMusic(Music* music);

    // Clamped to 0..128; effects on every channel.
    void setEffectVolume(int volume);
    void setMusicVolume(int volume);
    // 128, the mixer's own default, until a setter is called.
    int getEffectVolume() const { return effectVolume; }
    int getMusicVolume() const { return musicVolume; }

    // Index past the registry: nothing.
    void playEffect(size_t index, int loops);
    void playMusic(size_t index, int loops);
    void haltMusic();

    size_t effectCount() const { return effects.size(); }
    size_t musicCount() const { return tracks.size(); }
    bool isAudioOpen() const { return audioOpen; }

private:
    std::vector<std::unique_ptr<SoundEffect>> effects;
    std::vector<std::unique_ptr<Music>> tracks;
    int effectVolume;
    int musicVolume;
    bool audioOpen;
};
