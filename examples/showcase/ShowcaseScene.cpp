#include "examples/showcase/ShowcaseScene.h"

#include <GL/glew.h>

#include "core/Engine.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/Light.h"
#include "scene/LightManager.h"
#include "text/Font.h"
#include "text/FontManager.h"

namespace {

// A warm white light over a cool shadow side; the specular stays the default.
void setColours(Light& light) {
    light.setDiffuse(1.0f, 0.97f, 0.9f, 1.0f);
    light.setAmbient(0.45f, 0.45f, 0.5f, 1.0f);
    light.setSpecular(0.6f, 0.6f, 0.6f, 1.0f);
}

template <typename Load>
GameObject* added(bool castsShadow, Load load) {
    auto* object = new GameObject();
    load(object);
    object->setCastsShadow(castsShadow);
    Engine::gameObjectManager->addObject(object);
    return object;
}

}  // namespace

ShowcaseScene loadShowcaseScene() {
    // Vertex colours feed the lit material; scaled models keep unit normals.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_NORMALIZE);

    Engine::camera->placeCamera(0.0f, 16.0f, 34.0f, 0.0f, 3.0f, 0.0f, 0.0f, 1.0f, 0.0f);

    ShowcaseScene scene;
    scene.light = new Light();
    scene.light->setPosition(18.0f, 40.0f, 22.0f, 1.0f);
    setColours(*scene.light);
    Engine::lightManager->addLight(scene.light);
    Engine::lightManager->enableLight(1);

    scene.ground = added(false, [](GameObject* o) { o->loadXmlModel("Data/Showcase/ground.xml"); });
    scene.crate = added(true, [](GameObject* o) {
        o->loadXmlModel("Data/Model/crate.xml");
        o->setPosition(-9.0f, 1.0f, 5.0f);
    });
    scene.jeep = added(true, [](GameObject* o) {
        o->load3ds("Data/Showcase/", "Data/Showcase/jeep1.3ds");
        o->setScale(0.7f, 0.7f, 0.7f);
        o->setPosition(9.0f, 0.02f, 1.0f);
        o->setRotation(35.0f);
    });
    scene.faerie = added(true, [](GameObject* o) {
        o->loadMd2("Data/Showcase/faerie.md2", "Data/Showcase/faerie_skin.bmp");
        o->setScale(0.16f, 0.16f, 0.16f);
        o->setPosition(0.0f, 24.6f * 0.16f, -3.0f);
        o->setRotation(90.0f);
    });
    selectShadowTechnique(scene, ShadowTechnique::StencilVolumes);
    return scene;
}

void selectShadowTechnique(ShowcaseScene& scene, ShadowTechnique technique) {
    scene.shadows = technique;
    Engine::graphicsCore->setShadowsEnabled(technique == ShadowTechnique::StencilVolumes);
    Engine::gameObjectManager->setShadowMapped(technique == ShadowTechnique::ShadowMap);
    setColours(*scene.light);
}

const char* shadowTechniqueName(ShadowTechnique technique) {
    switch (technique) {
        case ShadowTechnique::StencilVolumes:
            return "stencil volumes";
        case ShadowTechnique::ShadowMap:
            return "shadow map";
        default:
            return "none";
    }
}

void beginShowcaseFrame(const ShowcaseScene& scene) {
    glClearColor(0.46f, 0.58f, 0.72f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    Engine::camera->look();
    glLightfv(GL_LIGHT0, GL_POSITION, scene.light->position());
}

void printShowcaseHelp(const ShowcaseScene& scene) {
    Font* font = Engine::fontManager->getFont(1);
    const float* p = scene.light->position();
    font->print(1, 24, 2, 1.0f, 0.9f, 0.4f, "Varno Engine showcase: MD2, XML and 3DS models");
    font->print(1, 44, 0, 1.0f, 1.0f, 1.0f, "Arrows: move the light (%.0f, %.0f, %.0f)", p[0], p[1],
                p[2]);
    font->print(1, 62, 0, 1.0f, 1.0f, 1.0f, "V: shadow volumes   B: bounding boxes   C: chime");
    font->print(1, 80, 0, 1.0f, 1.0f, 1.0f, "W A S D and the mouse: free-look camera");
    font->print(1, 98, 0, 1.0f, 1.0f, 1.0f, "Escape: quit");
    font->print(1, 116, 0, 1.0f, 0.9f, 0.4f, "T: shadows - %s", shadowTechniqueName(scene.shadows));
}
