// An animated MD2 model: its key frames, skin texture and placement. It plays
// one named animation at a time, interpolating between the current key frame
// and the next, and advances at most one key frame per draw at `speed` key
// frames per second of wall-clock time.
#pragma once

#include <cstdint>
#include <memory>

#include "model/ModelRecord.h"
#include "model/Placement.h"

class ShadowVolume;

class ObjectMD2 {
public:
    // Milliseconds since start-up; SDL_GetTicks unless a test supplies its own.
    using Clock = uint32_t (*)();

    ObjectMD2();
    ~ObjectMD2();
    ObjectMD2(const ObjectMD2&) = delete;
    ObjectMD2& operator=(const ObjectMD2&) = delete;

    // Reads the model; the skin (a file name, may be null) is loaded as its
    // texture.
    void load(const char* path, const char* skinFile);

    // Mode 1 draws with the skin texture and the per-pixel lighting program.
    void draw(int mode);
    // A model with no animation keeps its first key frame and ignores this.
    void setAnimation(int index);
    void setSpeed(float framesPerSecond) { speed = framesPerSecond; }

    void setPosition(float x, float y, float z);
    void setScale(float x, float y, float z);
    void setRotation(float angle);
    const Vector3& position() const { return placement.position; }
    const Vector3& worldMin() const { return placement.worldMin; }
    const Vector3& worldMax() const { return placement.worldMax; }
    int vertexCount() const { return model.totalVertices; }
    // The world box around the pose last drawn (before the first draw, the
    // current key frame); false when there is nothing to draw.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement.bounds(poseMin, poseMax, low, high);
    }
    void drawBoundingBox();

    // The volume of the pose between the current key frame and the next (the
    // animation may step on); the scene counts it into the stencil buffer.
    void buildShadowVolume(Vector3 light);

    const ModelRecord& record() const { return model; }
    int currentFrame() const { return model.currentFrame; }
    int currentAnimation() const { return model.currentAnimation; }
    unsigned skinTexture() const { return texture; }
    const ShadowVolume& shadow() const { return *shadowVolume; }
    void setClock(Clock clock) { ticks = clock; }

    // The key frame after the current one within the playing animation.
    int nextFrame() const;

private:
    // Advances the key frame when its time has come and returns how far the
    // pose lies between the current key frame and `next` (not clamped).
    float step(int next);
    // Carries the current key frame's box into the placement's corners.
    void updateWorldCorners();

    ModelRecord model;
    unsigned texture;
    float elapsed;
    float lastTime;
    float speed;
    Placement placement;
    std::unique_ptr<ShadowVolume> shadowVolume;
    Clock ticks;
    // The model-space box of the pose last drawn: interpolated, and
    // extrapolated when a draw comes late, so it can leave every key frame's box.
    Vector3 poseMin;
    Vector3 poseMax;
};
