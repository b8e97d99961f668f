// A two-state button: two animated images, flipped on every left click, which
// is also reported through the event manager's clicked-widget identifier. Its
// hit rectangle is the normal image's first frame whichever image shows.
#pragma once

#include <memory>
#include <string>

#include "gui/ImageButton.h"
#include "gui/ImageSequence.h"

class Button {
public:
    Button(const std::string& basePath, unsigned frameCount, const std::string& toggledBasePath,
           unsigned toggledFrameCount, float x, float y, int widgetId);

    void update(float originX, float originY);
    void update() { update(0.0f, 0.0f); }

    void setHint(const std::string& text, bool, float r, float g, float b, float a, float hintX,
                 float hintY) {
        hint.set(text, r, g, b, a, hintX, hintY);
    }
    void setShowHint(bool flag) { hint.show = flag; }
    void setClickable(bool flag) { clickable = flag; }
    void setVisible(bool flag) { visible = flag; }
    void setHovered(bool flag) { hovered = flag; }
    bool isHovered() const { return hovered; }
    void setToggled(bool flag) { toggled = flag; }
    bool isToggled() const { return toggled; }
    void setPosition(float x, float y);
    void setX(float x) { setPosition(x, getY()); }
    void setY(float y) { setPosition(getX(), y); }
    float getX() const { return normalSequence->getX(); }
    float getY() const { return normalSequence->getY(); }
    float getWidth() const;
    float getHeight() const;
    // Resizes every frame of both images.
    void setSize(float w, float h);
    const ImageSequence& getSequence(bool toggledImage) const {
        return toggledImage ? *toggledSequence : *normalSequence;
    }

private:
    bool clickable;
    bool hovered;
    bool visible;
    std::unique_ptr<ImageSequence> normalSequence;
    std::unique_ptr<ImageSequence> toggledSequence;
    bool toggled;
    WidgetHint hint;
    int widgetId;
};
