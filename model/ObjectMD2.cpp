#include "model/ObjectMD2.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <cfloat>

#include "core/Engine.h"
#include "model/ModelDrawing.h"
#include "model/ModelLoaders.h"
#include "platform/Utils.h"
#include "model/ShadowVolume.h"
#include "render/GlState.h"
#include "shader/Shader.h"
#include "shader/ShaderManager.h"

namespace {

constexpr size_t kPerPixelTextureShader = 9;

}  // namespace

ObjectMD2::ObjectMD2()
    : texture(0),
      elapsed(0.0f),
      lastTime(0.0f),
      speed(5.0f),
      placement_(1.0f),
      shadowVolume(std::make_unique<ShadowVolume>()),
      ticks(SDL_GetTicks),
      poseMin(FLT_MAX, FLT_MAX, FLT_MAX),
      poseMax(-FLT_MAX, -FLT_MAX, -FLT_MAX) {}

ObjectMD2::~ObjectMD2() = default;

void ObjectMD2::load(const char* path, const char* skinFile) {
    loadMd2(model, path, skinFile);
    for (MaterialRecord& material : model.materials) {
        if (material.textureFile[0] != '\0') {
            texture = Engine::utils->loadImageByExtension(material.textureFile);
        }
        material.textureId = 1;
    }
    if (!model.meshes.empty()) {
        const MeshRecord& frame = model.meshes[size_t(model.currentFrame)];
        placement_.fit(frame.boxMin, frame.boxMax);
        poseMin = frame.boxMin;  // nothing drawn yet
        poseMax = frame.boxMax;
    }
}

int ObjectMD2::nextFrame() const {
    if (model.animations.empty()) {
        return model.currentFrame;
    }
    const AnimationRecord& animation = model.animations[size_t(model.currentAnimation)];
    if (animation.endFrame <= 0) {
        return animation.startFrame;
    }
    int next = (model.currentFrame + 1) % animation.endFrame;
    return next == 0 ? animation.startFrame : next;
}

float ObjectMD2::step(int next) {
    if (model.animations.empty() || speed <= 0.0f) {
        return 0.0f;  // a still model, or one told not to play
    }
    const float now = float(ticks());
    elapsed = now - lastTime;
    const float duration = 1000.0f / speed;
    if (elapsed >= duration) {
        setFrame(next);
        lastTime = now;
    }
    return elapsed / duration;
}

void ObjectMD2::setAnimation(int index) {
    if (model.animations.empty()) {
        return;
    }
    const int count = int(model.animations.size());
    model.currentAnimation = ((index % count) + count) % count;
    setFrame(model.animations[size_t(model.currentAnimation)].startFrame);
}

void ObjectMD2::setFrame(int frame) {
    model.currentFrame = frame;
    if (size_t(frame) < model.meshes.size()) {
        const MeshRecord& mesh = model.meshes[size_t(frame)];
        placement_.follow(mesh.boxMin, mesh.boxMax);
    }
}

void ObjectMD2::draw(int mode) {
    const gl::ScopedMatrix placed;
    placement_.apply();
    if (model.meshes.empty()) {
        return;
    }
    const int next = nextFrame();
    const MeshRecord& a = model.meshes[size_t(model.currentFrame)];
    const MeshRecord& b = model.meshes[size_t(next)];
    const MeshRecord& first = model.meshes[0];
    const float t = step(next);

    if (mode == 1) {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        Engine::shaderManager->getShader(kPerPixelTextureShader)->bind();
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    const bool textured = !first.texCoords.empty();
    poseMin = Vector3(FLT_MAX, FLT_MAX, FLT_MAX);
    poseMax = -poseMin;
    glBegin(GL_TRIANGLES);
    for (const FaceRecord& face : first.faces) {
        for (int corner = 0; corner < 3; ++corner) {
            const size_t v = size_t(face.vertexIndex[corner]);
            if (textured) {
                const Vector2& uv = first.texCoords[size_t(face.coordIndex[corner])];
                glTexCoord2f(uv.u, uv.v);
            }
            const Vector3& n = first.normals[v];
            glNormal3f(n.x, n.y, n.z);
            const Vector3 p = a.vertices[v] + (b.vertices[v] - a.vertices[v]) * t;
            glVertex3f(p.x, p.y, p.z);
            poseMin = Vector3(std::min(poseMin.x, p.x), std::min(poseMin.y, p.y),
                              std::min(poseMin.z, p.z));
            poseMax = Vector3(std::max(poseMax.x, p.x), std::max(poseMax.y, p.y),
                              std::max(poseMax.z, p.z));
        }
    }
    glEnd();
    Shader::unbind();
}

void ObjectMD2::drawBoundingBox() {
    if (model.meshes.empty()) {
        return;
    }
    const MeshRecord& frame = model.meshes[size_t(model.currentFrame)];
    const gl::ScopedMatrix placed;
    placement_.apply();
    glColor3f(0.9f, 0.2f, 0.1f);
    drawBoxEdges(frame.boxMin, frame.boxMax);
}

void ObjectMD2::buildShadowVolume(Vector3 light) {
    if (model.meshes.empty()) {
        return;
    }
    const int next = nextFrame();
    const int current = model.currentFrame;
    const float t = step(next);
    shadowVolume->buildMd2(model.meshes[0], model.meshes[size_t(current)],
                           model.meshes[size_t(next)], t, light, placement_.position(),
                           placement_.scale(), placement_.angle(), placement_.axis());
}
