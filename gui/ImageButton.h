// An animated image that plays once while the mouse is over it, shows its
// first frame otherwise, and reports a left click through the event manager's
// clicked-widget identifier.
#pragma once

#include <memory>
#include <string>

#include "gui/ImageSequence.h"

// The hint a widget shows while hovered (its colour is kept, not drawn).
struct WidgetHint {
    std::string text;
    bool show = false;
    float x = 0.0f;
    float y = 0.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};

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

class ImageButton {
public:
    ImageButton(const std::string& basePath, unsigned frameCount, float x, float y, int widgetId);

    // The window's per-frame call, with its top-left corner as origin.
    void update(float originX, float originY);
    void update() { update(0.0f, 0.0f); }

    // The second argument is not used.
    void setHint(const std::string& text, bool, float r, float g, float b, float a, float hintX,
                 float hintY) {
        hint.set(text, r, g, b, a, hintX, hintY);
    }
    void setShowHint(bool flag) { hint.show = flag; }
    void setClickable(bool flag) { clickable = flag; }
    void setVisible(bool flag) { visible = flag; }
    void setHovered(bool flag) { hovered = flag; }
    bool isHovered() const { return hovered; }
    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    void setX(float px) { x = px; }
    void setY(float py) { y = py; }
    float getX() const { return x; }
    float getY() const { return y; }
    float getWidth() const { return width; }
    float getHeight() const { return height; }
    // Also resizes every frame.
    void setSize(float w, float h);
    void setFramesPerSecond(unsigned n) { sequence->setFramesPerSecond(n); }
    Texture* getFrame(unsigned index) const { return sequence->getFrame(index); }
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
