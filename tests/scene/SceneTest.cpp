#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "model/Object3DS.h"
#include "model/ObjectMD2.h"
#include "model/ObjectXML.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/Light.h"
#include "scene/LightManager.h"
#include "model/ShadowVolume.h"
#include "math/Matrix4.h"
#include "math/Vector4.h"
#include "tests/GlTestSupport.h"

namespace {

const std::string kCorpus = VARNO_CORPUS_DIR;

// A flat square plate of side 2 * half at height y, facing up, as an XML model:
// one quad face, or two triangle faces wearing a colour map.
std::string writePlate(const char* name, float half, float y, const char* colourMap = nullptr) {
    std::string path = std::string("/tmp/") + name;
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "<VarnoModelFormat><model name='plate' numsubobjects='1' nummaterials='%d'>",
                 colourMap ? 1 : 0);
    if (colourMap) {
        std::fprintf(f,
                     "<material name='m' opacity='1'><ambient r='1' g='1' b='1' a='1'/>"
                     "<diffuse r='1' g='1' b='1' a='1'/><specular r='0' g='0' b='0' a='1'/>"
                     "<texture colormap='%s'/></material>",
                     colourMap);
    }
    std::fprintf(f,
                 "<object name='p' numvertices='4' numfaces='%d'>"
                 "<position x='0' y='0' z='0'/><orientation angle='0' x='0' y='1' z='0'/>",
                 colourMap ? 2 : 1);
    const float corners[4][2] = {{-half, half}, {half, half}, {half, -half}, {-half, -half}};
    for (const auto& c : corners) {
        std::fprintf(f, "<vertex x='%g' y='%g' z='%g' r='1' g='1' b='1' a='1'", c[0], y, c[1]);
        std::fprintf(f, colourMap ? " u0='%d' v0='%d'/>" : "/>", c[0] > 0, c[1] < 0);
    }
    if (colourMap) {
        std::fprintf(f,
                     "<face a='0' b='1' c='2' materialindex='0'/>"
                     "<face a='0' b='2' c='3' materialindex='0'/>");
    } else {
        std::fprintf(f, "<face a='0' b='1' c='2' d='3'/>");
    }
    std::fprintf(f, "</object></model></VarnoModelFormat>");
    std::fclose(f);
    return path;
}

GameObject* addXml(const std::string& path, bool castsShadow) {
    auto* object = new GameObject();
    object->loadXmlModel(path.c_str());
    object->setCastsShadow(castsShadow);
    Engine::gameObjectManager->addObject(object);
    return object;
}

// Draws one engine frame of the scene from a camera above and in front of it
// and returns the window's colours and stencil values.
struct Frame {
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> stencil;
};

Frame renderScene(bool shadows) {
    Engine::graphicsCore->setShadowsEnabled(shadows);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Engine::camera->placeCamera(0.0f, 25.0f, 25.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    Engine::camera->look();
    glLightfv(GL_LIGHT0, GL_POSITION, Engine::lightManager->light(1)->position());
    Engine::gameObjectManager->renderFrame();
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    glDisable(GL_LIGHTING);
    Frame frame;
    frame.rgb.resize(size_t(kWindowWidth) * kWindowHeight * 3);
    frame.stencil.resize(size_t(kWindowWidth) * kWindowHeight);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE,
                 frame.stencil.data());
    return frame;
}

GLuint primitivesDrawnBy(const std::function<void()>& draw) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint count = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    return count;
}

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        light = new Light();
        light->setPosition(0.0f, 100.0f, 0.0f, 1.0f);
        light->setDiffuse(1.0f, 1.0f, 1.0f, 1.0f);
        light->setAmbient(0.3f, 0.3f, 0.3f, 1.0f);
        Engine::lightManager->addLight(light);
        Engine::lightManager->enableLight(1);
        glEnable(GL_COLOR_MATERIAL);
        glDisable(GL_CULL_FACE);
    }
    Light* light = nullptr;
};

}  // namespace

TEST_F(Scene, ShadowHalvesTheGroundWhereTheStencilCountsAVolume) {
    addXml(writePlate("varno_ground.xml", 20.0f, 0.0f), false);
    addXml(writePlate("varno_plate.xml", 3.0f, 6.0f), true);

    const Frame lit = renderScene(false);
    const Frame shadowed = renderScene(true);
    size_t inShadow = 0;
    size_t wrong = 0;
    for (size_t i = 0; i < shadowed.stencil.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            const int before = lit.rgb[i * 3 + c];
            const int after = shadowed.rgb[i * 3 + c];
            const int expected = shadowed.stencil[i] != 0 ? before / 2 : before;
            wrong += std::abs(after - expected) > 1 ? 1 : 0;
        }
        inShadow += shadowed.stencil[i] != 0 ? 1 : 0;
    }
    EXPECT_GT(inShadow, 5000u);
    EXPECT_EQ(wrong, 0u);
    // The plate's shadow lies right under it: the ground at the window centre.
    EXPECT_NE(shadowed.stencil[size_t(kWindowHeight / 2) * kWindowWidth + kWindowWidth / 2], 0);

    // Counting the volumes in two one-sided passes gives the same picture.
    ASSERT_TRUE(Engine::graphicsCore->hasTwoSidedStencil());
    Engine::graphicsCore->setTwoSidedStencil(false);
    const Frame oneSided = renderScene(true);
    Engine::graphicsCore->setTwoSidedStencil(true);
    EXPECT_EQ(oneSided.rgb, shadowed.rgb);
    size_t sameShadow = 0;
    for (size_t i = 0; i < shadowed.stencil.size(); ++i) {
        sameShadow += (oneSided.stencil[i] != 0) == (shadowed.stencil[i] != 0) ? 1 : 0;
    }
    EXPECT_EQ(sameShadow, shadowed.stencil.size());
}

TEST_F(Scene, ShadowVolumesAreRebuiltOnlyWhenSomethingMoved) {
    GameObject* ground = addXml(writePlate("varno_ground.xml", 20.0f, 0.0f), false);
    GameObject* plate = addXml(writePlate("varno_plate.xml", 3.0f, 6.0f), true);
    auto* jeep = new GameObject();
    jeep->load3ds("", (kCorpus + "/3ds/assimp_jeep1.3ds").c_str());
    jeep->setScale(0.5f, 0.5f, 0.5f);
    jeep->setCastsShadow(true);
    Engine::gameObjectManager->addObject(jeep);
    auto* faerie = new GameObject();
    faerie->loadMd2((kCorpus + "/md2/assimp_faerie.md2").c_str(), nullptr);
    faerie->setScale(0.1f, 0.1f, 0.1f);
    faerie->setCastsShadow(true);
    Engine::gameObjectManager->addObject(faerie);
    EXPECT_EQ(Engine::gameObjectManager->vertexTotal(),
              jeep->vertexCount() + faerie->vertexCount());  // XML models count 0

    renderScene(true);
    EXPECT_FALSE(plate->isShadowDirty());
    EXPECT_FALSE(jeep->isShadowDirty());
    EXPECT_TRUE(faerie->isShadowDirty());  // an animated model rebuilds every frame
    EXPECT_TRUE(ground->isShadowDirty());  // not a caster: never built
    EXPECT_EQ(plate->xml()->shadow().vertexCount(), 24u);

    plate->setPosition(1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(plate->isShadowDirty());
    renderScene(true);
    EXPECT_FALSE(plate->isShadowDirty());

    light->setPosition(5.0f, 100.0f, 0.0f, 1.0f);
    EXPECT_TRUE(Engine::gameObjectManager->hasLightChanged());
    plate->setVisible(false);
    renderScene(true);
    EXPECT_FALSE(Engine::gameObjectManager->hasLightChanged());
    EXPECT_FALSE(jeep->isShadowDirty());
    EXPECT_FALSE(plate->isShadowDirty());  // invisible: neither tested nor marked
}

TEST_F(Scene, ObjectsOutsideTheViewDrawNothing) {
    auto* jeep = new GameObject();
    jeep->load3ds("Data/Showcase/", (kCorpus + "/3ds/assimp_jeep1.3ds").c_str());
    jeep->setScale(1.0f, 1.0f, 1.0f);
    Engine::gameObjectManager->addObject(jeep);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Engine::camera->placeCamera(0.0f, 10.0f, 40.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    Engine::camera->look();
    EXPECT_TRUE(jeep->testInView());
    EXPECT_EQ(primitivesDrawnBy([jeep] { jeep->draw(1); }), GLuint(jeep->vertexCount() / 3));

    // Drawn untextured, no texture is bound, even for textured meshes.
    glBindTexture(GL_TEXTURE_2D, 0);
    jeep->draw(0);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

    glLoadIdentity();
    Engine::camera->placeCamera(0.0f, 10.0f, 40.0f, 0.0f, 10.0f, 80.0f, 0.0f, 1.0f, 0.0f);
    Engine::camera->look();  // looking away
    EXPECT_FALSE(jeep->testInView());
    EXPECT_EQ(primitivesDrawnBy([jeep] { jeep->draw(1); }), 0u);

    // Bounding boxes: the model's and one per mesh, 12 lines each.
    const GLuint lines = primitivesDrawnBy([jeep] { jeep->drawBoundingBoxes(); });
    EXPECT_EQ(lines, GLuint(12 * (1 + jeep->model3ds()->record().meshes.size())));
}

// The shadow map: a box hanging over each of three receivers (XML quads, XML
// triangles wearing a texture, a 3DS slab) darkens the receiver where the box
// hides the light, and leaves every other pixel of it as it was.
TEST_F(Scene, ShadowMapDarkensEachReceiverWhereItsCasterHidesTheLight) {
    const Vector3 lightAt(10.0f, 100.0f, 20.0f);
    light->setPosition(lightAt.x, lightAt.y, lightAt.z, 1.0f);
    const float spots[3] = {-12.0f, 0.0f, 12.0f};
    const float half = 4.5f;
    addXml(writePlate("varno_map_quads.xml", half, 0.0f), false)->setPosition(spots[0], 0, 0);
    addXml(writePlate("varno_map_triangles.xml", half, 0.0f, "Data/Model/crate.bmp"), false)
        ->setPosition(spots[1], 0, 0);
    // The cube spans x -50..0, y -30.54..19.46, z -82.62..-32.62: scaled
    // into a 9 x 0.5 x 9 slab whose top lies at y = 0.
    auto* slab = new GameObject();
    slab->load3ds("", (kCorpus + "/3ds/assimp_cube_with_diffuse_texture.3DS").c_str());
    slab->setScale(0.18f, 0.01f, 0.18f);
    slab->setPosition(spots[2] + 4.5f, -0.194598f, 10.3712f);
    Engine::gameObjectManager->addObject(slab);

    Engine::camera->placeCamera(0.0f, 30.0f, 32.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    const auto render = [] {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        Engine::camera->look();
        Engine::gameObjectManager->renderShadowMapped();
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        std::vector<uint8_t> rgb(size_t(kWindowWidth) * kWindowHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    const std::vector<uint8_t> alone = render();
    for (float x : spots) {
        addXml("Data/Model/crate.xml", true)->setPosition(x, 5.0f, 0.0f);  // a 2-unit cube
    }
    const std::vector<uint8_t> shadowed = render();

    Matrix4 view;
    Matrix4 projection;
    glGetFloatv(GL_MODELVIEW_MATRIX, view.data());
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    const Matrix4 worldFromClip = (projection * view).inverse();
    const auto unproject = [&](int x, int y, float z, double out[3]) {
        const Vector4 p =
            worldFromClip * Vector4(2.0f * (float(x) + 0.5f) / kWindowWidth - 1.0f,
                                    2.0f * (float(y) + 0.5f) / kWindowHeight - 1.0f, z, 1.0f);
        out[0] = p.x / p.w;
        out[1] = p.y / p.w;
        out[2] = p.z / p.w;
    };
    // Whether the segment from p along d (t in 0..1) meets the caster box
    // over `spot`, grown by `margin`.
    const auto meetsBox = [](const double p[3], const double d[3], float spot, double margin) {
        const double low[3] = {spot - 1 - margin, 4 - margin, -1 - margin};
        const double high[3] = {spot + 1 + margin, 6 + margin, 1 + margin};
        double enter = 0;
        double leave = 1;
        for (int i = 0; i < 3; ++i) {
            const double a = (low[i] - p[i]) / d[i];
            const double b = (high[i] - p[i]) / d[i];
            enter = std::max(enter, std::min(a, b));
            leave = std::min(leave, std::max(a, b));
        }
        return enter <= leave;
    };
    const double margin = 0.4;  // more than two texels of the depth map
    size_t dark[3] = {};
    size_t lit[3] = {};
    size_t wrong[3] = {};
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            double near[3];
            double far[3];
            unproject(x, y, -1.0f, near);
            unproject(x, y, 1.0f, far);
            const double ray[3] = {far[0] - near[0], far[1] - near[1], far[2] - near[2]};
            const double t = -near[1] / ray[1];
            const double ground[3] = {near[0] + t * ray[0], 0.0, near[2] + t * ray[2]};
            const int r = ground[0] < -6.0 ? 0 : ground[0] < 6.0 ? 1 : 2;
            if (t < 0 || std::abs(ground[0] - spots[r]) > half - margin ||
                std::abs(ground[2]) > half - margin || meetsBox(near, ray, spots[r], margin)) {
                continue;  // off the receivers, or the caster in the way
            }
            const double toLight[3] = {lightAt.x - ground[0], lightAt.y, lightAt.z - ground[2]};
            const size_t i = (size_t(y) * kWindowWidth + size_t(x)) * 3;
            if (!meetsBox(ground, toLight, spots[r], margin)) {
                ++lit[r];
                wrong[r] += std::memcmp(&alone[i], &shadowed[i], 3) != 0 ? 1 : 0;
            } else if (meetsBox(ground, toLight, spots[r], -margin)) {
                ++dark[r];
                const int before = alone[i] + alone[i + 1] + alone[i + 2];
                const int after = shadowed[i] + shadowed[i + 1] + shadowed[i + 2];
                wrong[r] += after * 4 > before * 3 ? 1 : 0;
            }
        }
    }
    for (int r = 0; r < 3; ++r) {
        EXPECT_GT(dark[r], 500u) << "receiver " << r;
        EXPECT_GT(lit[r], 5000u) << "receiver " << r;
        EXPECT_EQ(wrong[r], 0u) << "receiver " << r;
    }
}

TEST(SceneLights, LightOneOrAFixedPointAbove) {
    LightManager lights;
    EXPECT_EQ(lights.lightPosition(1), Vector3(0.0f, 100.0f, 0.0f));
    EXPECT_EQ(lights.light(0), nullptr);
    lights.enableLight(1);  // nothing to enable
    lights.enableLight(0);
    auto* first = new Light();
    lights.addLight(first);
    lights.enableLight(1);
    float diffuse[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    EXPECT_EQ(diffuse[3], 0.0f);  // the default light's diffuse alpha
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    first->setPosition(1.0f, 2.0f, 3.0f, 1.0f);
    EXPECT_EQ(lights.lightPosition(1), Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(lights.lightPosition(2), Vector3(0.0f, 100.0f, 0.0f));
    lights.disableLight(1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
}

TEST(SceneMd2, KeyFramesFollowTheClockAndWrapInTheirAnimation) {
    static uint32_t now = 0;
    ObjectMD2 faerie;
    faerie.load((kCorpus + "/md2/assimp_faerie.md2").c_str(), nullptr);
    faerie.setClock([] { return now; });
    faerie.setAnimation(21);  // 20 animations: the second one
    ASSERT_EQ(faerie.currentAnimation(), 1);
    const AnimationRecord& run = faerie.record().animations[1];
    ASSERT_EQ(run.startFrame, 40);
    ASSERT_EQ(run.endFrame, 46);
    EXPECT_EQ(faerie.currentFrame(), 40);

    // 5 key frames a second: 200 ms each. The first draw advances at once.
    now = 10000;
    faerie.draw(0);
    EXPECT_EQ(faerie.currentFrame(), 41);
    now += 100;
    faerie.draw(0);
    EXPECT_EQ(faerie.currentFrame(), 41);
    now += 150;  // 250 ms after the last step
    faerie.draw(0);
    EXPECT_EQ(faerie.currentFrame(), 42);

    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
        now += 200;
        faerie.draw(0);
        frames.push_back(faerie.currentFrame());
    }
    EXPECT_EQ(frames, std::vector<int>({43, 44, 45, 40, 41, 42}));
    // Moving the model carries the box of the key frame it shows now.
    faerie.placement().setPosition(1.0f, 2.0f, 3.0f);
    const MeshRecord& shown = faerie.record().meshes[size_t(faerie.currentFrame())];
    EXPECT_EQ(faerie.placement().worldMin(), faerie.placement().carry(shown.boxMin));
    EXPECT_EQ(faerie.placement().worldMax(), faerie.placement().carry(shown.boxMax));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}
