// GLSL 3.30 generated from a shader key: a vertex stage (transform, lighting, point size,
// vertex fog, texture coordinates), for point lists a geometry stage (each point becomes a
// square of its size in pixels, with sprite coordinates), and a fragment stage (the texture
// stage cascade with bump mapping, specular add, alpha test, fog). Programs are compiled once
// per key and kept.
#pragma once

#include "platform/d3d8/gl/shader_key.h"
#include "platform/d3d8/gl/uniforms.h"

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <unordered_map>

namespace d3d8::gl {

// Vertex attribute locations, fixed for every program.
constexpr GLuint kAttrPosition = 0;
constexpr GLuint kAttrNormal = 1;
constexpr GLuint kAttrPointSize = 2;
constexpr GLuint kAttrDiffuse = 3;
constexpr GLuint kAttrSpecular = 4;
constexpr GLuint kAttrTexCoord0 = 5;  // sets 0..7 at 5..12

struct ShaderSources {
    std::string vertex;
    std::string geometry;  // empty: no geometry stage
    std::string fragment;
};

ShaderSources GenerateShaders(const ShaderKey& key);

// A linked program with its uniform array and the values last loaded into it.
struct Program {
    GLuint name = 0;
    GLint uniforms = -1;  // location of u[]
    int uniformCount = 0;  // active elements of u[] (the compiler drops the tail it never reads)
    bool loaded = false;
    Vec4 values[kUniformCount];
};

class ProgramCache {
public:
    ProgramCache() = default;
    ~ProgramCache();
    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;

    // The program for `key`, compiled on first use; null when it does not compile or link
    // (the reason goes to the debugger output once).
    Program* Get(const ShaderKey& key);
    std::size_t Size() const { return programs_.size(); }

private:
    std::unordered_map<ShaderKey, std::unique_ptr<Program>, ShaderKeyHash> programs_;
    ShaderKey lastKey_{};
    Program* last_ = nullptr;
};

// Loads the slots of `values` that differ from what the program holds (the whole array on
// first use). The program must be in use.
void LoadUniforms(Program& program, const Vec4* values);

}  // namespace d3d8::gl
