/// \file
/// The engine's ten built-in GLSL programs, addressed by index: 0 simple
/// texture, 1 colour, 2 height field, 3 directional per-pixel, 4 directional
/// per-vertex, 5 point light, 6 spot light, 7 toon, 8 per-vertex with texture,
/// 9 per-pixel with texture.
#pragma once

#include <memory>
#include <vector>

#include "base/NonCopyable.h"

class Shader;

/// Owns the built-in programs and any the application adds.
class ShaderManager : NonCopyable {
public:
    ShaderManager();
    ~ShaderManager();

    /// Loads the ten programs from shaders/ (needs the GL context).
    void loadBuiltInShaders();
    /// Takes ownership.
    void addShader(Shader* shader);
    /// No bounds test: callers use the fixed indices above.
    Shader* getShader(size_t index) const { return shaders[index].get(); }
    /// The number of programs held.
    size_t getShaderCount() const { return shaders.size(); }

private:
    std::vector<std::unique_ptr<Shader>> shaders;
};
