/// \file
/// A 2D image loaded through SDL_image, uploaded once into an OpenGL texture and
/// drawn as a screen-aligned quad with the simple texture shader (logo, mouse
/// pointer, GUI skins, animated frames). A loaded texture registers itself with
/// the texture manager; whoever creates it owns it.
#pragma once

#include <string>

#include "base/NonCopyable.h"

struct SDL_Surface;
class Shader;

/// A part of a texture, in fractions of its size; the whole image is (1, 1, 0, 0).
struct TextureRegion {
    float top;     ///< top edge, 1 at the image's top
    float right;   ///< right edge, 1 at the image's right
    float bottom;  ///< bottom edge, 0 at the image's bottom
    float left;    ///< left edge, 0 at the image's left
};

/// A 2D image in an OpenGL texture, drawn as a screen-aligned quad.
class Texture : NonCopyable {
public:
    /// An empty texture; load() or createFromSurface() fills it.
    Texture();
    /// Loads the image at `path` (see load()).
    explicit Texture(const std::string& path);
    /// Loads the image at `path` and keeps `alpha` for drawWithOwnAlpha().
    Texture(const std::string& path, float alpha);
    /// Takes the texture off the texture manager's list.
    ~Texture();

    /// Loads an image file through SDL_image, uploads it and registers the
    /// texture; prints a message and stays empty when the file cannot be read.
    void load(const std::string& path);
    /// Uploads the surface and frees it.
    void createFromSurface(SDL_Surface* surface);

    /// Draws the image with its top-left corner at window pixel (x, y),
    /// scaled, turned by `angle` degrees about its centre and tinted.
    void drawAt(float x, float y, float scale, float angle, float r, float g, float b, float a);
    /// drawAt() at the stored position (x, y).
    void drawAtOwnPosition(float scale, float angle, float r, float g, float b, float a);
    /// drawAt() with the texture's own alpha.
    void drawWithOwnAlpha(float x, float y, float scale, float angle, float r, float g, float b);
    /// drawAt() for a part of the image only.
    void drawRegion(float x, float y, const TextureRegion& region, float scale, float angle,
                    float r, float g, float b, float a);
    /// Binds the texture to texture unit `unit` (0 to 31).
    void bindToUnit(int unit);

    /// The GL texture name; 0 while nothing is loaded.
    unsigned getGlName() const { return glName; }
    /// The path the image was loaded from.
    const std::string& getName() const { return name; }
    /// True once an image has been uploaded.
    bool isLoaded() const { return glName != 0; }
    /// The drawn width in pixels (the image's, until set).
    float getWidth() const { return width; }
    /// Sets the drawn width in pixels.
    void setWidth(float w) { width = w; }
    /// The drawn height in pixels (the image's, until set).
    float getHeight() const { return height; }
    /// Sets the drawn height in pixels.
    void setHeight(float h) { height = h; }
    /// The alpha drawWithOwnAlpha() uses.
    float getAlpha() const { return alpha; }
    /// Sets the alpha drawWithOwnAlpha() uses.
    void setAlpha(float a) { alpha = a; }
    /// The shader the quad is drawn with (the simple texture shader).
    Shader* getShader() const { return shader; }

    float x;  ///< stored screen position for drawAtOwnPosition(); callers set it
    float y;  ///< stored screen position for drawAtOwnPosition(); callers set it

private:
    void applyRotation(float angle, const TextureRegion& region);
    void beginQuad(float x, float y, float scale, float angle, const TextureRegion& region, float r,
                   float g, float b, float a);
    void endQuad();

    unsigned glName;
    std::string name;
    float width;
    float height;
    float alpha;
    Shader* shader;
};
