// The window and its OpenGL context: opening the video mode, the 3D set-up,
// the 2D pixel overlay, the caption, wire-frame, the textured mouse pointer,
// extension flags and the depth texture the shadow-map pass renders into.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <string>

class Texture;

class GraphicsCore {
public:
    GraphicsCore();
    ~GraphicsCore();
    GraphicsCore(const GraphicsCore&) = delete;
    GraphicsCore& operator=(const GraphicsCore&) = delete;

    // Opens the window (once). Raises EngineError when SDL cannot give one.
    void initVideo(int width, int height, int bitsPerPixel, bool fullscreen, bool use2D);

    void setup3D(int width, int height);
    void begin2D();
    void end2D();

    void setWireframe(bool flag);
    bool isWireframe() const { return wireframe; }
    void showCursor(bool flag);

    void loadMousePointer(const std::string& path);
    void loadAltMousePointer(const std::string& path);
    void loadMousePointers(const std::string& path, const std::string& altPath);
    void selectMousePointer(bool useAlt);
    void drawMousePointer();
    bool isPointerDrawn() const { return drawPointer; }
    Texture* getPointerTexture() const { return pointerTexture.get(); }
    Texture* getAltPointerTexture() const { return altPointerTexture.get(); }

    void setCaption(const std::string& text);
    std::string getCaption() const { return caption; }

    std::string getVendor() const;
    std::string getRenderer() const;
    std::string getVersion() const;

    int getScreenWidth() const { return screenWidth; }
    int getScreenHeight() const { return screenHeight; }
    int getBitsPerPixel() const { return bitsPerPixel; }
    uint32_t getVideoFlags() const { return videoFlags; }
    bool isMode3D() const { return mode3D; }

    bool hasTwoSidedStencil() const { return twoSidedStencil; }
    // Counts shadows with one-sided stencil passes even where the two-sided
    // extension exists (false), or back with it where it does (true).
    void setTwoSidedStencil(bool flag) {
        twoSidedStencil = flag && glewIsSupported("GL_EXT_stencil_two_side");
    }
    bool hasAnisotropic() const { return anisotropic; }
    bool shadowsEnabled() const { return shadows; }
    void setShadowsEnabled(bool flag) { shadows = flag; }
    unsigned shadowMapTexture() const { return shadowMapName; }
    int shadowMapWidth() const { return shadowMapW; }
    int shadowMapHeight() const { return shadowMapH; }
    void setDepthBits(int n) { depthBits = n; }
    void setStencilBits(int n) { stencilBits = n; }

private:
    void chooseVideoFlags(bool fullscreen);
    void createShadowMapTexture();
    void createWhiteDefaultTexture();

    uint32_t videoFlags;
    int screenWidth;
    int screenHeight;
    int bitsPerPixel;
    int depthBits;
    int stencilBits;
    bool twoSidedStencil;
    bool anisotropic;
    std::unique_ptr<Texture> pointerTexture;
    bool drawPointer;
    std::unique_ptr<Texture> altPointerTexture;
    Texture* currentPointer;
    bool altPointerLoaded;
    std::string caption;
    bool wireframe;
    bool mode3D;
    bool shadows;
    unsigned shadowMapName;
    int shadowMapW;
    int shadowMapH;
    bool inside2D;  // the 3D projection is saved on the stack
};
