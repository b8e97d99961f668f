// The scene's unit of placement: one model object of one of three kinds,
// with the flags the scene keeps per object (casts a shadow, visible, shadow
// out of date, in view at the last test).
#pragma once

#include <memory>
#include <vector>

#include "math/Vector3.h"

class Object3DS;
class ObjectMD2;
class ObjectXML;
class ShadowVolume;

enum ModelKind { ModelXml = 0, ModelMd2 = 1, Model3ds = 2 };

class GameObject {
public:
    GameObject();
    ~GameObject();
    GameObject(const GameObject&) = delete;
    GameObject& operator=(const GameObject&) = delete;

    // Each game object is loaded once, with one of these.
    void loadXmlModel(const char* path);
    void loadMd2(const char* modelPath, const char* skinPath);
    void load3ds(const char* textureDirectory, const char* path);

    void draw(int mode);
    void setPosition(float x, float y, float z);
    void setScale(float x, float y, float z);
    // Degrees about the Y axis.
    void setRotation(float angle);
    const Vector3& position() const;
    const Vector3& worldMin() const;
    const Vector3& worldMax() const;
    // The world box around everything the model draws; false when it draws
    // nothing.
    bool worldBounds(Vector3& low, Vector3& high) const;

    // Tests the world box against the camera's frustum; stores the answer.
    bool testInView();
    // Rebuilds the shadow from light 1 when it is out of date.
    void updateShadowVolumes();
    // Counts the model's shadow volume(s) into the stencil buffer.
    void renderShadowStencil();
    // Draws the volumes' walls visibly.
    void drawShadowVolumes();
    // Appends the model's shadow volumes (one per 3DS mesh once built, one
    // for the other kinds).
    void appendShadowVolumes(std::vector<const ShadowVolume*>& volumes) const;
    void drawBoundingBoxes();
    int vertexCount() const;

    // MD2 objects only; others ignore them.
    void setAnimation(int index);
    void setAnimationSpeed(float framesPerSecond);

    ModelKind getKind() const { return kind; }
    void setCastsShadow(bool flag) { castsShadow = flag; }
    bool isCastingShadow() const { return castsShadow; }
    void setVisible(bool flag) { visible = flag; }
    bool isVisible() const { return visible; }
    void setShadowDirty(bool flag) { shadowDirty = flag; }
    bool isShadowDirty() const { return shadowDirty; }
    void setInView(bool flag) { inView = flag; }
    bool isInView() const { return inView; }

    ObjectXML* xml() const { return xmlObject.get(); }
    ObjectMD2* md2() const { return md2Object.get(); }
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

    std::unique_ptr<ObjectXML> xmlObject;
    std::unique_ptr<ObjectMD2> md2Object;
    std::unique_ptr<Object3DS> object3ds;
    ModelKind kind;
    bool castsShadow;
    bool visible;
    bool shadowDirty;
    bool inView;
};
