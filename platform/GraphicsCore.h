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

    // The 3D set-up: viewport, a 45-degree perspective from 1 to 1500, identity
    // model-view, smooth shading, depth test on with GL_ALWAYS, lighting off.
    void setup3D(int width, int height);

    // The 2D overlay block. Applications and the engine's own frame rely on
    // this exact sequence, so it is kept as it is rather than scoped; this is
    // the one place that says what it leaves changed.
    //
    // begin2D sets, and end2D does NOT put back: smooth shading, clear colour
    // (0,0,0,0), clear depth 1, blend function SRC_ALPHA/ONE_MINUS_SRC_ALPHA,
    // depth test on (GL_ALWAYS inside the block), the perspective-correction
    // hint GL_NICEST, lighting off,
    // blending on, 2D texturing on, scissor test on, matrix mode model-view.
    // begin2D saves the projection (once per block) and loads a pixel
    // projection with (0,0) at the top-left; end2D restores that projection,
    // pops the model-view only when something above it was pushed, sets the
    // depth function to GL_LEQUAL and the polygon mode back to the wire-frame
    // switch (filled inside the block, so the overlay stays readable).
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
