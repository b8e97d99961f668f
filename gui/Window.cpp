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
      dragging(false),
      hintText(nullptr),
      showHint(false),
      hintX(0.0f),
      hintY(0.0f),
      hintColor{1.0f, 1.0f, 1.0f, 1.0f} {}

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

void Window::fit(float& x, float& y, float width, float height) const {
    if (x + width > right - left) {
        x = (right - left) - width;
    }
    if (y + height > bottom - top) {
        y = (bottom - top) - height;
    }
}

void Window::addImageButton(const std::string& basePath, unsigned frameCount, float x, float y,
                            int widgetId) {
    addImageButton(new ImageButton(basePath, frameCount, x, y, widgetId));
}

void Window::addImageButton(ImageButton* button) {
    float x = button->getX();
    float y = button->getY();
    fit(x, y, button->getWidth(), button->getHeight());
    button->setPosition(x, y);
    imageButtons.emplace_back(button);
}

void Window::addButton(const std::string& basePath, unsigned frameCount,
                       const std::string& toggledBasePath, unsigned toggledFrameCount, float x,
                       float y, int widgetId) {
    addButton(new Button(basePath, frameCount, toggledBasePath, toggledFrameCount, x, y, widgetId));
}

void Window::addButton(Button* button) {
    float x = button->getX();
    float y = button->getY();
    fit(x, y, button->getWidth(), button->getHeight());
    button->setPosition(x, y);
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
    hintText = text;
    hintColor[0] = r;
    hintColor[1] = g;
    hintColor[2] = b;
    hintColor[3] = a;
    hintX = x;
    hintY = y;
    showHint = true;
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
            if (showHint && hintText != nullptr) {
                widget::printHint(hintText, hintX, hintY);
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
