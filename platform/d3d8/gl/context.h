// The OpenGL context the HAL rasterizer draws with: OpenGL 3.3 core (or newer, core
// profile). A device with a window gets a context of that window (through SDL), whose default
// framebuffer is the window, so frames are shown by a blit and a swap; a device without one
// gets an off-screen context through EGL's surfaceless platform, which needs no display
// server. Functions are loaded by libepoxy.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/handles.h"

namespace d3d8::gl {

class Context {
public:
    // A new off-screen context, or null with the reason in `error` when none can be made
    // (no EGL library, no surfaceless platform, no 3.3 core profile). Setting the environment
    // variable MORVELT_DISABLE_GL makes it fail on purpose, to exercise the fallback to REF.
    static std::unique_ptr<Context> CreateOffscreen(std::string* error);
    // A context of `window` (a top-level window made OpenGL-capable), or null with the reason
    // in `error`. It can be made current only while the window lives.
    static std::unique_ptr<Context> CreateForWindow(HWND window, std::string* error);

    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // The window whose default framebuffer this context draws to; null when off-screen.
    HWND Window() const { return window_; }
    // Shows the window's back buffer: waits for the display's refresh first when asked and
    // the driver can. The context must be current.
    void Swap(bool waitForRefresh);

    // Makes this context current on the calling thread; false when refused.
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
    bool ReadCapabilities();

    void* display_ = nullptr;  // EGLDisplay, off-screen
    void* context_ = nullptr;  // EGLContext, or SDL_GLContext of window_
    HWND window_ = nullptr;
    int swapInterval_ = -2;  // as last set; -2 before the first swap
    bool clipControl_ = false;
    bool mirrorClamp_ = false;
    std::string renderer_;
};

// Makes a context current for the lifetime of the scope and afterwards puts back what was
// current before: another context of the same kind, or none. A thread left holding an
// off-screen (EGL) context keeps the host's own GL (the window stand-in's dialogs, through
// SDL) from becoming current, and giving it up flushes the queued drawing; so the draws and
// clears within a frame `keep` it when nothing else was current, and the calls that end a
// frame or stand alone (Present, ReadBack, forgetting resources) give it back.
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
    void* display_ = nullptr;  // EGL: what was current before
    void* draw_ = nullptr;
    void* read_ = nullptr;
    void* context_ = nullptr;  // EGLContext or SDL_GLContext
    void* sdlWindow_ = nullptr;  // SDL: the SDL_Window of context_
};

}  // namespace d3d8::gl
