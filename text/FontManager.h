// The bitmap fonts of the application, numbered from 1.
#pragma once

class FontManager {
public:
    FontManager() = default;
    FontManager(const FontManager&) = delete;
    FontManager& operator=(const FontManager&) = delete;
};
