#include "platform/d3d8/gl/context.h"

#include "platform/win32/display.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace d3d8::gl {

namespace {

// libepoxy aborts the process when the EGL library is missing, so look for it first.
bool EglLibraryPresent() {
    void* lib = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return false;
    dlclose(lib);
    return true;
}

// One EGL display for the process: initialised once, never terminated (contexts of several
// devices share it, and terminating under a live context is an error).
EGLDisplay SurfacelessDisplay(std::string* error) {
    static std::once_flag once;
    static EGLDisplay display = EGL_NO_DISPLAY;
    static std::string reason;
    std::call_once(once, [] {
        if (!EglLibraryPresent()) {
            reason = "no EGL library (libEGL.so.1)";
            return;
        }
        if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
            reason = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
            return;
        }
        EGLDisplay d = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major = 0, minor = 0;
        if (d == EGL_NO_DISPLAY || !eglInitialize(d, &major, &minor)) {
            reason = "the surfaceless EGL display cannot be initialised";
            return;
        }
        display = d;
    });
    if (display == EGL_NO_DISPLAY && error) *error = reason;
    return display;
}

}  // namespace

std::unique_ptr<Context> Context::CreateOffscreen(std::string* error) {
    std::string local;
    std::string& err = error ? *error : local;
    if (std::getenv("MORVELT_DISABLE_GL")) {
        err = "OpenGL disabled by MORVELT_DISABLE_GL";
        return nullptr;
    }
    EGLDisplay display = SurfacelessDisplay(&err);
    if (display == EGL_NO_DISPLAY) return nullptr;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context") ||
        !epoxy_has_egl_extension(display, "EGL_KHR_create_context")) {
        err = "EGL cannot make a context without a surface";
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        err = "EGL offers no desktop OpenGL";
        return nullptr;
    }
    EGLConfig config = nullptr;
    const bool noConfig = epoxy_has_egl_extension(display, "EGL_KHR_no_config_context") ||
                          epoxy_has_egl_extension(display, "EGL_MESA_configless_context");
    if (!noConfig) {
        const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(display, wanted, &config, 1, &count) || count < 1) {
            err = "EGL has no configuration for desktop OpenGL";
            return nullptr;
        }
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,       3,
                                 EGL_CONTEXT_MINOR_VERSION,       3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        err = "no OpenGL 3.3 core context";
        return nullptr;
    }
    std::unique_ptr<Context> c(new Context);
    c->display_ = display;
    c->context_ = context;
    CurrentScope scope(*c);
    if (!scope.Ok() || !c->ReadCapabilities()) {
        err = "the OpenGL context cannot be made current or is older than 3.3";
        return nullptr;
    }
    return c;
}

std::unique_ptr<Context> Context::CreateForWindow(HWND window, std::string* error) {
    std::string local;
    std::string& err = error ? *error : local;
    if (std::getenv("MORVELT_DISABLE_GL")) {
        err = "OpenGL disabled by MORVELT_DISABLE_GL";
        return nullptr;
    }
    SDL_Window* sdl = platform::GetSdlWindow(window);
    if (!sdl || !platform::IsOpenGLWindow(window)) {
        err = "the window cannot take OpenGL";
        return nullptr;
    }
    // Creating makes the context current; what was current comes back afterwards. The
    // attributes are SDL's global state: they are put back as they were found.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    const SDL_GLattr attributes[] = {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_MAJOR_VERSION,
                                     SDL_GL_CONTEXT_MINOR_VERSION, SDL_GL_DOUBLEBUFFER};
    const int wanted[] = {SDL_GL_CONTEXT_PROFILE_CORE, 3, 3, 1};
    int saved[4] = {};
    for (int i = 0; i < 4; ++i) {
        SDL_GL_GetAttribute(attributes[i], &saved[i]);
        SDL_GL_SetAttribute(attributes[i], wanted[i]);
    }
    SDL_GLContext gl = SDL_GL_CreateContext(sdl);
    for (int i = 0; i < 4; ++i) SDL_GL_SetAttribute(attributes[i], saved[i]);
    if (!gl) {
        err = std::string("no OpenGL 3.3 core context for the window: ") + SDL_GetError();
        SDL_GL_MakeCurrent(previous ? previousWindow : nullptr, previous);
        return nullptr;
    }
    std::unique_ptr<Context> c(new Context);
    c->window_ = window;
    c->context_ = gl;
    const bool capable = c->ReadCapabilities();
    SDL_GL_MakeCurrent(previous ? previousWindow : nullptr, previous);
    if (!capable) {
        err = "the window's OpenGL context is older than 3.3";
        return nullptr;
    }
    return c;
}

bool Context::ReadCapabilities() {
    if (epoxy_gl_version() < 33) return false;
    clipControl_ = (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control"));
    mirrorClamp_ = epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_texture_mirror_clamp_to_edge") ||
                   epoxy_has_gl_extension("GL_EXT_texture_mirror_clamp");
    const GLubyte* renderer = glGetString(GL_RENDERER);
    renderer_ = renderer ? reinterpret_cast<const char*>(renderer) : "";
    return true;
}

Context::~Context() {
    if (!context_) return;
    if (window_) {
        if (IsCurrent()) SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(context_);
        return;
    }
    if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
}

bool Context::MakeCurrent() {
    if (IsCurrent()) return true;
    if (window_) {
        SDL_Window* sdl = platform::GetSdlWindow(window_);
        return sdl && SDL_GL_MakeCurrent(sdl, context_) == 0;
    }
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

void Context::Release() {
    if (!IsCurrent()) return;
    if (window_)
        SDL_GL_MakeCurrent(nullptr, nullptr);
    else
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

bool Context::IsCurrent() const {
    return window_ ? SDL_GL_GetCurrentContext() == context_ : eglGetCurrentContext() == context_;
}

void Context::Swap(bool waitForRefresh) {
    SDL_Window* sdl = platform::GetSdlWindow(window_);
    if (!sdl) return;
    const int interval = waitForRefresh ? 1 : 0;
    if (interval != swapInterval_) {
        SDL_GL_SetSwapInterval(interval);  // a driver that cannot wait simply does not
        swapInterval_ = interval;
    }
    SDL_GL_SwapWindow(sdl);
}

CurrentScope::CurrentScope(Context& context, Leave leave) {
    ours_ = &context;
    if (context.IsCurrent()) {
        // Kept from an earlier draw of this frame: give it back now unless asked to keep it.
        ok_ = true;
        restore_ = leave == Leave::Restore;
        return;
    }
    if (context.Window()) {
        context_ = SDL_GL_GetCurrentContext();
        sdlWindow_ = SDL_GL_GetCurrentWindow();
    } else {
        context_ = eglGetCurrentContext();
        if (context_ != EGL_NO_CONTEXT) {
            display_ = eglGetCurrentDisplay();
            draw_ = eglGetCurrentSurface(EGL_DRAW);
            read_ = eglGetCurrentSurface(EGL_READ);
        }
    }
    ok_ = context.MakeCurrent();
    restore_ = ok_ && (leave == Leave::Restore || context_ != nullptr);
}

CurrentScope::~CurrentScope() {
    if (!restore_) return;
    if (context_ == nullptr)
        ours_->Release();  // nothing was current: leave the thread free for the host's GL
    else if (ours_->Window())
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(sdlWindow_), context_);
    else
        eglMakeCurrent(display_, draw_, read_, context_);
}

}  // namespace d3d8::gl
