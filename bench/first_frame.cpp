// Preloaded (LD_PRELOAD) into the demo or the showcase by load_bench: the
// process ends as soon as its first frame has been swapped to the screen, so
// the time from start to exit is its time to the first frame. With
// VARNO_GLU_MIPMAPS set it also hides GL's own mipmap generation from the
// program, which then builds every chain with gluBuild2DMipmaps, as it did
// before GL built them: the start-up before and after, in one run.
#include <GL/glew.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

namespace {

template <typename T>
void clear(const char* name) {
    if (auto* variable = static_cast<T*>(dlsym(RTLD_DEFAULT, name))) {
        *variable = T();
    }
}

}  // namespace

extern "C" GLenum glewInit() {
    using Init = GLenum (*)();
    auto init = reinterpret_cast<Init>(dlsym(RTLD_NEXT, "glewInit"));
    const GLenum status = init != nullptr ? init() : GLenum(GLEW_ERROR_NO_GL_VERSION);
    if (std::getenv("VARNO_GLU_MIPMAPS") != nullptr) {
        clear<PFNGLGENERATEMIPMAPPROC>("__glewGenerateMipmap");
        clear<PFNGLGENERATEMIPMAPEXTPROC>("__glewGenerateMipmapEXT");
        clear<GLboolean>("__GLEW_VERSION_1_4");
        clear<GLboolean>("__GLEW_SGIS_generate_mipmap");
    }
    return status;
}

extern "C" void SDL_GL_SwapBuffers() {
    using Swap = void (*)();
    if (auto swap = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"))) {
        swap();
    }
    _exit(0);
}
