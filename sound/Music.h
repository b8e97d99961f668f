// A streamed music track; one plays at a time. Registers itself with the
// sound manager when its file loads.
#pragma once

#include <string>

typedef struct _Mix_Music Mix_Music;

class Music {
public:
    // An empty path loads nothing (and registers nothing).
    explicit Music(const std::string& path);
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    bool load(const std::string& path);
    // Stops whatever music plays, then plays this track.
    void play(int loops);
    // Stops and frees the track; the manager takes this object off its
    // registry and deletes it. A track that never loaded is left as it is:
    // its creator still owns it.
    void release();

    bool isLoaded() const { return track != nullptr; }
    const std::string& getName() const { return name; }

private:
    Mix_Music* track;
    std::string name;
};
