/// \file
/// A streamed music track; one plays at a time. Registers itself with the
/// sound manager when its file loads.
#pragma once

#include <string>

#include "base/NonCopyable.h"

/// SDL_mixer's music stream.
typedef struct _Mix_Music Mix_Music;

/// A music track streamed by SDL_mixer.
class Music : NonCopyable {
public:
    /// An empty path loads nothing (and registers nothing).
    explicit Music(const std::string& path);
    /// Frees the track (it stops if it plays).
    ~Music();

    /// Loads the file and registers the track; prints a message and returns
    /// false when SDL_mixer cannot read it.
    bool load(const std::string& path);
    /// Stops whatever music plays, then plays this track.
    void play(int loops);
    /// Stops and frees the track; the manager takes this object off its
    /// registry and deletes it. A track that never loaded is left as it is:
    /// its creator still owns it.
    void release();

    /// True while a track is loaded.
    bool isLoaded() const { return track != nullptr; }
    /// The path the track was loaded from.
    const std::string& getName() const { return name; }

private:
    Mix_Music* track;
    std::string name;
};
