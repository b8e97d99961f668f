#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdio>
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
#include "tests/GlTestSupport.h"

namespace {

const std::string kCorpus = VARNO_CORPUS_DIR;

// A flat square plate of side 2 * half at height y, facing up, as an XML model.
std::string writePlate(const char* name, float half, float y) {
    std::string path = std::string("/tmp/") + name;
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f,
                 "<VarnoModelFormat><model name='plate' numsubobjects='1' nummaterials='0'>"
                 "<object name='p' numvertices='4' numfaces='1'>"
                 "<position x='0' y='0' z='0'/><orientation angle='0' x='0' y='1' z='0'/>");
    const float corners[4][2] = {{-half, half}, {half, half}, {half, -half}, {-half, -half}};
    for (const auto& c : corners) {
        std::fprintf(f, "<vertex x='%g' y='%g' z='%g' r='1' g='1' b='1' a='1'/>", c[0], y, c[1]);
    }
    std::fprintf(f, "<face a='0' b='1' c='2' d='3'/></object></model></VarnoModelFormat>");
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
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}
