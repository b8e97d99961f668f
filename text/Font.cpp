#include "text/Font.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Engine.h"
#include "render/GlState.h"
#include "shader/Shader.h"
#include "shader/ShaderManager.h"

namespace {

constexpr int kGlyphCount = 256;
constexpr float kCell = 0.0625f;     // one of 16 cells, in texture units
constexpr float kTopInset = 0.001f;  // keeps the row above from bleeding in
constexpr double kAdvance = 12.0;

}  // namespace

Font::~Font() {
    if (listBase != 0) {
        glDeleteLists(listBase, kGlyphCount);
    }
}

void Font::load(const char* path) {
    if (!loadTga(&glyphImage, path)) {
        // Without its font the engine cannot show anything it needs to say.
        SDL_Quit();
        std::exit(1);
    }
    listBase = glGenLists(kGlyphCount);
    glBindTexture(GL_TEXTURE_2D, glyphImage.glName);
    for (int i = 0; i < kGlyphCount; ++i) {
        float cx = float(i % 16) * kCell;
        float top = 1.0f - float(i / 16) * kCell;
        glNewList(listBase + GLuint(i), GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(cx, top - kCell);
        glVertex2i(0, 16);
        glTexCoord2f(cx + kCell, top - kCell);
        glVertex2i(16, 16);
        glTexCoord2f(cx + kCell, top - kTopInset);
        glVertex2i(16, 0);
        glTexCoord2f(cx, top - kTopInset);
        glVertex2i(0, 0);
        glEnd();
        glTranslated(kAdvance, 0.0, 0.0);
        glEndList();
    }
    shader = Engine::shaderManager->getShader(0);
}

void Font::setScale(float x, float y) {
    scaleX = x;
    scaleY = y;
}

void Font::setColor(float r, float g, float b, float a) {
    color[0] = r;
    color[1] = g;
    color[2] = b;
    color[3] = a;
}

void Font::printFormatted(int set, const Pass& pass, const char* format, va_list args) {
    if (format == nullptr) {
        return;
    }
    // vsnprintf cuts a longer text at the buffer's 151 characters.
    std::vsnprintf(textBuffer, sizeof textBuffer, format, args);
    render(set, pass);
}

Font::Pass Font::ownStyle(float x, float y, bool setsTpos) const {
    return Pass{x, y, {color[0], color[1], color[2], color[3]}, scaleX, scaleY, setsTpos};
}

bool Font::print(int x, int y, int set, float r, float g, float b, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFormatted(set, Pass{float(x), float(y), {r, g, b, 1.0f}, scaleX, scaleY, false}, format,
                   args);
    va_end(args);
    return true;
}

bool Font::printDefault(int x, int y, int set, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFormatted(set, ownStyle(float(x), float(y), false), format, args);
    va_end(args);
    return true;
}

bool Font::printAt(float x, float y, int set, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFormatted(set, ownStyle(x, y, true), format, args);
    va_end(args);
    return true;
}

bool Font::printScaled(int x, int y, int set, float r, float g, float b, float a, float sx,
                       float sy, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFormatted(set, Pass{float(x), float(y), {r, g, b, a}, sx, sy, false}, format, args);
    va_end(args);
    return true;
}

void Font::render(int set, const Pass& pass) {
    if (set > 3) {
        set = 3;
    }
    if (set < 0) {
        set = 0;
    }
    // Everything a print changes comes back when it ends: the enables, the
    // blend function, the polygon mode, both matrices and the matrix mode.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    gl::ScopedAttributes saved(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT);
    gl::ScopedMatrix projection(GL_PROJECTION);
    gl::ScopedMatrix modelView(GL_MODELVIEW);

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnable(GL_SCISSOR_TEST);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Text stays readable in wire-frame mode.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, viewport[2], viewport[3], 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_2D, glyphImage.glName);

    drawPass(set % 2, pass, pass.x);
    if (set >= 2) {
        drawPass(set % 2, pass, pass.x + 1.0f);
    }

    glBindTexture(GL_TEXTURE_2D, 0);
}

void Font::drawPass(int set, const Pass& pass, float x) {
    glLoadIdentity();
    // Byte c of the text calls list c - 32 + 128 * set.
    glListBase(listBase + 128 * GLuint(set) - 32);
    glTranslatef(x, pass.y, 0.0f);
    glScalef(pass.scaleX, pass.scaleY, 1.0f);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    if (shader != nullptr) {
        shader->bind();
        GLhandleARB program = shader->getProgram();
        glUniform4fARB(glGetUniformLocationARB(program, "colors"), pass.color[0], pass.color[1],
                       pass.color[2], pass.color[3]);
        if (pass.setsTpos && x != pass.x) {
            glUniform3fARB(glGetUniformLocationARB(program, "tpos"), x, pass.y, 0.0f);
        }
    }
    glCallLists(GLsizei(std::strlen(textBuffer)), GL_UNSIGNED_BYTE, textBuffer);
    Shader::unbind();
}
