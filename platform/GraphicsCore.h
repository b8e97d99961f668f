/// \file
/// The window and its OpenGL context: opening the video mode, the 3D set-up,
/// the 2D pixel overlay, the caption, wire-frame, the textured mouse pointer,
/// extension flags and the depth texture the shadow-map pass renders into.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/NonCopyable.h"

class Texture;

/// The window and OpenGL context, projections, caption and mouse pointer.
class GraphicsCore : NonCopyable {
public:
    GraphicsCore();
    ~GraphicsCore();

    /// Opens the window (once). Raises EngineError when SDL cannot give one.
    void initVideo(int width, int height, int bitsPerPixel, bool fullscreen, bool use2D);

    /// Viewport and a 45-degree perspective (near 1, far 1500), with the 3D
    /// defaults: identity model-view, smooth shading, depth test on with
    /// GL_ALWAYS, lighting off.
    void setup3D(int width, int height);

    /// Enters the 2D overlay: an orthographic projection in window pixels,
    /// (0,0) at the top-left.
    ///
    /// Applications and the engine's own frame rely on this exact sequence,
    /// so it is kept as it is rather than scoped; this is the one place that
    /// says what it leaves changed. begin2D sets, and end2D does NOT put back:
    /// smooth shading, clear colour (0,0,0,0), clear depth 1, blend function
    /// SRC_ALPHA/ONE_MINUS_SRC_ALPHA, depth test on (GL_ALWAYS inside the
    /// block), the perspective-correction hint GL_NICEST, lighting off,
    /// blending on, 2D texturing on, scissor test on, matrix mode model-view.
    /// begin2D saves the projection once per block; end2D restores it, pops
    /// the model-view only when something above it was pushed, sets the depth
    /// function to GL_LEQUAL and the polygon mode back to the wire-frame
    /// switch (filled inside the block, so the overlay stays readable).
    void begin2D();
    /// Leaves the overlay and restores the 3D projection.
    void end2D();

    /// Draws polygons as lines (true) or filled (false).
    void setWireframe(bool flag);
    /// Whether polygons are drawn as lines.
    bool isWireframe() const { return wireframe; }
    /// Shows or hides the system mouse cursor.
    void showCursor(bool flag);

    /// Loads the pointer image, draws it from then on and hides the system cursor.
    /// Ends the program (status 1) when the image cannot be loaded.
    void loadMousePointer(const std::string& path);
    /// Loads the second pointer image (the GUI shows it over drag bars).
    /// Ends the program (status 1) when the image cannot be loaded.
    void loadAltMousePointer(const std::string& path);
    /// Loads both pointer images; the first is current.
    void loadMousePointers(const std::string& path, const std::string& altPath);
    /// Makes the second pointer (true) or the first (false) current.
    void selectMousePointer(bool useAlt);
    /// Draws the current pointer with its top-left corner at the mouse.
    void drawMousePointer();
    /// True once a pointer image has been loaded.
    bool isPointerDrawn() const { return drawPointer; }
    /// The first pointer image, or null.
    Texture* getPointerTexture() const { return pointerTexture.get(); }
    /// The second pointer image, or null.
    Texture* getAltPointerTexture() const { return altPointerTexture.get(); }

    /// Sets the window caption; the frame rate is shown after it.
    void setCaption(const std::string& text);
    /// The window caption.
    std::string getCaption() const { return caption; }

    /// GL_VENDOR of the open context.
    std::string getVendor() const;
    /// GL_RENDERER of the open context.
    std::string getRenderer() const;
    /// GL_VERSION of the open context.
    std::string getVersion() const;

    /// The window width in pixels.
    int getScreenWidth() const { return screenWidth; }
    /// The window height in pixels.
    int getScreenHeight() const { return screenHeight; }
    /// The colour depth asked of SDL.
    int getBitsPerPixel() const { return bitsPerPixel; }
    /// The SDL video mode flags used.
    uint32_t getVideoFlags() const { return videoFlags; }
    /// True when the window was opened for 3D rather than 2D.
    bool isMode3D() const { return mode3D; }

    /// True when shadows use two-sided stencil passes.
    bool hasTwoSidedStencil() const { return twoSidedStencil; }
    /// Counts shadows with one-sided stencil passes even where the two-sided
    /// extension exists (false), or back with it where it does (true).
    void setTwoSidedStencil(bool flag) {
        twoSidedStencil = flag && glewIsSupported("GL_EXT_stencil_two_side");
    }
    /// True when anisotropic texture filtering is available.
    bool hasAnisotropic() const { return anisotropic; }
    /// Whether the scene draws stencil shadows.
    bool shadowsEnabled() const { return shadows; }
    /// Switches the scene's stencil shadows on or off.
    void setShadowsEnabled(bool flag) { shadows = flag; }
    /// The GL name of the depth texture of the shadow-map pass.
    unsigned shadowMapTexture() const { return shadowMapName; }
    /// The shadow-map depth texture's width.
    int shadowMapWidth() const { return shadowMapW; }
    /// The shadow-map depth texture's height.
    int shadowMapHeight() const { return shadowMapH; }
    /// The depth buffer size to ask for; only before the window opens.
    void setDepthBits(int n) { depthBits = n; }
    /// The stencil buffer size to ask for; only before the window opens.
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
    bool inside2D;  ///< the 3D projection is saved on the stack
};
