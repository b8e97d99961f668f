/// \file
/// A 3DS model ready to draw: its record, one texture per material, its
/// placement and one shadow volume per mesh. Meshes draw from their vertex
/// buffers, each culled against the camera's frustum.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"
#include "model/ModelRecord.h"
#include "model/Placement.h"

class ShadowVolume;

/// A 3DS model drawn from vertex buffers, with its textures and shadow volumes.
class Object3DS : NonCopyable {
public:
    /// Empty, and scaled to nothing: the model shows once a scale is set.
    Object3DS();
    ~Object3DS();

    /// Reads the model and loads each material's texture from `directory`
    /// followed directly by the material's file name.
    void load(const char* directory, const char* path);

    /// Mode 1 draws textured meshes with their textures and the others
    /// untextured; any other value binds no texture and leaves texturing as the
    /// caller set it (the shadow map's lit pass keeps its depth map bound).
    void draw(int mode);
    /// Draws the model box, then every mesh box, as red lines.
    void drawBoundingBoxes();

    /// Where the model stands; moving it carries the model box along.
    Placement& placement() { return placement_; }
    /// Where the model stands.
    const Placement& placement() const { return placement_; }
    /// The vertices the file holds, over all meshes.
    int vertexCount() const { return model.totalVertices; }
    /// The world box around everything the model draws; false when it draws nothing.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement_.bounds(model.boxMin, model.boxMax, low, high);
    }

    /// One volume per mesh, from the light's position; the scene counts them
    /// into the stencil buffer.
    void buildShadowVolumes(Vector3 light);

    /// The model as read, with its vertex buffers.
    const ModelRecord& record() const { return model; }
    /// The GL texture of each material, 0 where it has none.
    const std::vector<unsigned>& textureNames() const { return textures; }
    /// How many shadow volumes exist: none before the first build, then one per mesh.
    size_t shadowVolumeCount() const { return shadowVolumes.size(); }
    /// The shadow volume of mesh `i`.
    const ShadowVolume& shadowVolume(size_t i) const { return *shadowVolumes[i]; }

private:
    ModelRecord model;
    std::vector<unsigned> textures;  // one per material
    Placement placement_;
    std::vector<std::unique_ptr<ShadowVolume>> shadowVolumes;  // one per mesh once built
};
