#include "app/CApp.h"

#include "core/Engine.h"

CApp::CApp()
    : screenWidth(1024),
      screenHeight(768),
      colorDepth(16),
      title("Engine Demo"),
      active(true),
      engine(new Engine()) {}

CApp::~CApp() {
    delete engine;
    engine = nullptr;
}
