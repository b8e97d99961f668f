/// \file
/// An animated image that plays once while the mouse is over it, shows its
/// first frame otherwise, and reports a left click through the event manager's
/// clicked-widget identifier.
#pragma once

#include <memory>
#include <string>

#include "gui/ImageSequence.h"

/// The hint a widget shows while hovered (its colour is kept, not drawn).
struct WidgetHint {
    /// The text shown.
    std::string text;
    /// Whether it shows while hovered.
    bool show = false;
    /// Where it is printed, x in screen pixels.
    float x = 0.0f;
    /// Where it is printed, y in screen pixels.
    float y = 0.0f;
    /// Its colour, red, green, blue and alpha.
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    /// Sets text, colour and place, and shows it.
    void set(const std::string& value, float r, float g, float b, float a, float px, float py) {
        text = value;
        show = true;
        color[0] = r;
        color[1] = g;
        color[2] = b;
        color[3] = a;
        x = px;
        y = py;
    }
};

/// An animated image button that reports clicks by its widget id.
class ImageButton {
public:
    /// Frames basePath1.png to basePath<frameCount>.png, at (x, y) in its window.
    ImageButton(const std::string& basePath, unsigned frameCount, float x, float y, int widgetId);

    /// The window's per-frame call, with its top-left corner as origin.
    void update(float originX, float originY);
    /// The per-frame call of a button outside any window.
    void update() { update(0.0f, 0.0f); }

    /// The second argument is not used.
    void setHint(const std::string& text, bool, float r, float g, float b, float a, float hintX,
                 float hintY) {
        hint.set(text, r, g, b, a, hintX, hintY);
    }
    /// Shows the hint while hovered, or not.
    void setShowHint(bool flag) { hint.show = flag; }
    /// Whether clicks are reported.
    void setClickable(bool flag) { clickable = flag; }
    /// Whether the button is drawn.
    void setVisible(bool flag) { visible = flag; }
    /// Set each frame from the mouse position.
    void setHovered(bool flag) { hovered = flag; }
    /// True while the mouse is over the button.
    bool isHovered() const { return hovered; }
    /// Moves the button, relative to the window.
    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    /// Moves the button horizontally.
    void setX(float px) { x = px; }
    /// Moves the button vertically.
    void setY(float py) { y = py; }
    /// The left edge, relative to the window.
    float getX() const { return x; }
    /// The top edge, relative to the window.
    float getY() const { return y; }
    /// The width of the hit rectangle (the first frame's).
    float getWidth() const { return width; }
    /// The height of the hit rectangle (the first frame's).
    float getHeight() const { return height; }
    /// Also resizes every frame.
    void setSize(float w, float h);
    /// The speed of the animation.
    void setFramesPerSecond(unsigned n) { sequence->setFramesPerSecond(n); }
    /// Frame `index` (0-based), or null past the last.
    Texture* getFrame(unsigned index) const { return sequence->getFrame(index); }
    /// The animation.
    const ImageSequence& getSequence() const { return *sequence; }

private:
    float x;
    float y;
    bool clickable;
    bool visible;
    bool hovered;
    std::unique_ptr<ImageSequence> sequence;
    WidgetHint hint;
    float width;
    float height;
    int widgetId;
};
