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
    // Leaves the calling thread without a current context (if this one was current).
    void Release();

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

// Makes a context current for the lifetime of the scope and afterwards puts back what was
// current before: another EGL context, or none. A thread left holding this context keeps the
// host's own GL (the window stand-in's dialogs, through GLX) from becoming current, and
// giving it up flushes the queued drawing; so the draws and clears within a frame `keep` it
// when nothing else was current, and the calls that end a frame or stand alone (Present,
// ReadBack, forgetting resources) give it back.
class CurrentScope {
public:
    enum class Leave { Restore, Keep };
    explicit CurrentScope(Context& context, Leave leave = Leave::Restore);
    ~CurrentScope();
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
    bool restore_ = false;  // this scope made the context current
    Context* ours_ = nullptr;
    void* display_ = nullptr;
    void* draw_ = nullptr;
    void* read_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace d3d8::gl
