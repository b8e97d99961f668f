// A line of text printed with font 1, placed relative to its window.
#pragma once

#include <cstdint>
#include <string>

class StaticText {
public:
    StaticText() = default;
    explicit StaticText(const std::string& text) : text(text) {}
    StaticText(const std::string& text, float x, float y) : x(x), y(y), text(text) {}
    StaticText(const std::string& text, float x, float y, float r, float g, float b, float a)
        : x(x), y(y), color{r, g, b, a}, text(text) {}

    void setText(const std::string& value) { text = value; }
    std::string getText() const { return text; }
    void setColor(float r, float g, float b, float a) {
        color[0] = r;
        color[1] = g;
        color[2] = b;
        color[3] = a;
    }
    void setCharacterSet(int8_t set) { characterSet = set; }
    void setScale(float sx, float sy) {
        scaleX = sx;
        scaleY = sy;
    }
    float getX() const { return x; }
    float getY() const { return y; }

    // Prints the text literally (a percent sign is printed as it is).
    void draw() const { drawAt(x, y); }
    void drawAt(float px, float py) const;
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
