/// \file
/// A short sample played on any free mixer channel. Registers itself with the
/// sound manager when its file loads.
#pragma once

#include <string>

#include "base/NonCopyable.h"

struct Mix_Chunk;

/// One sound sample, played on a free mixer channel.
class SoundEffect : NonCopyable {
public:
    /// An empty path loads nothing (and registers nothing).
    explicit SoundEffect(const std::string& path);
    ~SoundEffect();

    /// Loads the sample and registers it with the sound manager; false (reported) when it cannot.
    bool load(const std::string& path);
    /// The channel it plays on; 0 when there is no sample, -1 when the mixer
    /// could not play it (reported).
    int play(int loops);
    /// The manager takes this effect off its registry and deletes it.
    void release();

    /// True once a sample has loaded.
    bool isLoaded() const { return chunk != nullptr; }
    /// The path the sample was loaded from.
    const std::string& getName() const { return name; }

private:
    Mix_Chunk* chunk;
    std::string name;
};
