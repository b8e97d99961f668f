// A 2D camera: an x/y offset by which the overlay is shifted.
#pragma once

#include <utility>

class Camera2D {
public:
    Camera2D() = default;
    Camera2D(float x, float y) : x(x), y(y) {}

    void moveRight(float d) { x += d; }
    void moveLeft(float d) { x -= d; }
    void moveDown(float d) { y += d; }
    void moveUp(float d) { y -= d; }
    void move(float dx, float dy) {
        x += dx;
        y += dy;
    }
    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    std::pair<float, float> position() const { return {x, y}; }

private:
    float x = 0.0f;
    float y = 0.0f;
};
