// The showcase's shadows, pinned down: the stencil buffer the shadow volumes
// leave, read back for several views and both stencil paths, must stay exactly
// what it was when these references were taken. Any change to how the volumes
// are built, bounded or counted that alters a single shadowed pixel fails here.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/Engine.h"
#include "examples/showcase/ShowcaseScene.h"
#include "model/ObjectMD2.h"
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/Light.h"
#include "tests/GlTestSupport.h"

namespace {

struct View {
    const char* name;
    float eye[3];
    float target[3];
    float light[3];
    // The stencil buffer after the frame: its FNV-1a hash and how many pixels
    // hold a non-zero count, for two-sided and for one-sided counting.
    uint64_t hash[2];
    uint32_t shadowed[2];
};

const View kViews[] = {
    {"start",
     {0, 16, 34},
     {0, 3, 0},
     {18, 40, 22},
     {0x78fe7b53b9f7d290ull, 0xe52bd87dc3a2d5cbull},
     {19923, 19922}},
    {"low behind",
     {-30, 6, -20},
     {0, 2, 0},
     {18, 40, 22},
     {0xccac0faa44e2dc1dull, 0x294e63147338b266ull},
     {35315, 35246}},
    {"from above",
     {5, 60, 5},
     {0, 0, 0},
     {18, 40, 22},
     {0x7d1b8df22916bde5ull, 0xe0c0775077fa81e9ull},
     {10312, 10312}},
    {"light left",
     {25, 10, 25},
     {0, 2, 0},
     {-20, 40, 22},
     {0xb528228b01e4d610ull, 0x608599fa60876c69ull},
     {36813, 36804}},
    {"inside a shadow",
     {-6, 1.5f, -9},
     {6, 2, 4},
     {18, 40, 22},
     {0x0403351825799f6aull, 0x447bab01afbbf49aull},
     {280892, 280516}},
};

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) {
        hash = (hash ^ b) * 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

TEST(ShowcaseStencil, VolumesCountTheSamePixelsAsTheReference) {
    const ShowcaseScene scene = loadShowcaseScene();
    // A still clock: the faerie keeps one pose.
    scene.faerie->md2()->setClock([] { return uint32_t(10000); });
    Engine::graphicsCore->setShadowsEnabled(true);
    ASSERT_TRUE(Engine::graphicsCore->hasTwoSidedStencil());

    std::vector<uint8_t> stencil(size_t(kWindowWidth) * kWindowHeight);
    for (const View& view : kViews) {
        scene.light->setPosition(view.light[0], view.light[1], view.light[2], 1.0f);
        Engine::camera->placeCamera(view.eye[0], view.eye[1], view.eye[2], view.target[0],
                                    view.target[1], view.target[2], 0.0f, 1.0f, 0.0f);
        for (int sides = 0; sides < 2; ++sides) {
            Engine::graphicsCore->setTwoSidedStencil(sides == 0);
            // The animated model builds its volume from its second frame on.
            for (int frame = 0; frame < 2; ++frame) {
                beginShowcaseFrame(scene);
                Engine::gameObjectManager->renderFrame();
                ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError()) << view.name;
            }
            glReadBuffer(GL_BACK);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE,
                         stencil.data());
            uint32_t shadowed = 0;
            for (uint8_t s : stencil) {
                shadowed += s != 0 ? 1 : 0;
            }
            const uint64_t hash = fnv1a(stencil);
            const char* counting = sides == 0 ? "two-sided" : "one-sided";
            EXPECT_EQ(view.shadowed[sides], shadowed) << view.name << ", " << counting;
            EXPECT_EQ(view.hash[sides], hash)
                << view.name << ", " << counting << ": 0x" << std::hex << hash;
        }
    }
    Engine::graphicsCore->setTwoSidedStencil(true);
}
