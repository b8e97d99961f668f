#include "image/TextureManager.h"

#include <algorithm>

#include "image/Texture.h"

void TextureManager::addTexture(Texture* texture) {
    if (texture == nullptr) {
        return;
    }
    for (const Texture* listed : textures) {
        if (listed->getGlName() == texture->getGlName()) {
            return;
        }
    }
    textures.push_back(texture);
}

void TextureManager::removeTexture(Texture* texture) {
    if (texture == nullptr) {
        return;
    }
    // The last entry with this GL name is the one taken off.
    for (size_t i = textures.size(); i-- > 0;) {
        if (textures[i]->getGlName() == texture->getGlName()) {
            textures.erase(textures.begin() + long(i));
            delete texture;
            return;
        }
    }
}

void TextureManager::forgetTexture(const Texture* texture) {
    textures.erase(std::remove(textures.begin(), textures.end(), texture), textures.end());
}
