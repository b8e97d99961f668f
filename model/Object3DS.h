// A 3DS model ready to draw: its record, one texture per material, its
// placement and one shadow volume per mesh. Meshes draw from their vertex
// buffers, each culled against the camera's frustum.
#pragma once

#include <memory>
#include <vector>

#include "model/ModelRecord.h"
#include "model/Placement.h"

class ShadowVolume;

class Object3DS {
public:
    Object3DS();
    ~Object3DS();
    Object3DS(const Object3DS&) = delete;
    Object3DS& operator=(const Object3DS&) = delete;

    // Reads the model and loads each material's texture from `directory`
    // followed directly by the material's file name.
    void load(const char* directory, const char* path);

    // Mode 1 draws textured meshes with their textures and the others
    // untextured; any other value binds no texture and leaves texturing as the
    // caller set it (the shadow map's lit pass keeps its depth map bound).
    void draw(int mode);
    // The model box, then every mesh box.
    void drawBoundingBoxes();

    void setPosition(float x, float y, float z);
    void setScale(float x, float y, float z);
    void setRotation(float angle);
    const Vector3& position() const { return placement.position; }
    const Vector3& worldMin() const { return placement.worldMin; }
    const Vector3& worldMax() const { return placement.worldMax; }
    int vertexCount() const { return model.totalVertices; }
    // The world box around everything the model draws; false when it draws nothing.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement.bounds(model.boxMin, model.boxMax, low, high);
    }

    // One volume per mesh, from the light's position; the scene counts them
    // into the stencil buffer.
    void buildShadowVolumes(Vector3 light);

    const ModelRecord& record() const { return model; }
    const std::vector<unsigned>& textureNames() const { return textures; }
    size_t shadowVolumeCount() const { return shadowVolumes.size(); }
    const ShadowVolume& shadowVolume(size_t i) const { return *shadowVolumes[i]; }

private:
    ModelRecord model;
    std::vector<unsigned> textures;  // one per material
    Placement placement;
    std::vector<std::unique_ptr<ShadowVolume>> shadowVolumes;  // one per mesh once built
};
