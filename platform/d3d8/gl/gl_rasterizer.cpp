// The HAL device type: the fixed-function pipeline on OpenGL 3.3 core.
//
// Per draw:   targets (memory -> GL if needed, framebuffer bound) -> shader key -> program
//             (generated and compiled once per key) -> uniform values (only changed slots)
//             -> textures and samplers per active stage -> fixed GL state (only changed)
//             -> vertices and indices streamed -> GL draw.
// Pixels reach the surfaces' memory only when the device asks (ReadBack): LockRect of a
// target or a copy. Made for a window, the rasterizer shows frames in it itself: the back
// buffer is blitted into the window's own back buffer and swapped, with no copy to memory.
#include "platform/d3d8/gl/context.h"
#include "platform/d3d8/gl/draw.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/gl/shader_generator.h"
#include "platform/d3d8/gl/state_map.h"
#include "platform/d3d8/gl/targets.h"
#include "platform/d3d8/gl/texture_cache.h"
#include "platform/d3d8/gl/uniforms.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/display.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace d3d8 {

namespace {

using namespace gl;

class GlRasterizer final : public Rasterizer {
public:
    explicit GlRasterizer(std::unique_ptr<Context> context);
    ~GlRasterizer() override;

    void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) override;
    void EndFrame() override { CurrentScope scope(*context_); }  // a kept context is given back
    bool ShowInOwnWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh) override;
    void ForgetTexture(std::uint64_t id) override;
    void ReadBack(const SurfaceData& surface) override;
    void ForgetSurface(const SurfaceData& surface) override;

    void Finish() {
        CurrentScope scope(*context_);
        glFinish();
    }
    GLenum TakeError() {
        CurrentScope scope(*context_);
        const GLenum first = glGetError();
        for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
        }
        return first;
    }

private:
    void BindTextures(const PipelineState& state, const ShaderKey& key);
    void ReportOnce(const char* text);

    std::unique_ptr<Context> context_;
    std::unique_ptr<ProgramCache> programs_;
    std::unique_ptr<TextureCache> textures_;
    std::unique_ptr<Targets> targets_;
    std::unique_ptr<GeometryStream> geometry_;
    StateCache state_;
    GLuint program_ = 0;  // in use
    ShaderKey key_{};
    Vec4 uniforms_[kUniformCount];
    std::unordered_map<std::uint64_t, const BYTE*> textureMemory_;  // texture id -> level 0 memory
    std::string reported_;
};

GlRasterizer::GlRasterizer(std::unique_ptr<Context> context) : context_(std::move(context)) {
    CurrentScope scope(*context_);
    programs_ = std::make_unique<ProgramCache>();
    textures_ = std::make_unique<TextureCache>(context_->HasMirrorClamp());
    targets_ = std::make_unique<Targets>();
    geometry_ = std::make_unique<GeometryStream>();
    if (context_->HasClipControl()) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    // Rows are not flipped (see ViewMapping): Direct3D's clockwise on screen, y down, is
    // counter-clockwise in GL's window coordinates, and is the front face.
    glFrontFace(GL_CCW);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading takes the first vertex
    glEnable(GL_PROGRAM_POINT_SIZE);
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);  // t = 0 on the top row
    glEnable(GL_SCISSOR_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

GlRasterizer::~GlRasterizer() {
    CurrentScope scope(*context_);
    geometry_.reset();
    targets_.reset();
    textures_.reset();
    programs_.reset();
}

void GlRasterizer::ReportOnce(const char* text) {
    if (reported_.find(text) != std::string::npos) return;
    reported_ += text;
    OutputDebugStringA(text);
}

void GlRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if (!targets.color) return;
    CurrentScope scope(*context_, CurrentScope::Leave::Keep);
    if (!scope.Ok()) return;
    Targets::Surface* c = targets_->Get(*targets.color, false);
    if (!c) {
        ReportOnce("IDirect3DDevice8::Clear: OpenGL cannot draw into this target format\n");
        return;
    }
    Targets::Surface* d = targets.depth ? targets_->Get(*targets.depth, true) : nullptr;
    auto whole = [&rect](const SurfaceData& s) {
        return rect.left <= 0 && rect.top <= 0 && rect.right >= static_cast<LONG>(s.width) &&
               rect.bottom >= static_cast<LONG>(s.height);
    };
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        targets_->BeginGlWrite(*targets.color, *c, whole(*targets.color));
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) && d) {
        targets_->BeginGlWrite(*targets.depth, *d, whole(*targets.depth));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (!mask || !targets_->Bind(*c, d)) return;
    const LONG left = std::max<LONG>(rect.left, 0), top = std::max<LONG>(rect.top, 0);
    if (rect.right <= left || rect.bottom <= top) return;
    glScissor(left, top, rect.right - left, rect.bottom - top);
    state_.EnableAllWrites();
    constexpr float k = 1.0f / 255.0f;
    glClearColor(static_cast<float>((color >> 16) & 0xff) * k, static_cast<float>((color >> 8) & 0xff) * k,
                 static_cast<float>(color & 0xff) * k, static_cast<float>(color >> 24) * k);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClear(mask);
}

void GlRasterizer::BindTextures(const PipelineState& state, const ShaderKey& key) {
    for (UINT s = 0; s < key.stageCount; ++s) {
        if (key.stages[s].texture == StageTexture::None) continue;
        const TextureData& t = *state.textures[s];
        glActiveTexture(GL_TEXTURE0 + s);
        textureMemory_[t.id] = t.levels[0].bits;
        GLuint name = targets_->TextureOf(t.levels[0]);
        if (!name) name = textures_->Get(t, state.stageStates[s][D3DTSS_MAXMIPLEVEL]);
        glBindTexture(GL_TEXTURE_2D, name);  // 0 (no texture) samples as opaque black
        glBindSampler(s, textures_->Sampler(state.stageStates[s]));
    }
}

void GlRasterizer::Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) {
    if (!targets.color || !call.vertices || call.primitiveCount == 0) return;
    const D3DVIEWPORT8& vp = state.viewport;
    if (vp.Width == 0 || vp.Height == 0) return;
    CurrentScope scope(*context_, CurrentScope::Leave::Keep);
    if (!scope.Ok()) return;
    Targets::Surface* color = targets_->Get(*targets.color, false);
    if (!color) {
        ReportOnce("IDirect3DDevice8::DrawPrimitive: OpenGL cannot draw into this target format\n");
        return;
    }
    Targets::Surface* depth = targets.depth ? targets_->Get(*targets.depth, true) : nullptr;

    MakeShaderKey(state, call.primitiveType, key_);
    Program* program = programs_->Get(key_);
    if (!program) return;
    if (program->name != program_) {
        glUseProgram(program->name);
        program_ = program->name;
    }

    // Targets first: bringing one up to date binds its texture on the active unit.
    const FixedState fixed = MakeFixedState(state, depth != nullptr, call.primitiveType);
    targets_->BeginGlWrite(*targets.color, *color, false);
    if (depth && fixed.depthTest) targets_->BeginGlWrite(*targets.depth, *depth, false);
    if (!targets_->Bind(*color, depth)) return;
    BindTextures(state, key_);

    glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y), static_cast<GLsizei>(vp.Width),
               static_cast<GLsizei>(vp.Height));
    glScissor(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y), static_cast<GLsizei>(vp.Width),
              static_cast<GLsizei>(vp.Height));
    if (fixed.depthClamp)
        glDepthRange(0.0, 1.0);
    else
        glDepthRange(vp.MinZ, vp.MaxZ);

    ViewMapping mapping;
    mapping.glX = static_cast<float>(vp.X);
    mapping.glY = static_cast<float>(vp.Y);
    mapping.glWidth = static_cast<float>(vp.Width);
    mapping.glHeight = static_cast<float>(vp.Height);
    mapping.depthZeroToOne = context_->HasClipControl();
    FillUniforms(state, mapping, uniforms_);
    LoadUniforms(*program, uniforms_);

    state_.Apply(fixed);
    geometry_->Draw(call, DecodeFvf(state.fvf));
}

bool GlRasterizer::ShowInOwnWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh) {
    if (!window || window != context_->Window() || !backBuffer.bits) return false;
    SDL_Window* sdl = platform::GetSdlWindow(window);
    if (!sdl) return false;
    CurrentScope scope(*context_);
    if (!scope.Ok()) return false;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(sdl, &width, &height);
    const SDL_Rect fit = platform::FitKeepingAspect(static_cast<int>(backBuffer.width),
                                                    static_cast<int>(backBuffer.height), width, height);
    if (fit.w <= 0) return false;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glScissor(0, 0, width, height);  // blits and clears obey the scissor box
    if (fit.w != width || fit.h != height) {
        state_.EnableAllWrites();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (!targets_->BlitToWindow(backBuffer, fit.x, height - fit.y - fit.h, fit.w, fit.h)) return false;
    context_->Swap(waitForRefresh);
    return true;
}

void GlRasterizer::ForgetTexture(std::uint64_t id) {
    CurrentScope scope(*context_);
    textures_->Forget(id);
    auto it = textureMemory_.find(id);
    if (it != textureMemory_.end()) {
        targets_->Forget(it->second);
        textureMemory_.erase(it);
    }
}

void GlRasterizer::ReadBack(const SurfaceData& surface) {
    if (!surface.bits) return;
    CurrentScope scope(*context_);
    if (!scope.Ok()) return;
    targets_->ReadBack(surface);
}

void GlRasterizer::ForgetSurface(const SurfaceData& surface) {
    if (!surface.bits) return;
    CurrentScope scope(*context_);
    targets_->Forget(surface.bits);
}

}  // namespace

std::unique_ptr<Rasterizer> CreateGlRasterizer(HWND window) {
    std::string reason;
    std::unique_ptr<Context> context;
    if (window) {
        context = Context::CreateForWindow(window, &reason);
        if (!context)
            OutputDebugStringA(("CreateGlRasterizer: drawing off-screen, shown through memory: " + reason + "\n").c_str());
    }
    if (!context) context = Context::CreateOffscreen(&reason);
    if (!context) {
        OutputDebugStringA(("CreateGlRasterizer: no OpenGL 3.3 core context: " + reason + "\n").c_str());
        return nullptr;
    }
    return std::make_unique<GlRasterizer>(std::move(context));
}

bool GlRasterizerAvailable() {
    static std::once_flag once;
    static bool available = false;
    std::call_once(once, [] { available = Context::CreateOffscreen(nullptr) != nullptr; });
    return available;
}

namespace gl {

void Finish(Rasterizer& rasterizer) {
    if (auto* r = dynamic_cast<GlRasterizer*>(&rasterizer)) r->Finish();
}

unsigned TakeError(Rasterizer& rasterizer) {
    auto* r = dynamic_cast<GlRasterizer*>(&rasterizer);
    return r ? r->TakeError() : 0;
}

}  // namespace gl

}  // namespace d3d8
