/// \file
/// One GLSL program built from a fragment and a vertex source file through the
/// ARB shader-object entry points.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>

#include "base/NonCopyable.h"

/// A GLSL program from a fragment and a vertex source file.
class Shader : NonCopyable {
public:
    Shader() = default;

    /// Builds the program; note the fragment file comes first. A missing or
    /// empty source is reported and shuts SDL down. Compile and link logs of
    /// a program that fails are printed; the program is kept either way.
    void load(const std::string& fragmentPath, const std::string& vertexPath);

    /// Makes this program current.
    void bind() const { glUseProgramObjectARB(program); }
    /// Returns to the fixed-function pipeline (program 0).
    static void unbind() { glUseProgramObjectARB(0); }
    /// The linked program object, 0 when the sources could not be read.
    GLhandleARB getProgram() const { return program; }
    /// Sets an integer uniform of this program by name.
    void setUniformInt(const char* name, int value) const;

    /// The fragment source text, or null when it could not be read.
    const char* getFragmentSource() const { return fragmentSource.get(); }
    /// The vertex source text, or null when it could not be read.
    const char* getVertexSource() const { return vertexSource.get(); }

    /// The file's text, zero-terminated, or null when the file cannot be read
    /// or is empty.
    static std::unique_ptr<char[]> readSourceFile(const char* path);

private:
    std::unique_ptr<char[]> fragmentSource;
    std::unique_ptr<char[]> vertexSource;
    GLhandleARB program = 0;
};
