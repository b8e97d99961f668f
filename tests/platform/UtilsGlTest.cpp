#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "core/Engine.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"

TEST(Utils, GridIsOneHundredAndTwentyTwoLines) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    Engine::utils->drawGrid(0.0f, 0.0f, 0.0f);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint lines = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &lines);
    glDeleteQueries(1, &query);
    EXPECT_EQ(lines, 122u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST(Utils, CaptionGetsTheFrameRate) {
    Engine::graphicsCore->setCaption("Caption test");
    Engine::utils->updateFrameTiming();
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Caption test Current FPS: 1");
}
