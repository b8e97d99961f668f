/// \file
/// What the widgets and windows ask of the frame's input, and the text they
/// print, in one place.
#pragma once

#include <string>

namespace widget {

/// A left-button press arrived in this frame.
bool leftPressed();
/// A left-button release arrived in this frame.
bool leftReleased();
/// The mouse lies inside the rectangle, edges included.
bool mouseInside(float left, float top, float right, float bottom);
/// Prints `text` literally (a percent sign included) with font 1 at a
/// screen position, in character set 0.
void printHint(const std::string& text, float x, float y);

}  // namespace widget
