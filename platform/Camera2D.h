/// \file
/// A 2D camera: an x/y offset by which the overlay is shifted.
#pragma once

#include <utility>

/// One 2D camera: the offset by which the overlay is shifted.
class Camera2D {
public:
    Camera2D() = default;
    /// A camera at (x, y).
    Camera2D(float x, float y) : x(x), y(y) {}

    /// Adds d to x.
    void moveRight(float d) { x += d; }
    /// Takes d from x.
    void moveLeft(float d) { x -= d; }
    /// Adds d to y (y grows downwards).
    void moveDown(float d) { y += d; }
    /// Takes d from y.
    void moveUp(float d) { y -= d; }
    /// Adds (dx, dy).
    void move(float dx, float dy) {
        x += dx;
        y += dy;
    }
    /// Places the camera at (px, py).
    void setPosition(float px, float py) {
        x = px;
        y = py;
    }
    /// The offset (x, y).
    std::pair<float, float> position() const { return {x, y}; }

private:
    float x = 0.0f;
    float y = 0.0f;
};
