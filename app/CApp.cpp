#include "app/CApp.h"

#include <cstdio>
#include <exception>

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

int runReportingErrors(void (*run)()) {
    try {
        run();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
