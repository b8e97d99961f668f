#include "model/ObjectXML.h"

#include <GL/glew.h>

#include "model/ModelDrawing.h"
#include "model/ModelLoaders.h"
#include "model/ShadowVolume.h"
#include "render/GlState.h"

ObjectXML::ObjectXML() : placement_(1.0f), shadowVolume(std::make_unique<ShadowVolume>()) {}

ObjectXML::~ObjectXML() = default;

void ObjectXML::load(const char* path) {
    loadXmlModel(model, path);
    placement_.fit(model.boxMin, model.boxMax);
}

void ObjectXML::drawCorner(const VertexXML& v) const {
    if (v.u0 != -1.0f) {
        glTexCoord2f(v.u0, v.v0);
    }
    glColor4f(v.r, v.g, v.b, v.a);
    glVertex3f(v.x, v.y, v.z);
}

void ObjectXML::draw(int mode) {
    const gl::ScopedMatrix placed;
    placement_.apply();
    for (const SubObjectXML& object : model.subObjects) {
        if (!boxVisible(placement_, object.boxMin, object.boxMax)) {
            continue;
        }
        for (const FaceXML& face : object.faces) {
            // A face without a material has no texture: texture name 0, the
            // same as a material whose colour map is missing (-1).
            const int texture =
                face.materialIndex >= 0 ? model.materials[size_t(face.materialIndex)].texture : -1;
            const GLuint name = texture > 0 ? GLuint(texture) : 0;
            const VertexXML& a = object.vertices[size_t(face.a)];
            const VertexXML& b = object.vertices[size_t(face.b)];
            const VertexXML& c = object.vertices[size_t(face.c)];
            if (mode == 1) {
                if (face.d == -1) {
                    glBindTexture(GL_TEXTURE_2D, name);
                } else if (name == 0) {
                    glDisable(GL_TEXTURE_2D);
                } else {
                    glEnable(GL_TEXTURE_2D);
                    glBindTexture(GL_TEXTURE_2D, name);
                }
            }
            glBegin(GL_TRIANGLES);
            glNormal3f(face.normal.x, face.normal.y, face.normal.z);
            drawCorner(a);
            drawCorner(b);
            drawCorner(c);
            if (face.d != -1) {
                const VertexXML& d = object.vertices[size_t(face.d)];
                drawCorner(c);
                drawCorner(d);
                drawCorner(a);
            }
            glEnd();
        }
    }
}

void ObjectXML::drawBoundingBoxes() {
    drawModelBoxes(placement_, 1.0f, 1.0f, 1.0f, model.boxMin, model.boxMax, model.subObjects);
}

void ObjectXML::buildShadowVolume(float lightX, float lightY, float lightZ) {
    shadowVolume->buildXml(model, lightX, lightY, lightZ, placement_.position());
}
