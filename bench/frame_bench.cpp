// Whole frames of the two scenes the engine ships, drawn in a real window on
// whatever OpenGL the display offers (llvmpipe under Xvfb here), with each
// shadow technique in turn: none, stencil volumes counted two-sided, stencil
// volumes counted one-sided, and the shadow map. For each it prints the median
// milliseconds per frame, the frame rate and its ratio to the frame rate
// without shadows, what the shadow volumes cost the rasteriser (fragments
// rasterised, fragments in front of the scene, triangles), and the engine's
// own CPU time per frame, sampled.
//
// Run from the repository root (the scenes read Data/) on a 1024x768 display:
//   source scripts/xvfb.sh && start_xvfb && build-bench/bench/frame_bench
// Options: --frames N (60 by default), --scene demo or --scene showcase (both
// by default).
//
// Each scene runs in a child process of its own, so each gets a fresh engine
// and window; the children's engine messages go to /dev/null.
#include <GL/glew.h>
#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Simple3DSDemo.h"
#include "core/Engine.h"
#include "examples/showcase/ShowcaseScene.h"
#include "platform/GraphicsCore.h"
#include "model/ObjectMD2.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"
#include "scene/StencilShadows.h"

// The bounds of this program's own machine code, where the engine (linked in
// statically) runs; GL, SDL and the C library live in shared libraries.
extern "C" char __executable_start;
extern "C" char etext;

namespace {

enum Technique { kNone, kTwoSided, kOneSided, kShadowMap, kTechniques };
const char* const kTechniqueNames[kTechniques] = {"no shadows", "stencil, two-sided",
                                                  "stencil, one-sided", "shadow map"};

struct Result {
    double medianMs = 0;
    double meanMs = 0;
    double cpuMs = 0;  // median per frame, all of the process's threads (the rasteriser's too)
    double minMs = 0;  // the fastest frame
    double engineCpuMs = 0;      // per frame
    double volumeFragments = 0;  // rasterised per frame, whether in front of the scene or not
    double volumeInFront = 0;    // of those, the ones that pass the depth test
    double volumeTriangles = 0;
    double checkFragments = 0;  // the checks for walls past the scene's bounds
};

// Counts where the process is when its CPU-time profiling timer fires: in
// this program's code or elsewhere (the GL driver and its threads, SDL, the C
// library).
std::atomic<long> samplesInEngine{0};
std::atomic<long> samplesTotal{0};

void onProfilingTick(int, siginfo_t*, void* context) {
    const auto* machine = static_cast<const ucontext_t*>(context);
    const auto pc = uintptr_t(machine->uc_mcontext.gregs[REG_RIP]);
    if (pc >= uintptr_t(&__executable_start) && pc < uintptr_t(&etext)) {
        samplesInEngine.fetch_add(1, std::memory_order_relaxed);
    }
    samplesTotal.fetch_add(1, std::memory_order_relaxed);
}

void setProfiling(bool on) {
    itimerval interval{};
    if (on) {
        interval.it_interval.tv_usec = 1000;
        interval.it_value.tv_usec = 1000;
    }
    setitimer(ITIMER_PROF, &interval, nullptr);
}

double seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// One of the two scenes: how it draws a whole frame, and how it sets up the
// 3D part of one (camera, clear) for the measurements below.
class Scene {
public:
    virtual ~Scene() = default;
    virtual void drawFrame() = 0;
    virtual void begin3D() = 0;
};

// The demonstration's own frame (grid, lighting program, engine frame, logo,
// help text, swap), the knight turning as it does there.
class DemoScene : public Simple3DSDemo, public Scene {
public:
    DemoScene() { init(); }
    void drawFrame() override {
        angle += 0.25f;
        Engine::gameObjectManager->getObjects()[0]->setRotation(angle);
        renderScene();
    }
    // As the demonstration's frame starts; its lighting program plays no
    // part in what the shadow volumes cover.
    void begin3D() override { beginScene(); }

private:
    float angle = 180.0f;
};

uint32_t frameClock = 0;  // milliseconds, as if every frame took 16

// The showcase's frame: its scene and help text; the faerie animates.
class ShowcaseFrames : public Scene {
public:
    ShowcaseFrames() {
        engine.startVideo(1024, 768, 24, true, false);
        engine.setShowFps(true);
        scene = loadShowcaseScene();
        // The faerie animates by frames drawn, not by wall time, so that every
        // run draws the same poses.
        scene.faerie->md2()->setClock([] { return frameClock; });
    }
    void drawFrame() override {
        frameClock += 16;
        beginShowcaseFrame(scene);
        engine.renderFrame();
        printShowcaseHelp(scene);
        SDL_GL_SwapBuffers();
    }
    void begin3D() override { beginShowcaseFrame(scene); }

private:
    Engine engine;
    ShowcaseScene scene;
};

void select(Technique technique) {
    Engine::graphicsCore->setShadowsEnabled(technique == kTwoSided || technique == kOneSided);
    Engine::graphicsCore->setTwoSidedStencil(technique != kOneSided);
    Engine::gameObjectManager->setShadowMapped(technique == kShadowMap);
}

// What the shadow volumes cost the rasteriser, measured by the stencil
// shadows themselves in one more frame of the scene's objects.
void measureVolumes(Scene& scene, Result& result) {
    StencilShadows& shadows = Engine::gameObjectManager->stencilShadows();
    shadows.setMeasuring(true);
    scene.begin3D();
    Engine::gameObjectManager->renderFrame();
    shadows.setMeasuring(false);
    const StencilShadows::Fill& fill = shadows.lastFill();
    result.volumeFragments = double(fill.fragments);
    result.volumeInFront = double(fill.inFront);
    result.volumeTriangles = double(fill.triangles);
    result.checkFragments = double(fill.checks);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

// The techniques take turns, a few frames at a time, so that a change in the
// machine's load (other programs share it) falls on all of them alike.
std::vector<Result> runTechniques(Scene& scene, int frames) {
    constexpr int kTurn = 5;
    for (int t = 0; t < kTechniques; ++t) {
        select(Technique(t));
        for (int i = 0; i < kTurn; ++i) {
            scene.drawFrame();
            glFinish();
        }
    }
    std::vector<std::vector<double>> times(kTechniques);
    std::vector<std::vector<double>> cpuTimes(kTechniques);
    std::vector<double> cpuMs(kTechniques, 0.0);
    std::vector<long> inEngine(kTechniques, 0);
    std::vector<long> total(kTechniques, 0);
    while (times[0].size() < size_t(frames)) {
        for (int t = 0; t < kTechniques; ++t) {
            select(Technique(t));
            scene.drawFrame();  // the switch settles in an untimed frame
            glFinish();
            const long engineBefore = samplesInEngine;
            const long totalBefore = samplesTotal;
            const double cpuStart = seconds(CLOCK_PROCESS_CPUTIME_ID);
            setProfiling(true);
            for (int i = 0; i < kTurn && times[size_t(t)].size() < size_t(frames); ++i) {
                const double start = seconds(CLOCK_MONOTONIC);
                const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
                scene.drawFrame();
                glFinish();
                times[size_t(t)].push_back((seconds(CLOCK_MONOTONIC) - start) * 1000.0);
                cpuTimes[size_t(t)].push_back((seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0) * 1000.0);
            }
            setProfiling(false);
            cpuMs[size_t(t)] += (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart) * 1000.0;
            inEngine[size_t(t)] += samplesInEngine - engineBefore;
            total[size_t(t)] += samplesTotal - totalBefore;
        }
    }

    std::vector<Result> results(kTechniques);
    for (int t = 0; t < kTechniques; ++t) {
        Result& result = results[size_t(t)];
        std::vector<double>& frameTimes = times[size_t(t)];
        for (double ms : frameTimes) {
            result.meanMs += ms / double(frameTimes.size());
        }
        std::sort(frameTimes.begin(), frameTimes.end());
        result.medianMs = frameTimes[frameTimes.size() / 2];
        if (total[size_t(t)] > 0) {
            result.engineCpuMs = cpuMs[size_t(t)] * double(inEngine[size_t(t)]) /
                                 double(total[size_t(t)]) / double(frameTimes.size());
        }
        std::vector<double>& frameCpu = cpuTimes[size_t(t)];
        std::sort(frameCpu.begin(), frameCpu.end());
        result.cpuMs = frameCpu[frameCpu.size() / 2];
        result.minMs = frameTimes.front();
        if (t == kTwoSided || t == kOneSided) {
            select(Technique(t));
            measureVolumes(scene, result);
        }
    }
    return results;
}

// Runs one scene in a child process; its results come back through a pipe.
bool runScene(bool demo, int frames, std::vector<Result>& results) {
    int channel[2];
    if (pipe(channel) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        struct sigaction action {};
        action.sa_sigaction = onProfilingTick;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigaction(SIGPROF, &action, nullptr);
        std::unique_ptr<Scene> scene;
        if (demo) {
            scene = std::make_unique<DemoScene>();
            for (const auto& object : Engine::gameObjectManager->getObjects()) {
                object->setCastsShadow(true);
            }
        } else {
            scene = std::make_unique<ShowcaseFrames>();
        }
        FILE* out = fdopen(channel[1], "w");
        for (const Result& r : runTechniques(*scene, frames)) {
            std::fprintf(out, "%.6f %.6f %.6f %.6f %.6f %.0f %.0f %.0f %.0f\n", r.medianMs, r.minMs,
                         r.meanMs, r.cpuMs, r.engineCpuMs, r.volumeFragments, r.volumeInFront,
                         r.volumeTriangles, r.checkFragments);
        }
        std::fclose(out);
        _exit(0);
    }
    close(channel[1]);
    FILE* in = fdopen(channel[0], "r");
    results.assign(kTechniques, Result());
    int read = 0;
    for (Result& r : results) {
        read += std::fscanf(in, "%lf %lf %lf %lf %lf %lf %lf %lf %lf", &r.medianMs, &r.minMs,
                            &r.meanMs, &r.cpuMs, &r.engineCpuMs, &r.volumeFragments,
                            &r.volumeInFront, &r.volumeTriangles, &r.checkFragments) == 9
                    ? 1
                    : 0;
    }
    std::fclose(in);
    int status = 0;
    waitpid(child, &status, 0);
    return read == kTechniques && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 60;
    bool scenes[2] = {true, true};  // showcase, demo
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--scene") == 0 && i + 1 < argc &&
                   (std::strcmp(argv[i + 1], "demo") == 0 ||
                    std::strcmp(argv[i + 1], "showcase") == 0)) {
            const bool demo = std::strcmp(argv[++i], "demo") == 0;
            scenes[0] = !demo;
            scenes[1] = demo;
        } else {
            std::fprintf(stderr, "usage: %s [--frames N] [--scene demo|showcase]\n", argv[0]);
            return 2;
        }
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "frame_bench needs an X display (1024x768), e.g. Xvfb\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "x11", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    std::printf("%d frames per technique at 1024x768\n\n", frames);
    std::printf("%-9s %-19s %8s %6s %7s %7s %7s %7s %7s %12s %9s %9s %11s %9s %8s\n", "scene",
                "technique", "ms/frame", "fps", "vs none", "min ms", "vs none", "CPU ms", "vs none",
                "volume frags", "in front", "vol. tris", "check frags", "engine ms", "of frame");
    for (int demo = 1; demo >= 0; --demo) {
        if (!scenes[demo]) {
            continue;
        }
        std::vector<Result> results;
        if (!runScene(demo == 1, frames, results)) {
            std::fprintf(stderr, "the %s scene failed\n", demo ? "demo" : "showcase");
            return 1;
        }
        const Result& none = results[kNone];
        for (int t = 0; t < kTechniques; ++t) {
            const Result& r = results[size_t(t)];
            const bool stencil = t == kTwoSided || t == kOneSided;
            std::printf("%-9s %-19s %8.2f %6.1f %7.2f %7.2f %7.2f %7.2f %7.2f ",
                        demo ? "demo" : "showcase", kTechniqueNames[t], r.medianMs,
                        1000.0 / r.medianMs, none.medianMs / r.medianMs, r.minMs,
                        none.minMs / r.minMs, r.cpuMs, none.cpuMs / r.cpuMs);
            if (stencil) {
                std::printf("%12.0f %9.0f %9.0f %11.0f ", r.volumeFragments, r.volumeInFront,
                            r.volumeTriangles, r.checkFragments);
            } else {
                std::printf("%12s %9s %9s %11s ", "-", "-", "-", "-");
            }
            std::printf("%9.3f %7.2f%%\n", r.engineCpuMs, 100.0 * r.engineCpuMs / r.meanMs);
        }
    }
    std::printf(
        "\nms/frame: median wall time of a frame, swap and finish included; vs none: frame\n"
        "rate over the same scene's frame rate without shadows. min ms: the fastest frame;\n"
        "CPU ms: median CPU time of a frame over all the process's threads (the\n"
        "rasteriser's included). Both with their ratios likewise: steadier than the median\n"
        "when other programs share the machine.\n"
        "volume frags: fragments the shadow volumes rasterise per frame; in front: those\n"
        "in front of the scene (the ones that change a stencil count); check frags: the\n"
        "fragments of the checks for volume walls past the scene's bounds.\n"
        "engine ms: CPU time per frame spent in the engine's own code (sampled), and its\n"
        "share of the mean frame time.\n");
    return 0;
}
