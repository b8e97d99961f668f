/// \file
/// A line of text printed with font 1, placed relative to its window.
#pragma once

#include <cstdint>
#include <string>

/// A fixed line of text in a GUI window.
class StaticText {
public:
    StaticText() = default;
    /// The text at (0, 0) in white.
    explicit StaticText(const std::string& text) : text(text) {}
    /// The text at (x, y) in its window, in white.
    StaticText(const std::string& text, float x, float y) : x(x), y(y), text(text) {}
    /// The text at (x, y) in its window, in the colour given.
    StaticText(const std::string& text, float x, float y, float r, float g, float b, float a)
        : x(x), y(y), color{r, g, b, a}, text(text) {}

    /// Replaces the text.
    void setText(const std::string& value) { text = value; }
    /// The text.
    std::string getText() const { return text; }
    /// The colour the text is printed in.
    void setColor(float r, float g, float b, float a) {
        color[0] = r;
        color[1] = g;
        color[2] = b;
        color[3] = a;
    }
    /// The font's character set (0 to 3, see Font::print).
    void setCharacterSet(int8_t set) { characterSet = set; }
    /// The glyph scale.
    void setScale(float sx, float sy) {
        scaleX = sx;
        scaleY = sy;
    }
    /// The place in the window, x.
    float getX() const { return x; }
    /// The place in the window, y.
    float getY() const { return y; }

    /// Prints the text literally (a percent sign is printed as it is).
    void draw() const { drawAt(x, y); }
    /// Prints the text at (px, py) in screen pixels.
    void drawAt(float px, float py) const;
    /// The window's per-frame call, with its top-left corner as origin.
    void update(float originX, float originY) const { drawAt(x + originX, y + originY); }

private:
    float x = 0.0f;
    float y = 0.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string text = "Static Text";
    int8_t characterSet = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
};
