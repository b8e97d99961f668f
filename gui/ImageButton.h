/// \file
/// An animated image that plays once while the mouse is over it, shows its
/// first frame otherwise, and reports a left click through the event manager's
/// clicked-widget identifier.
#pragma once

#include <memory>
#include <string>

#include "gui/ImageSequence.h"
#include "gui/WidgetInput.h"

/// An animated image button that reports clicks by its widget id.
class ImageButton : public widget::ButtonControls {
public:
    /// Frames basePath1.png to basePath<frameCount>.png, at (x, y) in its window.
    ImageButton(const std::string& basePath, unsigned frameCount, float x, float y, int widgetId);

    /// The window's per-frame call, with its top-left corner as origin.
    void update(float originX, float originY);
    /// The per-frame call of a button outside any window.
    void update() { update(0.0f, 0.0f); }

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
    std::unique_ptr<ImageSequence> sequence;
    float width;
    float height;
};
