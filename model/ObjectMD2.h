/// \file
/// An animated MD2 model: its key frames, skin texture and placement. It plays
/// one named animation at a time, interpolating between the current key frame
/// and the next, and advances at most one key frame per draw at `speed` key
/// frames per second of wall-clock time.
#pragma once

#include <cstdint>
#include <memory>

#include "base/NonCopyable.h"
#include "model/ModelRecord.h"
#include "model/Placement.h"

class ShadowVolume;

/// An MD2 model playing one animation, drawn in immediate mode, with one
/// shadow volume.
class ObjectMD2 : NonCopyable {
public:
    /// Milliseconds since start-up; SDL_GetTicks unless a test supplies its own.
    using Clock = uint32_t (*)();

    /// Empty, at the origin, at scale 1, playing at 5 key frames a second.
    ObjectMD2();
    ~ObjectMD2();

    /// Reads the model; the skin (a file name, may be null) is loaded as its
    /// texture.
    void load(const char* path, const char* skinFile);

    /// Draws the pose between the current key frame and the next, stepping on
    /// when its time has come. Mode 1 draws with the skin texture and the
    /// per-pixel lighting program.
    void draw(int mode);
    /// Plays animation `index` (modulo the animation count) from its first key
    /// frame. A model with no animation keeps its first key frame and ignores this.
    void setAnimation(int index);
    /// Sets how many key frames a second the animation plays.
    void setSpeed(float framesPerSecond) { speed = framesPerSecond; }

    /// Where the model stands; moving it carries the current key frame's box along.
    Placement& placement() { return placement_; }
    /// Where the model stands.
    const Placement& placement() const { return placement_; }
    /// The vertices of one key frame.
    int vertexCount() const { return model.totalVertices; }
    /// The world box around the pose last drawn (before the first draw, the
    /// current key frame); false when there is nothing to draw.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement_.bounds(poseMin, poseMax, low, high);
    }
    /// Draws the current key frame's box as red lines.
    void drawBoundingBox();

    /// The volume of the pose between the current key frame and the next (the
    /// animation may step on); the scene counts it into the stencil buffer.
    void buildShadowVolume(Vector3 light);

    /// The model as read: its key frames and animations.
    const ModelRecord& record() const { return model; }
    /// The key frame the pose starts from.
    int currentFrame() const { return model.currentFrame; }
    /// The animation playing.
    int currentAnimation() const { return model.currentAnimation; }
    /// The GL texture of the skin; 0 without one.
    unsigned skinTexture() const { return texture; }
    /// The shadow volume as last built.
    const ShadowVolume& shadow() const { return *shadowVolume; }
    /// Takes time from `clock` instead of SDL_GetTicks.
    void setClock(Clock clock) { ticks = clock; }

    /// The key frame after the current one within the playing animation.
    int nextFrame() const;

private:
    // Advances the key frame when its time has come and returns how far the
    // pose lies between the current key frame and `next` (not clamped).
    float step(int next);
    // Makes `frame` the current key frame; the placement carries its box from
    // the next move on.
    void setFrame(int frame);

    ModelRecord model;
    unsigned texture;
    float elapsed;
    float lastTime;
    float speed;
    Placement placement_;
    std::unique_ptr<ShadowVolume> shadowVolume;
    Clock ticks;
    // The model-space box of the pose last drawn: interpolated, and
    // extrapolated when a draw comes late, so it can leave every key frame's box.
    Vector3 poseMin;
    Vector3 poseMax;
};
