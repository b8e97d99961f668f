#include "shader/Shader.h"

#include <SDL.h>

#include <cstdio>

#include "base/Console.h"
#include "base/FileBytes.h"

namespace {

std::string infoLog(GLhandleARB object) {
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1) {
        return std::string();
    }
    std::string log(size_t(length), '\0');
    GLsizei written = 0;
    glGetInfoLogARB(object, length, &written, &log[0]);
    log.resize(size_t(written));
    while (!log.empty() && (log.back() == '\n' || log.back() == '\0')) {
        log.pop_back();
    }
    return log;
}

// A program that does not build would draw nothing, silently: say why.
void reportFailure(GLhandleARB object, GLenum statusName, const std::string& what) {
    GLint status = 0;
    glGetObjectParameterivARB(object, statusName, &status);
    if (status == GL_TRUE) {
        return;
    }
    console::outLine("Shader error in " + what + ":");
    console::outLine(infoLog(object));
}

}  // namespace

std::unique_ptr<char[]> Shader::readSourceFile(const char* path) {
    std::string text;
    if (!readFileBytes(path, text) || text.empty()) {
        return nullptr;
    }
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    text.copy(copy.get(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void Shader::load(const std::string& fragmentPath, const std::string& vertexPath) {
    GLhandleARB vertexObject = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    GLhandleARB fragmentObject = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);

    bool failed = false;
    vertexSource = readSourceFile(vertexPath.c_str());
    if (!vertexSource) {
        console::outLine("\nCannot Load vertex shader: " + vertexPath);
        failed = true;
    }
    fragmentSource = readSourceFile(fragmentPath.c_str());
    if (!fragmentSource) {
        console::outLine("\nCannot Load fragment shader: " + fragmentPath);
        failed = true;
    }
    if (failed) {
        SDL_Quit();
        return;
    }

    const GLcharARB* vertexText = vertexSource.get();
    const GLcharARB* fragmentText = fragmentSource.get();
    glShaderSourceARB(vertexObject, 1, &vertexText, nullptr);
    glShaderSourceARB(fragmentObject, 1, &fragmentText, nullptr);
    glCompileShaderARB(vertexObject);
    glCompileShaderARB(fragmentObject);
    reportFailure(vertexObject, GL_OBJECT_COMPILE_STATUS_ARB, vertexPath);
    reportFailure(fragmentObject, GL_OBJECT_COMPILE_STATUS_ARB, fragmentPath);

    program = glCreateProgramObjectARB();
    glAttachObjectARB(program, vertexObject);
    glAttachObjectARB(program, fragmentObject);
    glLinkProgramARB(program);
    reportFailure(program, GL_OBJECT_LINK_STATUS_ARB, "the program of " + fragmentPath);
}

void Shader::setUniformInt(const char* name, int value) const {
    glUniform1iARB(glGetUniformLocationARB(program, name), value);
}
