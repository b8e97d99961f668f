// The demonstration application: opens the fullscreen window with its mouse
// pointer and runs the frame loop until Escape or the window's close button.
#pragma once

#include "app/CApp.h"

class Shader;

class Simple3DSDemo : public CApp {
public:
    Simple3DSDemo();
    ~Simple3DSDemo() override;

    void init() override;
    void run() override;
    void shutdown() override {}
    void reservedA() override {}
    void reservedB() override {}

private:
    void renderScene();

    Shader* lightingShader;
};
