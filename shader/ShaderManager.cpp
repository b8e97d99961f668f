#include "shader/ShaderManager.h"

#include <cstdlib>

#include "base/Console.h"
#include "shader/Shader.h"

namespace {

struct BuiltIn {
    const char* message;
    const char* fragment;
    const char* vertex;
};

const BuiltIn kBuiltIns[] = {
    {"Loading simple texture shader...", "shaders/simpleTexture.frag",
     "shaders/simpleTexture.vert"},
    {"Loading simple color shader...", "shaders/color.frag", "shaders/color.vert"},
    {"Loading heightmap texture shader...", "shaders/hfield.frag", "shaders/hfield.vert"},
    {"Loading Directional Per Pixel Diffuse lightning shader...", "shaders/dirPerPixel.frag",
     "shaders/dirPerPixel.vert"},
    {"Loading Directional Per Vertex Diffuse lightning shader...", "shaders/dirPerVertex.frag",
     "shaders/dirPerVertex.vert"},
    {"Loading Point Per Pixel lightning shader...", "shaders/pointlight.frag",
     "shaders/pointlight.vert"},
    {"Loading Spot Per Pixel lightning shader...", "shaders/spotlight.frag",
     "shaders/spotlight.vert"},
    {"Loading Toon shader...", "shaders/toonf2.frag", "shaders/toonf2.vert"},
    {"Loading vertex diffuse light with texture shader...", "shaders/dirPerVertexTEX.frag",
     "shaders/dirPerVertexTEX.vert"},
    {"Loading pixel diffuse light with texture shader...", "shaders/dirPerPixelTEX.frag",
     "shaders/dirPerPixelTEX.vert"},
};

}  // namespace

ShaderManager::ShaderManager() = default;
ShaderManager::~ShaderManager() = default;

void ShaderManager::loadBuiltInShaders() {
    console::outLine("");
    console::outLine("-------------========= Loading built in shaders ==========------------\n");
    for (const BuiltIn& entry : kBuiltIns) {
        console::outLine(entry.message);
        Shader* shader = new Shader();
        shader->load(entry.fragment, entry.vertex);
        addShader(shader);
        if (shader->getVertexSource() == nullptr || shader->getFragmentSource() == nullptr) {
            // The load has named the missing file and shut SDL down, window
            // and all: nothing can be drawn, so stop here instead of failing
            // later in the dark.
            std::exit(1);
        }
    }
    console::outLine("");
}

void ShaderManager::addShader(Shader* shader) {
    shaders.emplace_back(shader);
}
