#include "scene/GameObject.h"

#include "core/Engine.h"
#include "model/Object3DS.h"
#include "model/ObjectMD2.h"
#include "model/ObjectXML.h"
#include "model/ShadowVolume.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "scene/LightManager.h"
#include "scene/StencilShadows.h"

GameObject::GameObject()
    : kind(ModelXml), castsShadow(false), visible(true), shadowDirty(true), inView(false) {}

// The model objects go in this order: XML, MD2, 3DS.
GameObject::~GameObject() {
    xmlObject.reset();
    md2Object.reset();
    object3ds.reset();
}

void GameObject::loadXmlModel(const char* path) {
    xmlObject = std::make_unique<ObjectXML>();
    kind = ModelXml;
    xmlObject->load(path);
}

void GameObject::loadMd2(const char* modelPath, const char* skinPath) {
    md2Object = std::make_unique<ObjectMD2>();
    kind = ModelMd2;
    md2Object->load(modelPath, skinPath);
}

void GameObject::load3ds(const char* textureDirectory, const char* path) {
    object3ds = std::make_unique<Object3DS>();
    kind = Model3ds;
    object3ds->load(textureDirectory, path);
}

void GameObject::draw(int mode) {
    forward([mode](auto& object) { object.draw(mode); });
}

Placement& GameObject::placement() {
    return forward([](auto& object) -> Placement& { return object.placement(); });
}

const Placement& GameObject::placement() const {
    return forward([](auto& object) -> const Placement& { return object.placement(); });
}

void GameObject::setPosition(float x, float y, float z) {
    shadowDirty = true;
    placement().setPosition(x, y, z);
}

void GameObject::setScale(float x, float y, float z) {
    shadowDirty = true;
    placement().setScale(x, y, z);
}

void GameObject::setRotation(float angle) {
    shadowDirty = true;
    placement().setRotation(angle);
}

const Vector3& GameObject::position() const {
    return placement().position();
}

const Vector3& GameObject::worldMin() const {
    return placement().worldMin();
}

const Vector3& GameObject::worldMax() const {
    return placement().worldMax();
}

bool GameObject::worldBounds(Vector3& low, Vector3& high) const {
    return forward([&](auto& object) { return object.worldBounds(low, high); });
}

bool GameObject::testInView() {
    const Vector3& min = worldMin();
    const Vector3& max = worldMax();
    inView = Engine::camera->getFrustum()->boxInFrustum(min.x, min.y, min.z, max.x, max.y, max.z) !=
             OUTSIDE;
    return inView;
}

void GameObject::updateShadowVolumes() {
    if (!shadowDirty) {
        return;
    }
    const Vector3 light = Engine::lightManager->lightPosition(1);
    switch (kind) {
        case ModelXml:
            xmlObject->buildShadowVolume(light.x, light.y, light.z);
            shadowDirty = false;
            break;
        case ModelMd2:
            // An animated model changes shape every frame.
            md2Object->buildShadowVolume(light);
            shadowDirty = true;
            break;
        default:
            object3ds->buildShadowVolumes(light);
            shadowDirty = false;
    }
}

void GameObject::renderShadowStencil() {
    std::vector<const ShadowVolume*> volumes;
    appendShadowVolumes(volumes);
    ::renderShadowStencil(volumes, Engine::graphicsCore->hasTwoSidedStencil());
}

void GameObject::drawShadowVolumes() {
    std::vector<const ShadowVolume*> volumes;
    appendShadowVolumes(volumes);
    for (const ShadowVolume* volume : volumes) {
        drawShadowVolume(*volume);
    }
}

void GameObject::appendShadowVolumes(std::vector<const ShadowVolume*>& volumes) const {
    switch (kind) {
        case ModelXml:
            volumes.push_back(&xmlObject->shadow());
            break;
        case ModelMd2:
            volumes.push_back(&md2Object->shadow());
            break;
        default:
            for (size_t i = 0; i < object3ds->shadowVolumeCount(); ++i) {
                volumes.push_back(&object3ds->shadowVolume(i));
            }
    }
}

void GameObject::drawBoundingBoxes() {
    switch (kind) {
        case ModelXml:
            xmlObject->drawBoundingBoxes();
            break;
        case ModelMd2:
            md2Object->drawBoundingBox();
            break;
        default:
            object3ds->drawBoundingBoxes();
    }
}

int GameObject::vertexCount() const {
    switch (kind) {
        case ModelXml:
            return 0;
        case ModelMd2:
            return md2Object->vertexCount();
        default:
            return object3ds->vertexCount();
    }
}

void GameObject::setAnimation(int index) {
    if (kind == ModelMd2) {
        md2Object->setAnimation(index);
    }
}

void GameObject::setAnimationSpeed(float framesPerSecond) {
    if (kind == ModelMd2) {
        md2Object->setSpeed(framesPerSecond);
    }
}
