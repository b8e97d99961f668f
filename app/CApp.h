/// \file
/// The base of every application built on the engine. Constructing it starts
/// the engine and its managers; destroying it shuts them down. The program entry
/// calls init, run and shutdown once each, in that order.
#pragma once

#include <string>

#include "base/NonCopyable.h"

class Engine;

/// The application base: derive from it and define init, run and shutdown.
class CApp : NonCopyable {
public:
    CApp();
    virtual ~CApp();

    /// Set-up after the engine exists: open the window, load resources.
    virtual void init() = 0;
    /// The frame loop; returns when the application quits.
    virtual void run() = 0;
    /// Called once after run returns, before destruction.
    virtual void shutdown() = 0;
    /// Never called by the framework.
    virtual void reservedA() = 0;
    /// Never called by the framework.
    virtual void reservedB() = 0;

protected:
    /// Stored default window width (1024); the engine does not read it.
    int screenWidth;
    /// Stored default window height (768); the engine does not read it.
    int screenHeight;
    /// Stored default colour depth (16); the engine does not read it.
    int colorDepth;
    /// Stored default title ("Engine Demo"); the engine does not read it.
    std::string title;
    /// True after construction; free for the application to use.
    bool active;
    /// The engine this application started; deleted with the application.
    Engine* engine;
};

/// Runs an application from construction to destruction: init, run, shutdown.
/// An error raised on the way destroys the application and passes on.
template <typename App>
void runApplication() {
    App app;
    app.init();
    app.run();
    app.shutdown();
}

/// Calls `run`: 0 when it returns; when it raises an error (no display, no
/// OpenGL), the error's message on standard error and 1.
int runReportingErrors(void (*run)());

/// The whole of a program's main: runs the application and returns the
/// program's exit status, 1 when an error ended it.
template <typename App>
int runProgram() {
    return runReportingErrors(&runApplication<App>);
}
