#include "gui/Window.h"

#include "core/Engine.h"
#include "gui/Button.h"
#include "gui/ImageButton.h"
#include "gui/StaticText.h"
#include "gui/WidgetInput.h"
#include "image/Texture.h"
#include "platform/EventManager.h"
#include "platform/GraphicsCore.h"

Window::Window()
    : top(0.0f),
      right(0.0f),
      bottom(0.0f),
      left(0.0f),
      open(false),
      visible(false),
      draggable(false),
      id(-1),
      dragBarHeight(15),
      dragging(false) {}

Window::Window(int l, int t, int r, int b, const std::string& imagePath, bool stretch, float alpha,
               int barHeight, int windowId, bool canDrag)
    : Window() {
    setRect(float(l), float(t), float(r), float(b));
    draggable = canDrag;
    id = windowId;
    dragBarHeight = unsigned(barHeight);
    auto background = std::make_unique<Texture>(imagePath, alpha);
    const float w = float(r - l);
    const float h = float(b - t);
    if (background->getWidth() > w) {
        background->setWidth(w);
    }
    if (background->getHeight() > h) {
        background->setHeight(h);
    }
    if (stretch) {
        background->setWidth(w);
        background->setHeight(h);
    }
    images.push_back(std::move(background));
}

// The images are textures of their own: deleting them also takes them off
// the texture manager's list.
Window::~Window() = default;

void Window::setRect(float l, float t, float r, float b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
}

void Window::addImage(const std::string& path, unsigned x, unsigned y, float alpha) {
    auto image = std::make_unique<Texture>(path);
    image->x = float(x);
    image->y = float(y);
    image->setAlpha(alpha);
    images.push_back(std::move(image));
}

void Window::addImage(Texture* texture) {
    images.emplace_back(texture);
}

template <typename Widget>
void Window::fit(Widget& widget) const {
    float x = widget.getX();
    float y = widget.getY();
    if (x + widget.getWidth() > right - left) {
        x = (right - left) - widget.getWidth();
    }
    if (y + widget.getHeight() > bottom - top) {
        y = (bottom - top) - widget.getHeight();
    }
    widget.setPosition(x, y);
}

void Window::addImageButton(const std::string& basePath, unsigned frameCount, float x, float y,
                            int widgetId) {
    addImageButton(new ImageButton(basePath, frameCount, x, y, widgetId));
}

void Window::addImageButton(ImageButton* button) {
    fit(*button);
    imageButtons.emplace_back(button);
}

void Window::addButton(const std::string& basePath, unsigned frameCount,
                       const std::string& toggledBasePath, unsigned toggledFrameCount, float x,
                       float y, int widgetId) {
    addButton(new Button(basePath, frameCount, toggledBasePath, toggledFrameCount, x, y, widgetId));
}

void Window::addButton(Button* button) {
    fit(*button);
    buttons.emplace_back(button);
}

void Window::addStaticText(StaticText* text) {
    staticTexts.emplace_back(text);
}

void Window::setOpen(bool flag) {
    open = flag;
    if (flag) {
        visible = true;
    }
}

void Window::setVisible(bool flag) {
    visible = flag;
    if (!flag) {
        open = false;
    }
}

void Window::setHint(const char* text, bool, float r, float g, float b, float a, float x, float y) {
    hint.set(text, r, g, b, a, x, y);
}

bool Window::isOverDragBar() const {
    return widget::mouseInside(left, top, right, top + float(dragBarHeight));
}

void Window::update() {
    if (!visible) {
        return;
    }
    if (draggable) {
        const bool overBar = isOverDragBar();
        // The second pointer shows while the mouse is over the bar.
        Engine::graphicsCore->selectMousePointer(overBar);
        if (overBar) {
            if (widget::leftPressed()) {
                dragging = true;
            } else if (widget::leftReleased()) {
                dragging = false;
            }
            if (hint.show && hint.text != nullptr) {
                widget::printHint(hint.text, hint.x, hint.y);
            }
        }
        if (dragging) {
            const float dx = float(Engine::eventManager->mouseDeltaX());
            const float dy = float(Engine::eventManager->mouseDeltaY());
            left += dx;
            right += dx;
            top += dy;
            bottom += dy;
        }
    }
    drawContents(left, top);
}

void Window::drawAtOrigin(float x, float y) {
    if (visible) {
        drawContents(x, y);
    }
}

void Window::drawContents(float originX, float originY) {
    for (const auto& image : images) {
        image->drawWithOwnAlpha(image->x + originX, image->y + originY, 1.0f, 0.0f, 1.0f, 1.0f,
                                1.0f);
    }
    for (const auto& button : imageButtons) {
        button->update(originX, originY);
    }
    for (const auto& button : buttons) {
        button->update(originX, originY);
    }
    for (const auto& text : staticTexts) {
        text->update(originX, originY);
    }
}
