#include "gui/ImageButton.h"

#include "image/Texture.h"

ImageButton::ImageButton(const std::string& basePath, unsigned frameCount, float px, float py,
                         int id)
    : ButtonControls(id),
      x(px),
      y(py),
      sequence(std::make_unique<ImageSequence>(basePath, frameCount, px, py)),
      width(0.0f),
      height(0.0f) {
    if (const Texture* first = sequence->getFrame(0)) {
        width = first->getWidth();
        height = first->getHeight();
    }
}

void ImageButton::setSize(float w, float h) {
    width = w;
    height = h;
    sequence->setFrameSize(w, h);
}

void ImageButton::update(float ox, float oy) {
    if (!state.visible) {
        return;
    }
    const float left = x + ox;
    const float top = y + oy;
    state.track(left, top, width, height);
    state.draw(*sequence, left, top);
}
