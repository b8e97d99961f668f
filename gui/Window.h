/// \file
/// A screen-space GUI window: a rectangle with background images and widgets
/// (image buttons, two-state buttons, static texts), optionally dragged by a
/// bar along its top edge. It owns everything added to it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/NonCopyable.h"
#include "gui/WidgetInput.h"

class Button;
class ImageButton;
class StaticText;
class Texture;

/// A draggable GUI window with a background image and widgets.
class Window : NonCopyable {
public:
    Window();
    /// The image becomes the background: cut to the window's size, or
    /// stretched to it exactly.
    Window(int left, int top, int right, int bottom, const std::string& imagePath, bool stretch,
           float alpha, int dragBarHeight, int id, bool draggable);
    ~Window();

    /// Moves and resizes the window (screen pixels).
    void setRect(float left, float top, float right, float bottom);
    /// Positions are relative to the window's top-left corner.
    void addImage(const std::string& path, unsigned x, unsigned y, float alpha);
    /// Adds a loaded image and takes ownership; its own x and y place it in the window.
    void addImage(Texture* texture);
    /// Widgets that stick out past the right or bottom edge are moved inside.
    void addImageButton(const std::string& basePath, unsigned frameCount, float x, float y,
                        int widgetId);
    /// Adds a button and takes ownership.
    void addImageButton(ImageButton* button);
    /// A two-state button from numbered PNG frames; moved inside like the image button.
    void addButton(const std::string& basePath, unsigned frameCount,
                   const std::string& toggledBasePath, unsigned toggledFrameCount, float x, float y,
                   int widgetId);
    /// Adds a two-state button and takes ownership.
    void addButton(Button* button);
    /// Adds a text and takes ownership.
    void addStaticText(StaticText* text);

    /// Opening shows the window; hiding closes it.
    void setOpen(bool flag);
    /// Shows or hides the window; hiding also closes it.
    void setVisible(bool flag);
    /// Whether the window is drawn.
    bool isVisible() const { return visible; }
    /// Whether the window is open.
    bool isOpen() const { return open; }
    /// The id given at construction.
    int getId() const { return id; }
    /// Whether the drag bar moves the window.
    void setDraggable(bool flag) { draggable = flag; }
    /// The height of the drag bar along the top edge.
    void setDragBarHeight(unsigned n) { dragBarHeight = n; }
    /// True while the window is being dragged.
    bool isDragging() const { return dragging; }
    /// The text is printed literally while the mouse is over the drag bar; the
    /// second argument is not used and the colour is kept, not drawn.
    void setHint(const char* text, bool, float r, float g, float b, float a, float x, float y);
    /// Shows the drag bar's hint while hovered, or not.
    void setShowHint(bool flag) { hint.show = flag; }

    /// Per frame: drag handling, then the images and widgets.
    void update();
    /// Draws at (x, y) instead of the window's corner, without dragging.
    void drawAtOrigin(float x, float y);

    /// The left edge in screen pixels.
    float getLeft() const { return left; }
    /// The top edge in screen pixels.
    float getTop() const { return top; }
    /// The right edge in screen pixels.
    float getRight() const { return right; }
    /// The bottom edge in screen pixels.
    float getBottom() const { return bottom; }
    /// True while the mouse is over the drag bar.
    bool isOverDragBar() const;
    /// The background and added images.
    const std::vector<std::unique_ptr<Texture>>& getImages() const { return images; }
    /// The image buttons.
    const std::vector<std::unique_ptr<ImageButton>>& getImageButtons() const {
        return imageButtons;
    }
    /// The two-state buttons.
    const std::vector<std::unique_ptr<Button>>& getButtons() const { return buttons; }

private:
    /// Moves a widget that sticks out past the right or bottom edge inside.
    template <typename Widget>
    void fit(Widget& widget) const;
    void drawContents(float originX, float originY);

    float top;
    float right;
    float bottom;
    float left;
    bool open;
    bool visible;
    bool draggable;
    std::vector<std::unique_ptr<ImageButton>> imageButtons;
    std::vector<std::unique_ptr<Texture>> images;
    std::vector<std::unique_ptr<Button>> buttons;
    std::vector<std::unique_ptr<StaticText>> staticTexts;
    int id;
    unsigned dragBarHeight;
    bool dragging;
    widget::Hint<const char*> hint;
};
