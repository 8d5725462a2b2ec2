// The OpenGL context the HAL rasterizer draws with: OpenGL 3.3 core (or newer, core
// profile), made off-screen through EGL's surfaceless platform, so it needs no window and
// no display server. Functions are loaded by libepoxy.
#pragma once

#include <memory>
#include <string>

namespace d3d8::gl {

class Context {
public:
    // A new off-screen context, or null with the reason in `error` when none can be made
    // (no EGL library, no surfaceless platform, no 3.3 core profile). Setting the environment
    // variable MORVELT_DISABLE_GL makes it fail on purpose, to exercise the fallback to REF.
    static std::unique_ptr<Context> CreateOffscreen(std::string* error);

    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Makes this context current on the calling thread; false when EGL refuses.
    bool MakeCurrent();
    bool IsCurrent() const;

    // glClipControl is there: clip-space depth 0..1 as in Direct3D.
    bool HasClipControl() const { return clipControl_; }
    // GL_MIRROR_CLAMP_TO_EDGE is there (the MIRRORONCE address mode).
    bool HasMirrorClamp() const { return mirrorClamp_; }
    const std::string& Renderer() const { return renderer_; }

private:
    Context() = default;

    void* display_ = nullptr;  // EGLDisplay
    void* context_ = nullptr;  // EGLContext
    bool clipControl_ = false;
    bool mirrorClamp_ = false;
    std::string renderer_;
};

// Makes a context current for the lifetime of the scope and puts back whatever context was
// current before (if any, and if it was another one), so host code using GL is undisturbed.
class CurrentScope {
public:
    explicit CurrentScope(Context& context);
    ~CurrentScope();
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
    bool restore_ = false;
    void* display_ = nullptr;
    void* draw_ = nullptr;
    void* read_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace d3d8::gl
