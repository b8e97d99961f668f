/// \file
/// The scene's unit of placement: one model object of one of three kinds,
/// with the flags the scene keeps per object (casts a shadow, visible, shadow
/// out of date, in view at the last test).
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"
#include "math/Vector3.h"

class Object3DS;
class ObjectMD2;
class ObjectXML;
class Placement;
class ShadowVolume;

/// Which model object a game object holds.
enum ModelKind {
    ModelXml = 0,  ///< an ObjectXML
    ModelMd2 = 1,  ///< an ObjectMD2
    Model3ds = 2   ///< an Object3DS
};

/// One model object in the scene, with the flags the scene keeps for it.
class GameObject : NonCopyable {
public:
    /// Visible, casting no shadow, its shadow out of date; holds no model
    /// until one of the loads.
    GameObject();
    /// Destroys the model object.
    ~GameObject();

    /// Loads a model in the engine's XML format (each game object is loaded
    /// once, with one of these three).
    void loadXmlModel(const char* path);
    /// Loads an MD2 model with its skin image.
    void loadMd2(const char* modelPath, const char* skinPath);
    /// Loads a 3DS model; its textures are read from `textureDirectory`
    /// followed directly by each material's file name.
    void load3ds(const char* textureDirectory, const char* path);

    /// Draws the model; mode 1 draws it textured (see the model objects).
    void draw(int mode);
    /// Moves the model; its shadow is out of date.
    void setPosition(float x, float y, float z);
    /// Scales the model along each axis; its shadow is out of date.
    void setScale(float x, float y, float z);
    /// Turns the model this many degrees about the Y axis; its shadow is out
    /// of date.
    void setRotation(float angle);
    /// Where the model stands.
    const Vector3& position() const;
    /// The model box's first corner in world space (see Placement::worldMin).
    const Vector3& worldMin() const;
    /// The model box's second corner in world space.
    const Vector3& worldMax() const;
    /// The world box around everything the model draws; false when it draws
    /// nothing.
    bool worldBounds(Vector3& low, Vector3& high) const;

    /// Tests the world box against the camera's frustum; stores the answer.
    bool testInView();
    /// Rebuilds the shadow from light 1 when it is out of date.
    void updateShadowVolumes();
    /// Counts the model's shadow volume(s) into the stencil buffer.
    void renderShadowStencil();
    /// Draws the volumes' walls visibly.
    void drawShadowVolumes();
    /// Appends the model's shadow volumes (one per 3DS mesh once built, one
    /// for the other kinds).
    void appendShadowVolumes(std::vector<const ShadowVolume*>& volumes) const;
    /// Draws the model's bounding boxes as lines.
    void drawBoundingBoxes();
    /// The model's vertex count as the scene totals it (0 for XML models).
    int vertexCount() const;

    /// Plays animation `index` (MD2 objects only; others ignore it).
    void setAnimation(int index);
    /// Sets the key frames a second (MD2 objects only; others ignore it).
    void setAnimationSpeed(float framesPerSecond);

    /// Which model object this holds.
    ModelKind getKind() const { return kind; }
    /// Makes the model cast a stencil shadow, or not.
    void setCastsShadow(bool flag) { castsShadow = flag; }
    /// Whether the model casts a stencil shadow.
    bool isCastingShadow() const { return castsShadow; }
    /// Shows or hides the model.
    void setVisible(bool flag) { visible = flag; }
    /// Whether the model is drawn at all.
    bool isVisible() const { return visible; }
    /// Marks the shadow volumes out of date (or up to date).
    void setShadowDirty(bool flag) { shadowDirty = flag; }
    /// Whether the shadow volumes must be rebuilt before they are counted.
    bool isShadowDirty() const { return shadowDirty; }
    /// Sets the answer of the last view test.
    void setInView(bool flag) { inView = flag; }
    /// Whether the last view test found the model in view.
    bool isInView() const { return inView; }

    /// The XML model object; null unless the kind is ModelXml.
    ObjectXML* xml() const { return xmlObject.get(); }
    /// The MD2 model object; null unless the kind is ModelMd2.
    ObjectMD2* md2() const { return md2Object.get(); }
    /// The 3DS model object; null unless the kind is Model3ds.
    Object3DS* model3ds() const { return object3ds.get(); }

private:
    // Calls `f` with the model object that `kind` selects.
    template <typename Function>
    decltype(auto) forward(Function&& f) const {
        switch (kind) {
            case ModelXml:
                return f(*xmlObject);
            case ModelMd2:
                return f(*md2Object);
            default:
                return f(*object3ds);
        }
    }
    // The placement of the model object that `kind` selects.
    Placement& placement();
    const Placement& placement() const;

    std::unique_ptr<ObjectXML> xmlObject;
    std::unique_ptr<ObjectMD2> md2Object;
    std::unique_ptr<Object3DS> object3ds;
    ModelKind kind;
    bool castsShadow;
    bool visible;
    bool shadowDirty;
    bool inView;
};
