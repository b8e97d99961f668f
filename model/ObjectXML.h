/// \file
/// A model in the engine's XML format ready to draw: its record, placement and
/// one shadow volume. Faces draw in immediate mode with vertex colours, a flat
/// normal each and their material's colour map; sub-objects are culled against
/// the camera's frustum.
#pragma once

#include <memory>

#include "base/NonCopyable.h"
#include "model/ModelXML.h"
#include "model/Placement.h"

class ShadowVolume;

/// A model in the engine's XML format, drawn face by face, with one shadow volume.
class ObjectXML : NonCopyable {
public:
    /// Empty, at the origin, at scale 1.
    ObjectXML();
    ~ObjectXML();

    /// Reads the model and loads its materials' colour maps.
    void load(const char* path);

    /// Mode 1 switches textures per quad face and binds each triangle face's
    /// material texture; faces without a material draw untextured. Any other
    /// mode leaves texturing as the caller set it (the shadow map's lit pass
    /// keeps its depth map bound).
    void draw(int mode);
    /// Draws the model box, then every sub-object box, in white.
    void drawBoundingBoxes();

    /// Where the model stands; moving it carries the model box along.
    Placement& placement() { return placement_; }
    /// Where the model stands.
    const Placement& placement() const { return placement_; }
    /// The world box around everything the model draws; false when it draws nothing.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement_.bounds(model.boxMin, model.boxMax, low, high);
    }

    /// The volume of the first sub-object, moved by the position only; the
    /// scene counts it into the stencil buffer.
    void buildShadowVolume(float lightX, float lightY, float lightZ);

    /// The model as read.
    const ModelXML& record() const { return model; }
    /// The shadow volume as last built.
    const ShadowVolume& shadow() const { return *shadowVolume; }

private:
    void drawCorner(const VertexXML& v) const;

    ModelXML model;
    Placement placement_;
    std::unique_ptr<ShadowVolume> shadowVolume;
};
