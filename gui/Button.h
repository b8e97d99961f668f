/// \file
/// A two-state button: two animated images, flipped on every left click, which
/// is also reported through the event manager's clicked-widget identifier. Its
/// hit rectangle is the normal image's first frame whichever image shows.
#pragma once

#include <memory>
#include <string>

#include "gui/ImageSequence.h"
#include "gui/WidgetInput.h"

/// A two-state button that flips between its two animated images on each click.
class Button : public widget::ButtonControls {
public:
    /// The normal and the toggled image from numbered PNG frames, at (x, y) in its window.
    Button(const std::string& basePath, unsigned frameCount, const std::string& toggledBasePath,
           unsigned toggledFrameCount, float x, float y, int widgetId);

    /// The window's per-frame call, with its top-left corner as origin.
    void update(float originX, float originY);
    /// The per-frame call of a button outside any window.
    void update() { update(0.0f, 0.0f); }

    /// Shows the toggled image (true) or the normal one.
    void setToggled(bool flag) { toggled = flag; }
    /// True while the toggled image shows.
    bool isToggled() const { return toggled; }
    /// Moves both images, relative to the window.
    void setPosition(float x, float y);
    /// Moves the button horizontally.
    void setX(float x) { setPosition(x, getY()); }
    /// Moves the button vertically.
    void setY(float y) { setPosition(getX(), y); }
    /// The left edge, relative to the window.
    float getX() const { return normalSequence->getX(); }
    /// The top edge, relative to the window.
    float getY() const { return normalSequence->getY(); }
    /// The width of the hit rectangle.
    float getWidth() const;
    /// The height of the hit rectangle.
    float getHeight() const;
    /// Resizes every frame of both images.
    void setSize(float w, float h);
    /// The toggled image (true) or the normal one.
    const ImageSequence& getSequence(bool toggledImage) const {
        return toggledImage ? *toggledSequence : *normalSequence;
    }

private:
    std::unique_ptr<ImageSequence> normalSequence;
    std::unique_ptr<ImageSequence> toggledSequence;
    bool toggled;
};
