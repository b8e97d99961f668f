#include "scene/GameObjectManager.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "core/Engine.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "render/GlState.h"
#include "scene/GameObject.h"
#include "scene/Light.h"
#include "scene/LightManager.h"
#include "model/ShadowVolume.h"
#include "scene/StencilShadows.h"

GameObjectManager::GameObjectManager()
    : showVolumes(false),
      lightChanged(false),
      showBoxes(false),
      shadowMapped(false),
      vertices(0),
      bias(0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f,
           1.0f),
      stencil(std::make_unique<StencilShadows>()) {}

GameObjectManager::~GameObjectManager() = default;

void GameObjectManager::addObject(GameObject* object) {
    objects.emplace_back(object);
    vertices += object->vertexCount();
}

void GameObjectManager::renderFrame() {
    if (shadowMapped) {
        renderShadowMapped();
    } else if (Engine::graphicsCore->shadowsEnabled()) {
        renderWithShadows();
    } else {
        renderPlain();
    }
}

void GameObjectManager::renderPlain() {
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    for (const auto& object : objects) {
        if (!object->isVisible() || !object->testInView()) {
            continue;
        }
        object->draw(1);
        if (showBoxes) {
            object->drawBoundingBoxes();
        }
    }
}

void GameObjectManager::renderWithShadows() {
    for (const auto& object : objects) {
        if (!object->isVisible()) {
            continue;
        }
        object->testInView();
        if (object->isCastingShadow()) {
            if (lightChanged) {
                object->setShadowDirty(true);
            }
            if (object->isInView()) {
                object->updateShadowVolumes();
            }
        }
    }

    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_STENCIL_TEST);
    stencil->begin();
    stencil->beginSurfaces();
    for (const auto& object : objects) {
        if (object->isVisible() && object->isInView()) {
            object->draw(1);
            if (showBoxes) {
                object->drawBoundingBoxes();
            }
            Vector3 low;
            Vector3 high;
            if (object->worldBounds(low, high)) {
                stencil->addBounds(low, high);
            }
        }
    }
    stencil->endSurfaces();
    glDisable(GL_LIGHTING);

    for (const auto& object : objects) {
        if (object->isVisible() && object->isInView() && object->isCastingShadow()) {
            casterVolumes.clear();
            object->appendShadowVolumes(casterVolumes);
            stencil->addCaster(casterVolumes);
        }
    }
    stencil->count(Engine::graphicsCore->hasTwoSidedStencil());
    stencil->darken();
    glEnable(GL_LIGHTING);

    if (showVolumes) {
        for (const auto& object : objects) {
            if (object->isCastingShadow() && object->isVisible()) {
                object->drawShadowVolumes();
            }
        }
    }
    lightChanged = false;
}

void GameObjectManager::renderShadowMapped() {
    Light* light = Engine::lightManager->light(1);
    if (light == nullptr) {
        return;
    }
    GraphicsCore& graphics = *Engine::graphicsCore;
    const int mapWidth = graphics.shadowMapWidth();
    const int mapHeight = graphics.shadowMapHeight();
    // The camera's view is drawn with the projection the frame was set up
    // with, which is left as it was; face culling comes back as it was too.
    Matrix4 cameraProjection;
    glGetFloatv(GL_PROJECTION_MATRIX, cameraProjection.data());
    const gl::ScopedEnable culling(GL_CULL_FACE);
    // The depth comparison is fixed-function texturing, which a shader
    // program would bypass: the passes that need it run without one.
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgram(0);

    // The depth of the scene as the light sees it, through the light's own
    // projection and view: the same ones that map each point into the depth
    // map below, so that the depths compare.
    glDisable(GL_STENCIL_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(light->projectionMatrix().data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(light->viewMatrix().data());
    glViewport(0, 0, mapWidth, mapHeight);
    // Nothing drawn earlier in the frame belongs in the light's view.
    glClear(GL_DEPTH_BUFFER_BIT);
    glCullFace(GL_FRONT);
    glShadeModel(GL_FLAT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (const auto& object : objects) {
        object->draw(0);
    }
    glBindTexture(GL_TEXTURE_2D, graphics.shadowMapTexture());
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, mapWidth, mapHeight);
    glCullFace(GL_BACK);
    glShadeModel(GL_SMOOTH);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);

    // The scene from the camera, dimly lit everywhere.
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(cameraProjection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Engine::camera->look();
    glViewport(0, 0, graphics.getScreenWidth(), graphics.getScreenHeight());
    light->setAmbient(0.2f, 0.2f, 0.2f, 0.2f);
    light->setDiffuse(0.2f, 0.2f, 0.2f, 0.2f);
    light->setSpecular(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glUseProgram(GLuint(program));
    for (const auto& object : objects) {
        object->draw(1);
    }
    glUseProgram(0);

    // Then brightly where the light reaches: texture coordinates project each
    // point into the light's depth map, and the depth comparison leaves alpha
    // 1 only where nothing stands between it and the light. The objects draw
    // untextured (mode 0) and leave the depth map bound.
    light->setDiffuse(1.0f, 1.0f, 1.0f, 1.0f);
    light->setSpecular(1.0f, 1.0f, 1.0f, 1.0f);
    light->setAmbient(0.5f, 0.5f, 0.5f, 0.5f, false);  // kept for later, the dim ambient stays
    const Matrix4 textureMatrix = (bias * light->projectionMatrix()) * light->viewMatrix();
    const GLenum coordinates[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum generation[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                                  GL_TEXTURE_GEN_Q};
    for (int i = 0; i < 4; ++i) {
        const Vector4 plane = textureMatrix.row(i);
        const GLfloat values[4] = {plane.x, plane.y, plane.z, plane.w};
        glTexGeni(coordinates[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        glTexGenfv(coordinates[i], GL_EYE_PLANE, values);
        glEnable(generation[i]);
    }
    glBindTexture(GL_TEXTURE_2D, graphics.shadowMapTexture());
    glEnable(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_INTENSITY);
    glAlphaFunc(GL_GEQUAL, 0.99f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_LIGHTING);
    for (const auto& object : objects) {
        object->draw(0);
    }
    glDisable(GL_TEXTURE_2D);
    for (GLenum g : generation) {
        glDisable(g);
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glUseProgram(GLuint(program));
}
