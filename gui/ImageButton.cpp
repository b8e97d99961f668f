#include "gui/ImageButton.h"

#include "core/Engine.h"
#include "gui/WidgetInput.h"
#include "image/Texture.h"
#include "platform/EventManager.h"

ImageButton::ImageButton(const std::string& basePath, unsigned frameCount, float px, float py,
                         int id)
    : x(px),
      y(py),
      clickable(true),
      visible(true),
      hovered(false),
      sequence(std::make_unique<ImageSequence>(basePath, frameCount, px, py)),
      width(0.0f),
      height(0.0f),
      widgetId(id) {
    if (const Texture* first = sequence->getFrame(0)) {
        width = first->getWidth();
        height = first->getHeight();
    }
}

void ImageButton::setSize(float w, float h) {
    width = w;
    height = h;
    for (unsigned i = 0; i < sequence->getFrameCount(); ++i) {
        sequence->getFrame(i)->setWidth(w);
        sequence->getFrame(i)->setHeight(h);
    }
}

void ImageButton::update(float ox, float oy) {
    if (!visible) {
        return;
    }
    const float left = x + ox;
    const float top = y + oy;
    hovered = widget::mouseInside(left, top, left + width, top + height);
    if (hovered && clickable && widget::leftPressed()) {
        Engine::eventManager->setClickedWidgetId(widgetId);
    }
    if (hovered) {
        sequence->playOnce(left, top);
        if (hint.show) {
            widget::printHint(hint.text, hint.x, hint.y);
        }
    } else {
        sequence->rewind();
        sequence->drawFrame(0, left, top);
    }
}
