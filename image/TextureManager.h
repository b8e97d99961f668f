/// \file
/// The engine-wide list of loaded textures. It does not own them: whoever
/// creates a texture deletes it, or hands it to removeTexture.
#pragma once

#include <vector>

#include "base/NonCopyable.h"

class Texture;

/// The list of loaded textures (not their owner).
class TextureManager : NonCopyable {
public:
    /// An empty list.
    TextureManager() = default;

    /// Appends, unless a texture with the same GL name is already listed.
    void addTexture(Texture* texture);
    /// Takes the texture off the list and deletes it; a texture that is not
    /// listed is left alone.
    void removeTexture(Texture* texture);
    /// Takes every entry for this object off the list without deleting it;
    /// called by a texture that is being destroyed.
    void forgetTexture(const Texture* texture);

    /// The listed textures, in the order they were added.
    const std::vector<Texture*>& getTextures() const { return textures; }

private:
    std::vector<Texture*> textures;
};
