#include "model/Object3DS.h"

#include <GL/glew.h>

#include <string>

#include "base/Console.h"
#include "core/Engine.h"
#include "model/ModelDrawing.h"
#include "model/ModelLoaders.h"
#include "platform/Utils.h"
#include "model/ShadowVolume.h"
#include "render/GlState.h"

Object3DS::Object3DS() : placement_(0.0f) {}

Object3DS::~Object3DS() = default;

void Object3DS::load(const char* directory, const char* path) {
    load3ds(model, path);
    textures.assign(model.materials.size(), 0);
    for (size_t i = 0; i < model.materials.size(); ++i) {
        MaterialRecord& material = model.materials[i];
        if (material.textureFile[0] != '\0') {
            std::string texturePath =
                std::string(directory ? directory : "") + material.textureFile;
            textures[i] = Engine::utils->loadImageByExtension(texturePath.c_str());
            console::outLine(texturePath);
        }
        material.textureId = int32_t(i);
    }
    placement_.fit(model.boxMin, model.boxMax);
}

void Object3DS::draw(int mode) {
    const gl::ScopedMatrix placed;
    placement_.apply();
    if (mode == 1) {
        glDisable(GL_TEXTURE_2D);  // textured meshes switch it on
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const MeshRecord& mesh : model.meshes) {
        if (mesh.vboVertexCount == 0 || !boxVisible(placement_, mesh.boxMin, mesh.boxMax)) {
            continue;
        }
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.vboVertices);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.vboNormals);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        const bool textured = mode == 1 && mesh.hasTexture && mesh.vboTexCoords != 0 &&
                              mesh.materialId >= 0 && size_t(mesh.materialId) < textures.size();
        if (textured) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glClientActiveTextureARB(GL_TEXTURE0_ARB);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, textures[size_t(mesh.materialId)]);
            glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.vboTexCoords);
            glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
            glDrawArrays(GL_TRIANGLES, 0, mesh.vboVertexCount);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        } else {
            if (mode == 1) {
                // Untextured: the default texture, plain white, for programs
                // that sample one.
                glBindTexture(GL_TEXTURE_2D, 0);
            }
            glDrawArrays(GL_TRIANGLES, 0, mesh.vboVertexCount);
        }
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void Object3DS::drawBoundingBoxes() {
    drawModelBoxes(placement_, 0.9f, 0.2f, 0.1f, model.boxMin, model.boxMax, model.meshes);
}

void Object3DS::buildShadowVolumes(Vector3 light) {
    // One volume per mesh, allocated on the first build and rebuilt in place.
    if (shadowVolumes.empty()) {
        for (size_t i = 0; i < model.meshes.size(); ++i) {
            shadowVolumes.push_back(std::make_unique<ShadowVolume>());
        }
    }
    for (size_t i = 0; i < model.meshes.size(); ++i) {
        shadowVolumes[i]->build3ds(model.meshes[i], light, placement_.position(),
                                   placement_.scale(), placement_.angle(), placement_.axis());
    }
}
