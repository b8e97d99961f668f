#include "text/FontManager.h"

#include "base/Console.h"
#include "text/Font.h"

FontManager::FontManager() = default;

// The fonts live until the engine shuts down; their display lists go with them.
FontManager::~FontManager() = default;

void FontManager::loadFont(const std::string& path) {
    auto font = std::make_unique<Font>();
    console::outLine("Loading Font: " + path);
    font->load(path.c_str());
    fonts.push_back(std::move(font));
}

Font* FontManager::getFont(unsigned n) const {
    if (fonts.empty()) {
        return nullptr;
    }
    if (n == 0 || n > fonts.size()) {
        return fonts.back().get();
    }
    return fonts[n - 1].get();
}
