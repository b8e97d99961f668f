#include "text/Font.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Engine.h"
#include "shader/Shader.h"
#include "shader/ShaderManager.h"

namespace {

constexpr int kGlyphCount = 256;
constexpr float kCell = 0.0625f;     // one of 16 cells, in texture units
constexpr float kTopInset = 0.001f;  // keeps the row above from bleeding in
constexpr double kAdvance = 12.0;

// GL state a print changes, saved before and put back after it.
struct SavedState {
    SavedState() {
        texture = glIsEnabled(GL_TEXTURE_2D);
        depth = glIsEnabled(GL_DEPTH_TEST);
        lighting = glIsEnabled(GL_LIGHTING);
        scissor = glIsEnabled(GL_SCISSOR_TEST);
        blend = glIsEnabled(GL_BLEND);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_BLEND_SRC, &blendSrc);
        glGetIntegerv(GL_BLEND_DST, &blendDst);
        glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    }
    void restore() const {
        if (depth) {
            glEnable(GL_DEPTH_TEST);
        }
        if (lighting) {
            glEnable(GL_LIGHTING);
        }
        if (!texture) {
            glDisable(GL_TEXTURE_2D);
        }
        if (!blend) {
            glDisable(GL_BLEND);
        }
        if (!scissor) {
            glDisable(GL_SCISSOR_TEST);
        }
        glBlendFunc(GLenum(blendSrc), GLenum(blendDst));
        glPolygonMode(GL_FRONT, GLenum(polygonMode[0]));
        glPolygonMode(GL_BACK, GLenum(polygonMode[1]));
        glMatrixMode(GLenum(matrixMode));
    }

    GLboolean texture, depth, lighting, scissor, blend;
    GLint matrixMode = GL_MODELVIEW;
    GLint viewport[4] = {0, 0, 0, 0};
    GLint blendSrc = GL_ONE;
    GLint blendDst = GL_ZERO;
    GLint polygonMode[2] = {GL_FILL, GL_FILL};  // front, back
};

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

void Font::formatText(const char* format, va_list args) {
    // vsnprintf cuts a longer text at the buffer's 151 characters.
    std::vsnprintf(textBuffer, sizeof textBuffer, format, args);
}

bool Font::print(int x, int y, int set, float r, float g, float b, const char* format, ...) {
    if (format == nullptr) {
        return true;
    }
    va_list args;
    va_start(args, format);
    formatText(format, args);
    va_end(args);
    render(set, Pass{float(x), float(y), {r, g, b, 1.0f}, scaleX, scaleY, false});
    return true;
}

bool Font::printDefault(int x, int y, int set, const char* format, ...) {
    if (format == nullptr) {
        return true;
    }
    va_list args;
    va_start(args, format);
    formatText(format, args);
    va_end(args);
    render(
        set,
        Pass{float(x), float(y), {color[0], color[1], color[2], color[3]}, scaleX, scaleY, false});
    return true;
}

bool Font::printAt(float x, float y, int set, const char* format, ...) {
    if (format == nullptr) {
        return true;
    }
    va_list args;
    va_start(args, format);
    formatText(format, args);
    va_end(args);
    render(set, Pass{x, y, {color[0], color[1], color[2], color[3]}, scaleX, scaleY, true});
    return true;
}

bool Font::printScaled(int x, int y, int set, float r, float g, float b, float a, float sx,
                       float sy, const char* format, ...) {
    if (format == nullptr) {
        return true;
    }
    va_list args;
    va_start(args, format);
    formatText(format, args);
    va_end(args);
    render(set, Pass{float(x), float(y), {r, g, b, a}, sx, sy, false});
    return true;
}

void Font::render(int set, const Pass& pass) {
    if (set > 3) {
        set = 3;
    }
    if (set < 0) {
        set = 0;
    }
    SavedState saved;

    if (saved.depth) {
        glDisable(GL_DEPTH_TEST);
    }
    if (!saved.texture) {
        glEnable(GL_TEXTURE_2D);
    }
    if (!saved.blend) {
        glEnable(GL_BLEND);
    }
    if (!saved.scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
    if (saved.lighting) {
        glDisable(GL_LIGHTING);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Text stays readable in wire-frame mode.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, saved.viewport[2], saved.viewport[3], 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, glyphImage.glName);

    drawPass(set % 2, pass, pass.x);
    if (set >= 2) {
        drawPass(set % 2, pass, pass.x + 1.0f);
    }

    glBindTexture(GL_TEXTURE_2D, 0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    saved.restore();
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
