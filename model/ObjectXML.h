// A model in the engine's XML format ready to draw: its record, placement and
// one shadow volume. Faces draw in immediate mode with vertex colours, a flat
// normal each and their material's colour map; sub-objects are culled against
// the camera's frustum.
#pragma once

#include <memory>

#include "model/ModelXML.h"
#include "model/Placement.h"

class ShadowVolume;

class ObjectXML {
public:
    ObjectXML();
    ~ObjectXML();
    ObjectXML(const ObjectXML&) = delete;
    ObjectXML& operator=(const ObjectXML&) = delete;

    void load(const char* path);

    // Mode 1 switches textures per quad face and binds each triangle face's
    // material texture; faces without a material draw untextured. Any other
    // mode leaves texturing as the caller set it (the shadow map's lit pass
    // keeps its depth map bound).
    void draw(int mode);
    // The model box, then every sub-object box, in white.
    void drawBoundingBoxes();

    void setPosition(float x, float y, float z);
    void setScale(float x, float y, float z);
    void setRotation(float angle);
    const Vector3& position() const { return placement.position; }
    const Vector3& worldMin() const { return placement.worldMin; }
    const Vector3& worldMax() const { return placement.worldMax; }
    // The world box around everything the model draws; false when it draws nothing.
    bool worldBounds(Vector3& low, Vector3& high) const {
        return placement.bounds(model.boxMin, model.boxMax, low, high);
    }

    // The volume of the first sub-object, moved by the position only; the
    // scene counts it into the stencil buffer.
    void buildShadowVolume(float lightX, float lightY, float lightZ);

    const ModelXML& record() const { return model; }
    const ShadowVolume& shadow() const { return *shadowVolume; }

private:
    void drawCorner(const VertexXML& v) const;

    ModelXML model;
    Placement placement;
    std::unique_ptr<ShadowVolume> shadowVolume;
};
