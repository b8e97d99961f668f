/// \file
/// What the widgets and windows ask of the frame's input, and the text they
/// print, in one place.
#pragma once

#include <string>

class ImageSequence;

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

/// The hint a widget or a window shows while hovered: its text, where it is
/// printed (screen pixels) and its colour, which is kept but not drawn. A
/// widget keeps a copy of the text (`Text` = std::string); a window keeps the
/// pointer it was given (`Text` = const char*).
template <typename Text>
struct Hint {
    /// The text shown.
    Text text{};
    /// Whether it shows while hovered.
    bool show = false;
    /// Where it is printed, x.
    float x = 0.0f;
    /// Where it is printed, y.
    float y = 0.0f;
    /// Its colour, red, green, blue and alpha.
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    /// Sets text, colour and place, and shows it.
    void set(Text value, float r, float g, float b, float a, float px, float py) {
        text = value;
        show = true;
        color[0] = r;
        color[1] = g;
        color[2] = b;
        color[3] = a;
        x = px;
        y = py;
    }
};

/// What the two animated buttons share: their flags, their hint, the
/// identifier they report, and one frame's hit test, click and drawing.
struct ButtonState {
    /// Whether clicks are reported.
    bool clickable = true;
    /// Whether the button is updated and drawn.
    bool visible = true;
    /// Whether the mouse was over the button at the last update.
    bool hovered = false;
    /// Shown while hovered.
    Hint<std::string> hint;
    /// Reported through the event manager on a click.
    int widgetId = -1;

    /// The hit test of the rectangle at (left, top): sets `hovered`, and when
    /// it is clickable and clicked this frame, reports the click and returns
    /// true.
    bool track(float left, float top, float width, float height);
    /// Draws `sequence` at (left, top): hovered, it plays once and the hint
    /// shows; otherwise it is rewound and its first frame drawn.
    void draw(ImageSequence& sequence, float left, float top) const;
};

/// The calls the two animated buttons share, kept on their `ButtonState`.
class ButtonControls {
public:
    /// A text shown while the mouse is over the button; the second argument
    /// is not used.
    void setHint(const std::string& text, bool, float r, float g, float b, float a, float hintX,
                 float hintY) {
        state.hint.set(text, r, g, b, a, hintX, hintY);
    }
    /// Shows the hint while hovered, or not.
    void setShowHint(bool flag) { state.hint.show = flag; }
    /// Whether clicks are reported (and, on a two-state button, flip it).
    void setClickable(bool flag) { state.clickable = flag; }
    /// Whether the button is drawn.
    void setVisible(bool flag) { state.visible = flag; }
    /// Set each frame from the mouse position.
    void setHovered(bool flag) { state.hovered = flag; }
    /// True while the mouse is over the button.
    bool isHovered() const { return state.hovered; }

protected:
    /// Reports clicks as `widgetId`.
    explicit ButtonControls(int widgetId) { state.widgetId = widgetId; }

    /// Flags, hint and identifier.
    ButtonState state;
};

}  // namespace widget
