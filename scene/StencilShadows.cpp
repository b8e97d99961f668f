#include "scene/StencilShadows.h"

#include <GL/glew.h>

#include <algorithm>

#include "math/Matrix4.h"
#include "math/Vector4.h"
#include "model/ShadowVolume.h"
#include "render/GlState.h"

namespace {

// The stencil bit that marks the scene's surfaces before the counting starts.
constexpr GLuint kSurfaceBit = 0x80;

// Back faces of the volumes decrement, front faces increment, in one pass.
void setTwoSidedCounting() {
    glDepthMask(GL_FALSE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_STENCIL_TEST);
    glEnable(GL_STENCIL_TEST_TWO_SIDE_EXT);
    glActiveStencilFaceEXT(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR_WRAP_EXT);
    glStencilMask(~0u);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glActiveStencilFaceEXT(GL_FRONT);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR_WRAP_EXT);
    glStencilMask(~0u);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
}

// Pass 0 increments through the front faces, pass 1 decrements through the
// back faces.
void setOneSidedPass(int pass) {
    if (pass == 0) {
        // A two-sided pass before leaves the extension on; its back-face
        // operations would otherwise still apply to these passes.
        if (GLEW_EXT_stencil_two_side) {
            glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        }
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
    } else {
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
        glCullFace(GL_BACK);
    }
}

// The state the rest of the frame expects; two-sided mode stays on.
void endCounting(bool twoSided) {
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!twoSided) {
        glDisable(GL_CULL_FACE);
    }
}

// Stencil writes off on both faces (measuring), or back on.
void setStencilWrites(bool on, bool twoSided) {
    const GLuint mask = on ? ~0u : 0u;
    if (twoSided) {
        glActiveStencilFaceEXT(GL_BACK);
        glStencilMask(mask);
        glActiveStencilFaceEXT(GL_FRONT);
    }
    glStencilMask(mask);
}

// Runs the block with no shader program, as the volumes and the darkening are
// plain geometry; the program in use comes back after.
class NoProgram {
public:
    NoProgram() {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        if (program != 0) {
            glUseProgram(0);
        }
    }
    ~NoProgram() {
        if (program != 0) {
            glUseProgram(GLuint(program));
        }
    }
    NoProgram(const NoProgram&) = delete;
    NoProgram& operator=(const NoProgram&) = delete;

private:
    GLint program = 0;
};

// Adds a query's result (waiting for it) to `total`.
void addResult(GLuint query, uint64_t& total) {
    GLuint64 value = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &value);
    total += value;
}

}  // namespace

void drawShadowVolume(const ShadowVolume& volume) {
    const uint32_t count = volume.vertexCount();
    if (count == 0) {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    for (uint32_t k = 0; k + 2 < count; k += 3) {
        for (uint32_t corner = k; corner < k + 3; ++corner) {
            const Vector3& v = volume.vertices()[corner];
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void renderShadowStencil(const std::vector<const ShadowVolume*>& volumes, bool twoSided) {
    const auto drawVolumes = [&volumes] {
        for (const ShadowVolume* volume : volumes) {
            drawShadowVolume(*volume);
        }
    };
    if (twoSided) {
        setTwoSidedCounting();
        drawVolumes();
    } else {
        setOneSidedPass(0);
        drawVolumes();
        setOneSidedPass(1);
        drawVolumes();
    }
    endCounting(twoSided);
}

void darkenShadowedPixels() {
    glMatrixMode(GL_MODELVIEW);
    const gl::ScopedMatrix view(GL_MODELVIEW);
    glLoadIdentity();
    const gl::ScopedMatrix projection(GL_PROJECTION);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glEnable(GL_BLEND);
    // Every covered pixel whose count is not zero keeps half its colour.
    glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glMatrixMode(GL_MODELVIEW);
}

StencilShadows::StencilShadows() = default;

// The buffer and query names live until the context ends, as every GL name
// the engine makes.
StencilShadows::~StencilShadows() = default;

void StencilShadows::begin() {
    casters.clear();
    volumes.clear();
    hasBounds = false;
    surfacesMarked = false;
}

void StencilShadows::addBounds(const Vector3& low, const Vector3& high) {
    if (!hasBounds) {
        boundsMin = low;
        boundsMax = high;
        hasBounds = true;
        return;
    }
    boundsMin = Vector3(std::min(boundsMin.x, low.x), std::min(boundsMin.y, low.y),
                        std::min(boundsMin.z, low.z));
    boundsMax = Vector3(std::max(boundsMax.x, high.x), std::max(boundsMax.y, high.y),
                        std::max(boundsMax.z, high.z));
}

void StencilShadows::beginSurfaces() {
    // Last frame's counts must not pass for marks.
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    if (GLEW_EXT_stencil_two_side) {
        glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
    }
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, kSurfaceBit, kSurfaceBit);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glStencilMask(kSurfaceBit);
    surfacesMarked = true;
}

void StencilShadows::endSurfaces() {
    glStencilMask(~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_STENCIL_TEST);
}

void StencilShadows::addCaster(const std::vector<const ShadowVolume*>& casterVolumes) {
    casters.push_back(Caster{volumes.size(), casterVolumes.size()});
    for (const ShadowVolume* volume : casterVolumes) {
        volumes.push_back(Volume{volume, 0, ScreenRect()});
    }
}

void StencilShadows::upload() {
    vertexData.clear();
    for (Volume& v : volumes) {
        v.firstVertex = GLint(vertexData.size() / 3);
        const std::vector<Vector3>& points = v.volume->vertices();
        for (uint32_t i = 0; i < v.volume->vertexCount(); ++i) {
            vertexData.insert(vertexData.end(), {points[i].x, points[i].y, points[i].z});
        }
    }
    if (buffer == 0) {
        glGenBuffers(1, &buffer);
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexData.size() * sizeof(float)), vertexData.data(),
                 GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void StencilShadows::placeVolumes() {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const ScreenRect whole{viewport[0], viewport[1], viewport[0] + viewport[2],
                           viewport[1] + viewport[3]};
    Matrix4 projection;
    Matrix4 modelView;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
    // The bounds argument needs lines of sight from one eye point: a
    // perspective projection as glFrustum and gluPerspective make.
    const bool perspective = projection.entries[3] == 0.0f && projection.entries[7] == 0.0f &&
                             projection.entries[11] == -1.0f && projection.entries[15] == 0.0f;
    if (!hasBounds || !surfacesMarked || !perspective) {
        for (Volume& v : volumes) {
            v.rect = v.volume->vertexCount() > 0 ? whole : ScreenRect();
        }
        return;
    }

    ShadowView view;
    const Matrix4 clipFromWorld = projection * modelView;
    std::copy(clipFromWorld.entries, clipFromWorld.entries + 16, view.clipFromWorld);
    std::copy(viewport, viewport + 4, view.viewport);
    GLfloat depthRange[2];
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    view.depthNear = depthRange[0];
    view.depthFar = depthRange[1];
    // The bounds hold the eye too, so that a wall point past them lies
    // behind every surface on its line of sight.
    const Vector4 eye = modelView.inverse() * Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    addBounds(Vector3(eye.x, eye.y, eye.z), Vector3(eye.x, eye.y, eye.z));
    view.boundsMin = boundsMin;
    view.boundsMax = boundsMax;

    // Each caster whose walls past the bounds fall on screen gets a check: a
    // rectangle over them at their nearest depth, drawn where no surface of
    // the scene was marked. Any sample that passes is a pixel where those
    // walls may count, and the caster's volumes are drawn whole.
    reaches.assign(volumes.size(), ShadowReach());
    checks.assign(casters.size(), Check());
    for (size_t c = 0; c < casters.size(); ++c) {
        for (size_t i = casters[c].firstVolume; i < casters[c].firstVolume + casters[c].volumeCount;
             ++i) {
            reaches[i] = shadowReach(*volumes[i].volume, view);
            checks[c].rect.unite(reaches[i].beyond);
            if (!reaches[i].beyond.empty()) {
                checks[c].depth = std::min(checks[c].depth, reaches[i].beyondDepth);
            }
        }
    }
    // One check over all of them first: when it finds nothing, as when the
    // scene's surfaces cover everything behind the walls, no caster needs one.
    Check all;
    for (const Check& check : checks) {
        all.rect.unite(check.rect);
        if (!check.rect.empty()) {
            all.depth = std::min(all.depth, check.depth);
        }
    }
    passed.assign(casters.size(), 0);
    if (!all.rect.empty()) {
        uint64_t any = 0;
        runChecks(&all, 1, &any);
        if (any > 0) {
            runChecks(checks.data(), checks.size(), passed.data());
        }
    }
    for (size_t c = 0; c < casters.size(); ++c) {
        for (size_t i = casters[c].firstVolume; i < casters[c].firstVolume + casters[c].volumeCount;
             ++i) {
            volumes[i].rect = reaches[i].inside;
            if (passed[c] > 0) {
                volumes[i].rect.unite(reaches[i].beyond);
            }
        }
    }
}

void StencilShadows::runChecks(const Check* list, size_t count, uint64_t* results) {
    if (queries.size() < count) {
        const size_t had = queries.size();
        queries.resize(count);
        glGenQueries(GLsizei(count - had), queries.data() + had);
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLfloat depthRange[2];
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    {
        const gl::ScopedAttributes saved(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                                         GL_STENCIL_BUFFER_BIT | GL_ENABLE_BIT);
        glMatrixMode(GL_MODELVIEW);
        const gl::ScopedMatrix keepView(GL_MODELVIEW);
        const gl::ScopedMatrix keepProjection(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        const gl::ScopedPolygonMode filled(GL_FILL);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_SCISSOR_TEST);
        for (GLenum plane = GL_CLIP_PLANE0; plane <= GL_CLIP_PLANE5; ++plane) {
            glDisable(plane);
        }
        if (GLEW_EXT_stencil_two_side) {
            glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        }
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_EQUAL, 0, kSurfaceBit);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glStencilMask(0);
        const auto ndcX = [&](int x) { return 2.0f * float(x - viewport[0]) / viewport[2] - 1; };
        const auto ndcY = [&](int y) { return 2.0f * float(y - viewport[1]) / viewport[3] - 1; };
        for (size_t c = 0; c < count; ++c) {
            const ScreenRect& r = list[c].rect;
            if (r.empty()) {
                continue;
            }
            const float z =
                2.0f * (list[c].depth - depthRange[0]) / (depthRange[1] - depthRange[0]) - 1.0f;
            glBeginQuery(GL_SAMPLES_PASSED, queries[c]);
            glBegin(GL_TRIANGLE_STRIP);
            glVertex3f(ndcX(r.x0), ndcY(r.y0), z);
            glVertex3f(ndcX(r.x1), ndcY(r.y0), z);
            glVertex3f(ndcX(r.x0), ndcY(r.y1), z);
            glVertex3f(ndcX(r.x1), ndcY(r.y1), z);
            glEnd();
            glEndQuery(GL_SAMPLES_PASSED);
        }
    }
    for (size_t c = 0; c < count; ++c) {
        results[c] = 0;
        const ScreenRect& r = list[c].rect;
        if (!r.empty()) {
            addResult(queries[c], results[c]);
            if (measuring) {
                fill.checks += uint64_t(r.x1 - r.x0) * uint64_t(r.y1 - r.y0);
            }
        }
    }
}

void StencilShadows::drawVolumes(const Caster& caster) const {
    for (size_t i = caster.firstVolume; i < caster.firstVolume + caster.volumeCount; ++i) {
        const Volume& v = volumes[i];
        if (!v.rect.empty()) {
            glScissor(v.rect.x0, v.rect.y0, v.rect.x1 - v.rect.x0, v.rect.y1 - v.rect.y0);
            glDrawArrays(GL_TRIANGLES, v.firstVertex, GLsizei(v.volume->vertexCount()));
        }
    }
}

void StencilShadows::drawCaster(const Caster& caster, bool twoSided) const {
    if (twoSided) {
        setTwoSidedCounting();
        drawVolumes(caster);
    } else {
        setOneSidedPass(0);
        drawVolumes(caster);
        setOneSidedPass(1);
        drawVolumes(caster);
    }
}

void StencilShadows::count(bool twoSided) {
    fill = Fill();
    const NoProgram noProgram;
    upload();
    placeVolumes();
    surfacesMarked = false;
    counted = ScreenRect();
    bool anyWalls = false;
    for (const Volume& v : volumes) {
        counted.unite(v.rect);
        anyWalls = anyWalls || v.volume->vertexCount() > 0;
    }

    // A scissor box the frame already has limits the counting, as ever.
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    if (glIsEnabled(GL_SCISSOR_TEST)) {
        GLint box[4];
        glGetIntegerv(GL_SCISSOR_BOX, box);
        const ScreenRect limit{box[0], box[1], box[0] + box[2], box[1] + box[3]};
        counted.clip(limit);
        for (Volume& v : volumes) {
            v.rect.clip(limit);
        }
    }
    const gl::ScopedAttributes scissor(GL_SCISSOR_BIT);
    if (!anyWalls) {
        return;
    }
    glDisable(GL_TEXTURE_2D);  // as drawing the walls leaves it
    glEnable(GL_SCISSOR_TEST);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (measuring) {
        // Every fragment the walls rasterise, whatever the depth test says,
        // with stencil writes off so that nothing counts twice.
        GLint depthFunc = GL_LESS;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        glDepthFunc(GL_ALWAYS);
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_SAMPLES_PASSED, query);
        for (const Caster& caster : casters) {
            if (twoSided) {
                setTwoSidedCounting();
                setStencilWrites(false, true);
                drawVolumes(caster);
            } else {
                setOneSidedPass(0);
                setStencilWrites(false, false);
                drawVolumes(caster);
                setOneSidedPass(1);
                drawVolumes(caster);
            }
        }
        glEndQuery(GL_SAMPLES_PASSED);
        addResult(query, fill.fragments);
        glDeleteQueries(1, &query);
        setStencilWrites(true, twoSided);
        glDepthFunc(GLenum(depthFunc));
    }
    GLuint measure[2] = {0, 0};
    if (measuring) {
        glGenQueries(2, measure);
        glBeginQuery(GL_SAMPLES_PASSED, measure[0]);
        glBeginQuery(GL_PRIMITIVES_GENERATED, measure[1]);
    }
    for (const Caster& caster : casters) {
        drawCaster(caster, twoSided);
    }
    if (measuring) {
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glEndQuery(GL_SAMPLES_PASSED);
        addResult(measure[0], fill.inFront);
        addResult(measure[1], fill.triangles);
        glDeleteQueries(2, measure);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glPopClientAttrib();
    endCounting(twoSided);
}

void StencilShadows::darken() {
    // Outside the counted rectangle every count is 0; with none, the quad
    // covers no pixel but leaves the state as ever.
    const NoProgram noProgram;
    const gl::ScopedAttributes scissor(GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(counted.x0, counted.y0, counted.x1 - counted.x0, counted.y1 - counted.y0);
    darkenShadowedPixels();
}
