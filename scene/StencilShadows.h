/// \file
/// Stencil shadows, the drawing half of the shadow volumes: volume walls
/// counted into the stencil buffer, and every pixel left with a non-zero count
/// darkened. Works on the current GL context, matrices and viewport; needs none
/// of the engine's managers.
#pragma once

#include <cstdint>
#include <vector>

#include "base/NonCopyable.h"
#include "math/Vector3.h"
#include "scene/ShadowReach.h"

class ShadowVolume;

/// Draws a volume's wall triangles in immediate mode; nothing when it is
/// empty. Texturing is left switched off.
void drawShadowVolume(const ShadowVolume& volume);

/// Counts the volumes into the stencil buffer: two-sided, in one pass where
/// back faces decrement and front faces increment (wrapping); one-sided, in two
/// passes over the volumes with face culling. Colour and depth writes are off
/// meanwhile and come back on after.
void renderShadowStencil(const std::vector<const ShadowVolume*>& volumes, bool twoSided);

/// Halves the colour of every pixel whose stencil count is not zero, with one
/// quad over the whole viewport.
void darkenShadowedPixels();

/// The scene's stencil shadows for one frame at a time, counted as
/// renderShadowStencil counts them, caster by caster, with the same result in
/// the stencil buffer, at a fraction of the fill:
/// - each volume is drawn only inside the screen rectangle where its walls
///   within the scene's bounds fall (volumes out of view not at all), unless
///   its walls past the bounds may show over pixels no surface of the scene
///   covers; surfaces drawn between beginSurfaces and endSurfaces are marked in
///   the stencil buffer for that check, an occlusion query over all casters'
///   walls past the bounds and, when it finds such a pixel, one per caster;
/// - the walls come from one vertex buffer, and no shader program runs on them;
/// - the darkening covers only the pixels some volume may have counted.
class StencilShadows : NonCopyable {
public:
    /// What the volume passes of the last frame cost the rasteriser, when
    /// measuring.
    struct Fill {
        uint64_t fragments = 0;  ///< fragments rasterised
        uint64_t inFront = 0;    ///< those that passed the depth test: the ones that count
        uint64_t triangles = 0;  ///< wall triangles drawn
        uint64_t checks = 0;     ///< fragments of the checks behind the bounds
    };

    /// No casters; the vertex buffer and queries are made at first use.
    StencilShadows();
    /// Leaves the vertex buffer and queries to live as long as the context.
    ~StencilShadows();

    /// Starts a frame: no casters, no scene bounds.
    void begin();
    /// Widens the scene's bounds by a box around surfaces drawn this frame.
    void addBounds(const Vector3& low, const Vector3& high);
    /// Starts marking the surfaces drawn in the stencil buffer, until
    /// endSurfaces; all of the scene's surfaces must be marked, and fall in the
    /// bounds.
    void beginSurfaces();
    /// Stops marking the surfaces drawn.
    void endSurfaces();
    /// Adds one caster's volumes, counted together (one-sided: both passes
    /// over them before the next caster's). The volumes must live until darken.
    void addCaster(const std::vector<const ShadowVolume*>& volumes);

    /// Clears the stencil buffer and counts every caster's volumes into it.
    /// Without bounds, when the surfaces were not marked, or under a
    /// projection other than a perspective one, every volume is drawn whole.
    void count(bool twoSided);
    /// Halves the colour of every pixel with a non-zero count.
    void darken();

    /// Counts what the volume passes cost from the next frame on (or stops).
    void setMeasuring(bool on) { measuring = on; }
    /// What the last measured frame's volume passes cost.
    const Fill& lastFill() const { return fill; }

private:
    struct Caster {
        size_t firstVolume;
        size_t volumeCount;
    };
    struct Volume {
        const ShadowVolume* volume;
        int firstVertex;
        ScreenRect rect;  // where it is drawn; empty: not at all
    };

    // A rectangle at a window depth, drawn where no surface is marked: any
    // sample that passes is a pixel where walls that deep may count.
    struct Check {
        ScreenRect rect;
        float depth = 1.0f;
    };

    // Uploads every volume's walls into the vertex buffer.
    void upload();
    // Decides each volume's rectangle.
    void placeVolumes();
    // Draws the checks under occlusion queries and waits for their samples.
    void runChecks(const Check* list, size_t count, uint64_t* results);
    // The volume passes of one caster.
    void drawCaster(const Caster& caster, bool twoSided) const;
    void drawVolumes(const Caster& caster) const;

    std::vector<Caster> casters;
    std::vector<Volume> volumes;
    // Each frame's working lists, kept so that frames do not allocate.
    std::vector<ShadowReach> reaches;
    std::vector<Check> checks;
    std::vector<uint64_t> passed;
    std::vector<float> vertexData;
    std::vector<unsigned> queries;
    bool hasBounds = false;
    Vector3 boundsMin;
    Vector3 boundsMax;
    bool surfacesMarked = false;
    ScreenRect counted;  // every pixel a volume may have counted
    unsigned buffer = 0;
    bool measuring = false;
    Fill fill;
};
