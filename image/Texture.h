// A 2D image loaded through SDL_image, uploaded once into an OpenGL texture and
// drawn as a screen-aligned quad with the simple texture shader (logo, mouse
// pointer, GUI skins, animated frames). A loaded texture registers itself with
// the texture manager; whoever creates it owns it.
#pragma once

#include <string>

struct SDL_Surface;
class Shader;

// A part of a texture, in fractions of its size; the whole image is (1, 1, 0, 0).
struct TextureRegion {
    float top;
    float right;
    float bottom;
    float left;
};

class Texture {
public:
    Texture();
    explicit Texture(const std::string& path);
    Texture(const std::string& path, float alpha);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void load(const std::string& path);
    // Uploads the surface and frees it.
    void createFromSurface(SDL_Surface* surface);

    void drawAt(float x, float y, float scale, float angle, float r, float g, float b, float a);
    void drawAtOwnPosition(float scale, float angle, float r, float g, float b, float a);
    void drawWithOwnAlpha(float x, float y, float scale, float angle, float r, float g, float b);
    void drawRegion(float x, float y, const TextureRegion& region, float scale, float angle,
                    float r, float g, float b, float a);
    void bindToUnit(int unit);

    unsigned getGlName() const { return glName; }
    const std::string& getName() const { return name; }
    bool isLoaded() const { return glName != 0; }
    float getWidth() const { return width; }
    void setWidth(float w) { width = w; }
    float getHeight() const { return height; }
    void setHeight(float h) { height = h; }
    float getAlpha() const { return alpha; }
    void setAlpha(float a) { alpha = a; }
    Shader* getShader() const { return shader; }

    // Stored screen position used by drawAtOwnPosition; callers set it directly.
    float x;
    float y;

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
