/// \file
/// A bitmap font: 256 glyphs in a 16x16 grid of one TGA sheet, each compiled
/// into a display list that draws a 16x16 textured quad and advances 12 pixels.
/// Text is drawn in window pixels (y down) through the simple texture shader,
/// whatever the current projection; a print leaves the GL state as it found it
/// apart from the bound texture and program (both 0 afterwards).
#pragma once

#include <GL/glew.h>

#include <cstdarg>

#include "base/NonCopyable.h"
#include "image/TgaLoader.h"

class Shader;

/// Lets the compiler check a print's format against its arguments.
#define VARNO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

/// A bitmap font: prints formatted text in window pixels.
class Font : NonCopyable {
public:
    static constexpr int BUFFER_SIZE = 152;  ///< 151 characters and the terminator

    Font() = default;
    ~Font();

    /// Loads the glyph sheet and builds the display lists. A sheet that cannot
    /// be loaded ends the program (its loader has said why).
    void load(const char* path);

    /// The glyph scale of the prints that take no scale of their own.
    void setScale(float x, float y);
    /// The colour of printDefault and printAt.
    void setColor(float r, float g, float b, float a);

    /// The character set picks the sheet's upper (0) or lower (1) half; 2 and 3
    /// draw those halves in bold (twice, one pixel apart). All return true.
    bool print(int x, int y, int set, float r, float g, float b, const char* format, ...)
        VARNO_PRINTF(8, 9);
    /// Prints at (x, y) in the font's own colour and scale.
    bool printDefault(int x, int y, int set, const char* format, ...) VARNO_PRINTF(5, 6);
    /// Prints at a fractional position in the font's own colour and scale (the GUI's print).
    bool printAt(float x, float y, int set, const char* format, ...) VARNO_PRINTF(5, 6);
    /// Prints at (x, y) in the colour and scale given.
    bool printScaled(int x, int y, int set, float r, float g, float b, float a, float scaleX,
                     float scaleY, const char* format, ...) VARNO_PRINTF(11, 12);

    /// The text of the last print, as formatted.
    const char* lastText() const { return textBuffer; }
    /// The first of the 256 glyph display lists.
    GLuint getListBase() const { return listBase; }
    /// The GL name of the glyph sheet.
    GLuint getTexture() const { return glyphImage.glName; }
    /// The font's horizontal glyph scale.
    float getScaleX() const { return scaleX; }
    /// The font's vertical glyph scale.
    float getScaleY() const { return scaleY; }

private:
    struct Pass {
        float x;
        float y;
        float color[4];
        float scaleX;
        float scaleY;
        bool setsTpos;
    };
    /// The shared body of the four prints: formats the text into textBuffer
    /// and draws it; a null format prints nothing.
    void printFormatted(int set, const Pass& pass, const char* format, va_list args)
        VARNO_PRINTF(4, 0);
    /// The font's own colour and scale at (x, y).
    Pass ownStyle(float x, float y, bool setsTpos) const;
    /// Draws textBuffer in the given set.
    void render(int set, const Pass& pass);
    void drawPass(int set, const Pass& pass, float x);

    GLuint listBase = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Shader* shader = nullptr;
    char textBuffer[BUFFER_SIZE] = {};
    TgaImage glyphImage;
};
