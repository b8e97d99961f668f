/// \file
/// The bitmap fonts of the application, numbered from 1 in loading order. Font 1
/// is the default font the engine loads at start-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/NonCopyable.h"

class Font;

/// Keeps the loaded fonts, numbered from 1 in loading order.
class FontManager : NonCopyable {
public:
    FontManager();
    ~FontManager();

    /// Creates, loads and appends a font (a missing sheet ends the program).
    void loadFont(const std::string& path);
    /// Font n for 1 <= n <= count; for 0 or n past the count, the last one
    /// loaded; null only while no font is loaded.
    Font* getFont(unsigned n) const;
    /// The number of fonts loaded.
    unsigned getCount() const { return unsigned(fonts.size()); }

private:
    std::vector<std::unique_ptr<Font>> fonts;
};
