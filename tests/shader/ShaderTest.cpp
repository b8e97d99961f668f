#include "shader/Shader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/Engine.h"
#include "shader/ShaderManager.h"
#include "tests/GlTestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

bool linked(const Shader& shader) {
    GLint status = 0;
    glGetObjectParameterivARB(shader.getProgram(), GL_OBJECT_LINK_STATUS_ARB, &status);
    return status == GL_TRUE;
}

std::string writeTemp(const char* name, const char* text) {
    std::string path = std::string("/tmp/") + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs(text, f);
    std::fclose(f);
    return path;
}

}  // namespace

TEST(ShaderManager, AllTenBuiltInProgramsLink) {
    ShaderManager& shaders = *Engine::shaderManager;
    ASSERT_EQ(shaders.getShaderCount(), 10u);
    for (size_t i = 0; i < shaders.getShaderCount(); ++i) {
        EXPECT_NE(shaders.getShader(i)->getProgram(), 0u) << i;
        EXPECT_TRUE(linked(*shaders.getShader(i))) << i;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(ShaderManager, SimpleTextureProgramHasTheColourUniform) {
    Shader* simple = Engine::shaderManager->getShader(0);
    EXPECT_NE(std::string(simple->getFragmentSource()).find("colors"), std::string::npos);
    EXPECT_GE(glGetUniformLocationARB(simple->getProgram(), "colors"), 0);
    Shader* textured = Engine::shaderManager->getShader(9);
    EXPECT_NE(std::string(textured->getFragmentSource()).find("texture2D"), std::string::npos);
}

TEST(Shader, BrokenSourceIsReportedAndStillBuildsAProgram) {
    std::string vert = writeTemp("varno_bad.vert", "void main() { gl_Position = ftransform(); }\n");
    std::string frag = writeTemp("varno_bad.frag", "void main() { gl_FragColor = nonsense; }\n");
    Shader shader;
    CaptureStdout();
    shader.load(frag, vert);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Shader error in " + frag), std::string::npos) << out;
    EXPECT_NE(out.find("nonsense"), std::string::npos) << out;
    EXPECT_NE(shader.getProgram(), 0u);
    EXPECT_FALSE(linked(shader));
}

TEST(Shader, MissingSourcesAreBothReportedVertexFirst) {
    Shader shader;
    CaptureStdout();
    shader.load("/nonexistent/a.frag", "/nonexistent/a.vert");
    EXPECT_EQ(GetCapturedStdout(),
              "\nCannot Load vertex shader: /nonexistent/a.vert\n"
              "\nCannot Load fragment shader: /nonexistent/a.frag\n");
    EXPECT_EQ(shader.getProgram(), 0u);
    // The failure shut SDL down; this test runs in a process of its own.
}

TEST(Shader, ReadSourceFileGivesNullForMissingOrEmptyFiles) {
    EXPECT_EQ(Shader::readSourceFile(nullptr), nullptr);
    EXPECT_EQ(Shader::readSourceFile("/nonexistent/file"), nullptr);
    EXPECT_EQ(Shader::readSourceFile(writeTemp("varno_empty.vert", "").c_str()), nullptr);
    auto text = Shader::readSourceFile(writeTemp("varno_text.vert", "line\r\nend").c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "line\r\nend");
}
