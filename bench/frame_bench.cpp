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
//   source scripts/xvfb.sh && start_xvfb && build-bench/bench/frame_bench [--frames N]
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
#include "platform/Camera.h"
#include "platform/GraphicsCore.h"
#include "platform/Utils.h"
#include "scene/GameObject.h"
#include "scene/GameObjectManager.h"

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
    double engineCpuMs = 0;      // per frame
    double volumeFragments = 0;  // rasterised per frame, whether in front of the scene or not
    double volumeInFront = 0;    // of those, the ones that pass the depth test
    double volumeTriangles = 0;
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
    void begin3D() override {
        glClearColor(0.1f, 0.1f, 0.1f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        Engine::camera->look();
        Engine::utils->drawGrid(0.0f, 0.0f, 0.0f);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }

private:
    float angle = 180.0f;
};

// The showcase's frame: its scene and help text; the faerie animates.
class ShowcaseFrames : public Scene {
public:
    ShowcaseFrames() {
        engine.startVideo(1024, 768, 24, true, false);
        engine.setShowFps(true);
        scene = loadShowcaseScene();
    }
    void drawFrame() override {
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

// What the shadow volumes cost: the scene's objects are drawn as in a frame,
// then the volumes are counted into the stencil buffer once more, the same
// way the frame did, under queries.
void measureVolumes(Scene& scene, Result& result) {
    scene.begin3D();
    Engine::gameObjectManager->renderFrame();
    const auto countVolumes = [] {
        for (const auto& object : Engine::gameObjectManager->getObjects()) {
            if (object->isVisible() && object->isInView() && object->isCastingShadow()) {
                object->renderShadowStencil();
            }
        }
    };
    GLuint queries[3];
    glGenQueries(3, queries);
    glDepthFunc(GL_ALWAYS);
    glBeginQuery(GL_SAMPLES_PASSED, queries[0]);
    glBeginQuery(GL_PRIMITIVES_GENERATED, queries[2]);
    countVolumes();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glEndQuery(GL_SAMPLES_PASSED);
    glDepthFunc(GL_LEQUAL);
    glBeginQuery(GL_SAMPLES_PASSED, queries[1]);
    countVolumes();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint counts[3] = {};
    for (int i = 0; i < 3; ++i) {
        glGetQueryObjectuiv(queries[i], GL_QUERY_RESULT, &counts[i]);
    }
    glDeleteQueries(3, queries);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    result.volumeFragments = counts[0];
    result.volumeInFront = counts[1];
    result.volumeTriangles = counts[2];
}

Result run(Scene& scene, Technique technique, int frames) {
    select(technique);
    for (int i = 0; i < 5; ++i) {
        scene.drawFrame();
        glFinish();
    }
    std::vector<double> times;
    samplesInEngine = 0;
    samplesTotal = 0;
    const double cpuStart = seconds(CLOCK_PROCESS_CPUTIME_ID);
    setProfiling(true);
    for (int i = 0; i < frames; ++i) {
        const double start = seconds(CLOCK_MONOTONIC);
        scene.drawFrame();
        glFinish();
        times.push_back((seconds(CLOCK_MONOTONIC) - start) * 1000.0);
    }
    setProfiling(false);
    const double cpuMs = (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart) * 1000.0;

    Result result;
    for (double t : times) {
        result.meanMs += t / double(frames);
    }
    std::sort(times.begin(), times.end());
    result.medianMs = times[times.size() / 2];
    if (samplesTotal > 0) {
        result.engineCpuMs =
            cpuMs * double(samplesInEngine) / double(samplesTotal) / double(frames);
    }
    if (technique == kTwoSided || technique == kOneSided) {
        measureVolumes(scene, result);
    }
    return result;
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
        for (int t = 0; t < kTechniques; ++t) {
            const Result r = run(*scene, Technique(t), frames);
            std::fprintf(out, "%.6f %.6f %.6f %.0f %.0f %.0f\n", r.medianMs, r.meanMs,
                         r.engineCpuMs, r.volumeFragments, r.volumeInFront, r.volumeTriangles);
        }
        std::fclose(out);
        _exit(0);
    }
    close(channel[1]);
    FILE* in = fdopen(channel[0], "r");
    results.assign(kTechniques, Result());
    int read = 0;
    for (Result& r : results) {
        read += std::fscanf(in, "%lf %lf %lf %lf %lf %lf", &r.medianMs, &r.meanMs, &r.engineCpuMs,
                            &r.volumeFragments, &r.volumeInFront, &r.volumeTriangles) == 6
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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
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
    std::printf("%-9s %-19s %9s %7s %7s %13s %12s %10s %10s %8s\n", "scene", "technique",
                "ms/frame", "fps", "vs none", "volume frags", "in front", "vol. tris", "engine ms",
                "of frame");
    for (int demo = 1; demo >= 0; --demo) {
        std::vector<Result> results;
        if (!runScene(demo == 1, frames, results)) {
            std::fprintf(stderr, "the %s scene failed\n", demo ? "demo" : "showcase");
            return 1;
        }
        const double noneFps = 1000.0 / results[kNone].medianMs;
        for (int t = 0; t < kTechniques; ++t) {
            const Result& r = results[size_t(t)];
            const double fps = 1000.0 / r.medianMs;
            const bool stencil = t == kTwoSided || t == kOneSided;
            std::printf("%-9s %-19s %9.2f %7.1f %7.2f ", demo ? "demo" : "showcase",
                        kTechniqueNames[t], r.medianMs, fps, fps / noneFps);
            if (stencil) {
                std::printf("%13.0f %12.0f %10.0f ", r.volumeFragments, r.volumeInFront,
                            r.volumeTriangles);
            } else {
                std::printf("%13s %12s %10s ", "-", "-", "-");
            }
            std::printf("%10.3f %7.2f%%\n", r.engineCpuMs, 100.0 * r.engineCpuMs / r.meanMs);
        }
    }
    std::printf(
        "\nvs none: frame rate over the same scene's frame rate without shadows.\n"
        "volume frags: fragments the shadow volumes rasterise per frame; in front: those\n"
        "in front of the scene (the ones that change a stencil count).\n"
        "engine ms: CPU time per frame spent in the engine's own code (sampled), and its\n"
        "share of the mean frame time.\n");
    return 0;
}
