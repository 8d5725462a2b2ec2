#include "platform/win32/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/debug_output.h"
#include "platform/win32/display.h"
#include "platform/win32/window_internal.h"

namespace {

// Non-client metrics of the stand-in frame, pixels.
constexpr LONG kSizingFrame = 4;
constexpr LONG kDialogFrame = 3;
constexpr LONG kCaption = 23;
constexpr LONG kMenuBar = 20;

struct HINSTANCE__ {
    int unused;
};
HINSTANCE__ g_programModule{};

enum class Video { Unknown, Display, Dummy, None };

Video& VideoState() {
    static Video state = Video::Unknown;
    return state;
}

Video StartVideo() {
    Video& state = VideoState();
    if (state != Video::Unknown) return state;
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Window surfaces stay plain memory: an OpenGL renderer behind them would take the GL
    // context that a graphics device may want for the same window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Without a display server to talk to, the real drivers only fail (and some print to the
    // terminal while doing so): go to the dummy driver at once.
    const bool displayNamed = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("SDL_VIDEODRIVER");
    if (!displayNamed) SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        const char* driver = SDL_GetCurrentVideoDriver();
        bool dummy = driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
        state = dummy ? Video::Dummy : Video::Display;
        return state;
    }
    std::string reason = SDL_GetError();
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        OutputDebugStringA(("win32: no display (" + reason + "); windows are not shown\n").c_str());
        state = Video::Dummy;
    } else {
        OutputDebugStringA(("win32: no video at all: " + std::string(SDL_GetError()) + "\n").c_str());
        state = Video::None;
    }
    return state;
}

std::vector<std::unique_ptr<ClassRecord>>& Classes() {
    static std::vector<std::unique_ptr<ClassRecord>> classes;
    return classes;
}

// Every window ever made; destroyed ones stay as tombstones so stale handles stay harmless.
std::vector<std::unique_ptr<HWND__>>& Windows() {
    static std::vector<std::unique_ptr<HWND__>> windows;
    return windows;
}

ClassRecord* FindClass(LPCSTR name) {
    if (!name) return nullptr;
    for (auto& c : Classes())
        if (c->registered && c->name == name) return c.get();
    return nullptr;
}

bool HasFullCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

Uint32 SdlFlagsFor(DWORD style) {
    Uint32 flags = 0;
    if (!(style & WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
    if (!HasFullCaption(style)) flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    return flags;
}

void ApplyStyleToSdl(HWND w, DWORD oldStyle) {
    if (!w->sdl) return;
    DWORD style = w->style;
    if (HasFullCaption(style) != HasFullCaption(oldStyle))
        SDL_SetWindowBordered(w->sdl, HasFullCaption(style) ? SDL_TRUE : SDL_FALSE);
    if ((style & WS_THICKFRAME) != (oldStyle & WS_THICKFRAME))
        SDL_SetWindowResizable(w->sdl, (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    if ((style & WS_VISIBLE) != (oldStyle & WS_VISIBLE)) {
        if (style & WS_VISIBLE)
            SDL_ShowWindow(w->sdl);
        else
            SDL_HideWindow(w->sdl);
    }
}

void ReadSdlGeometry(HWND w) {
    if (!w->sdl) return;
    SDL_GetWindowPosition(w->sdl, &w->knownX, &w->knownY);
    SDL_GetWindowSize(w->sdl, &w->knownW, &w->knownH);
}

void ApplyMinimumSize(HWND w) {
    if (!w->sdl || w->minTrack.x <= 0 || w->minTrack.y <= 0) return;
    RECT in = platform::detail::FrameInsets(w->style, w->menu != nullptr);
    int minW = std::max<LONG>(1, w->minTrack.x - (in.left + in.right));
    int minH = std::max<LONG>(1, w->minTrack.y - (in.top + in.bottom));
    SDL_SetWindowMinimumSize(w->sdl, minW, minH);
}

void QueryMinMax(HWND w) {
    MINMAXINFO info{};
    info.ptMaxTrackSize = {32767, 32767};
    SendMessageA(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    w->minTrack = info.ptMinTrackSize;
    ApplyMinimumSize(w);
}

}  // namespace

namespace platform {

bool HasDisplay() { return StartVideo() == Video::Display; }
bool VideoAvailable() {
    Video v = StartVideo();
    return v == Video::Display || v == Video::Dummy;
}

std::vector<DisplayInfo> ListDisplays() {
    std::vector<DisplayInfo> list;
    if (!HasDisplay()) return list;
    auto convert = [](const SDL_DisplayMode& m) {
        DisplayMode d;
        d.width = m.w;
        d.height = m.h;
        d.refreshRate = m.refresh_rate;
        int bpp = static_cast<int>(SDL_BITSPERPIXEL(m.format));
        d.bitsPerPixel = bpp > 16 ? 32 : 16;
        return d;
    };
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        DisplayInfo info;
        const char* name = SDL_GetDisplayName(i);
        info.name = name ? name : "Display";
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(i, &desktop) == 0) info.desktop = convert(desktop);
        int modes = SDL_GetNumDisplayModes(i);
        for (int m = 0; m < modes; ++m) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(i, m, &mode) == 0) info.modes.push_back(convert(mode));
        }
        if (info.modes.empty() && info.desktop.width > 0) info.modes.push_back(info.desktop);
        list.push_back(std::move(info));
    }
    return list;
}

SDL_Window* GetSdlWindow(HWND window) {
    return detail::LiveWindow(window) && window->kind == HWND__::Kind::TopLevel ? window->sdl : nullptr;
}

bool IsOpenGLWindow(HWND window) { return GetSdlWindow(window) != nullptr && window->openGL; }

namespace detail {

bool LiveWindow(HWND window) {
    if (!window) return false;
    for (auto& w : Windows())
        if (w.get() == window) return !w->destroyed;
    return false;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> list;
    for (auto& w : Windows())
        if (!w->destroyed && w->kind == HWND__::Kind::TopLevel) list.push_back(w.get());
    return list;
}

HWND FirstPaintPending() {
    for (auto& w : Windows())
        if (!w->destroyed && w->kind == HWND__::Kind::TopLevel && w->paintPending) return w.get();
    return nullptr;
}

HWND WindowFromSdlId(unsigned int id) {
    for (auto& w : Windows())
        if (!w->destroyed && w->sdl && SDL_GetWindowID(w->sdl) == id) return w.get();
    return nullptr;
}

POINT ClientOrigin(HWND window) {
    if (!LiveWindow(window)) return {0, 0};
    if (window->kind == HWND__::Kind::TopLevel) {
        if (window->sdl) ReadSdlGeometry(window);
        return {window->knownX, window->knownY};
    }
    return {0, 0};
}

RECT FrameInsets(DWORD style, bool menu) {
    RECT r{0, 0, 0, 0};
    LONG frame = 0;
    if (style & WS_THICKFRAME)
        frame = kSizingFrame;
    else if (HasFullCaption(style) || (style & (WS_DLGFRAME | WS_BORDER)))
        frame = kDialogFrame;
    r.left = r.right = r.bottom = r.top = frame;
    if (HasFullCaption(style)) r.top += kCaption;
    if (menu) r.top += kMenuBar;
    return r;
}

HWND__* NewWindow() {
    Windows().push_back(std::make_unique<HWND__>());
    return Windows().back().get();
}

}  // namespace detail
}  // namespace platform

using platform::detail::FrameInsets;
using platform::detail::LiveWindow;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName != nullptr) return nullptr;  // only the program's own module exists
    return reinterpret_cast<HMODULE>(&g_programModule);
}

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc) return 0;
    if (FindClass(wndClass->lpszClassName)) return 0;  // already registered
    auto rec = std::make_unique<ClassRecord>();
    rec->name = wndClass->lpszClassName;
    rec->wc = *wndClass;
    rec->wc.lpszClassName = nullptr;  // the caller's text need not outlive the call
    rec->wc.lpszMenuName = nullptr;
    Classes().push_back(std::move(rec));
    return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    ClassRecord* c = FindClass(className);
    if (!c) return FALSE;
    for (auto& w : Windows())
        if (!w->destroyed && w->cls == c) return FALSE;  // still in use
    c->registered = false;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID) {
    ClassRecord* cls = FindClass(className);
    if (!cls) {
        OutputDebugStringA("CreateWindowEx: unknown window class\n");
        return nullptr;
    }
    if (style & WS_CHILD) {
        OutputDebugStringA("CreateWindowEx: child windows are not supported\n");
        return nullptr;
    }
    if (!platform::VideoAvailable()) return nullptr;

    RECT in = FrameInsets(style, menu != nullptr);
    int clientW = (width == CW_USEDEFAULT) ? 640 : std::max<int>(1, width - (in.left + in.right));
    int clientH = (width == CW_USEDEFAULT) ? 480 : std::max<int>(1, height - (in.top + in.bottom));
    int clientX = (x == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : x + in.left;
    int clientY = (x == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : y + in.top;

    const char* title = windowName ? windowName : "";
    Uint32 flags = SdlFlagsFor(style);
    SDL_Window* sdl = SDL_CreateWindow(title, clientX, clientY, clientW, clientH, flags | SDL_WINDOW_OPENGL);
    bool gl = sdl != nullptr;
    if (!sdl) sdl = SDL_CreateWindow(title, clientX, clientY, clientW, clientH, flags);
    if (!sdl) {
        OutputDebugStringA(("CreateWindowEx: " + std::string(SDL_GetError()) + "\n").c_str());
        return nullptr;
    }

    HWND w = platform::detail::NewWindow();
    w->kind = HWND__::Kind::TopLevel;
    w->className = className;
    w->text = title;
    w->style = style;
    w->exStyle = exStyle;
    w->proc = cls->wc.lpfnWndProc;
    w->cls = cls;
    w->owner = parent;
    w->menu = menu;
    w->instance = instance;
    w->sdl = sdl;
    w->openGL = gl;
    w->enabled = !(style & WS_DISABLED);
    ReadSdlGeometry(w);
    if (cls->wc.hIcon) {
        platform::detail::ApplyWindowIcon(sdl, cls->wc.hIcon);
    }

    QueryMinMax(w);
    if (SendMessageA(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    if (LiveWindow(w)) {
        SendMessageA(w, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(static_cast<WORD>(w->knownW), static_cast<WORD>(w->knownH)));
    }
    return LiveWindow(w) ? w : nullptr;
}

BOOL DestroyWindow(HWND window) {
    if (!LiveWindow(window)) return FALSE;
    // Owned dialogs and controls go first.
    for (auto& other : Windows())
        if (!other->destroyed && other->owner == window && other.get() != window) DestroyWindow(other.get());
    SendMessageA(window, WM_DESTROY, 0, 0);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    window->destroyed = true;
    platform::detail::ReleasePresentation(window);
    if (window->sdl) {
        SDL_DestroyWindow(window->sdl);
        window->sdl = nullptr;
    }
    return TRUE;
}

BOOL IsWindow(HWND window) { return LiveWindow(window) ? TRUE : FALSE; }

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) {
    if (!rect) return FALSE;
    RECT in = FrameInsets(style, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!rect || !LiveWindow(window)) return FALSE;
    if (window->kind != HWND__::Kind::TopLevel) {
        *rect = window->rectDlu;
        return TRUE;
    }
    ReadSdlGeometry(window);
    RECT in = FrameInsets(window->style, window->menu != nullptr);
    rect->left = window->knownX - in.left;
    rect->top = window->knownY - in.top;
    rect->right = window->knownX + window->knownW + in.right;
    rect->bottom = window->knownY + window->knownH + in.bottom;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!rect || !LiveWindow(window)) return FALSE;
    if (window->kind != HWND__::Kind::TopLevel) {
        *rect = {0, 0, window->rectDlu.right - window->rectDlu.left, window->rectDlu.bottom - window->rectDlu.top};
        return TRUE;
    }
    ReadSdlGeometry(window);
    *rect = {0, 0, window->knownW, window->knownH};
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
    if (!point || !LiveWindow(window)) return FALSE;
    POINT o = platform::detail::ClientOrigin(window);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    if (!point || !LiveWindow(window)) return FALSE;
    POINT o = platform::detail::ClientOrigin(window);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
    if (!LiveWindow(window) || window->kind != HWND__::Kind::TopLevel) return FALSE;
    RECT in = FrameInsets(window->style, window->menu != nullptr);
    bool sized = false;
    if (!(flags & SWP_NOSIZE)) {
        int w = std::max<int>(1, cx - (in.left + in.right));
        int h = std::max<int>(1, cy - (in.top + in.bottom));
        if (w != window->knownW || h != window->knownH) {
            SDL_SetWindowSize(window->sdl, w, h);
            sized = true;
        }
    }
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(window->sdl, x + in.left, y + in.top);
    if (flags & SWP_SHOWWINDOW) {
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdl);
    }
    if (flags & SWP_HIDEWINDOW) {
        window->style &= ~WS_VISIBLE;
        SDL_HideWindow(window->sdl);
    }
    // What we asked for is what we know; the events that report it later are not a user's.
    if (!(flags & SWP_NOSIZE)) {
        window->knownW = std::max<int>(1, cx - (in.left + in.right));
        window->knownH = std::max<int>(1, cy - (in.top + in.bottom));
    }
    if (!(flags & SWP_NOMOVE)) {
        window->knownX = x + in.left;
        window->knownY = y + in.top;
    }
    if (sized)
        SendMessageA(window, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(static_cast<WORD>(window->knownW), static_cast<WORD>(window->knownH)));
    return TRUE;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
    if (!LiveWindow(window)) return 0;
    if (index == GWL_STYLE) {
        DWORD old = window->style;
        window->style = static_cast<DWORD>(value);
        if (window->kind == HWND__::Kind::TopLevel) {
            ApplyStyleToSdl(window, old);
            ApplyMinimumSize(window);
        }
        return static_cast<LONG>(old);
    }
    if (index == GWL_EXSTYLE) {
        DWORD old = window->exStyle;
        window->exStyle = static_cast<DWORD>(value);
        return static_cast<LONG>(old);
    }
    return 0;
}

LONG GetWindowLongA(HWND window, int index) {
    if (!LiveWindow(window)) return 0;
    if (index == GWL_STYLE) {
        DWORD style = window->style;
        if (window->kind == HWND__::Kind::TopLevel && window->sdl) {
            Uint32 f = SDL_GetWindowFlags(window->sdl);
            if (f & SDL_WINDOW_MINIMIZED) style |= WS_MINIMIZE;
            if (f & SDL_WINDOW_MAXIMIZED) style |= WS_MAXIMIZE;
        }
        if (!window->enabled) style |= WS_DISABLED;
        return static_cast<LONG>(style);
    }
    if (index == GWL_EXSTYLE) return static_cast<LONG>(window->exStyle);
    return 0;
}

ULONG_PTR SetClassLongA(HWND window, int index, LONG_PTR value) {
    if (!LiveWindow(window) || !window->cls) return 0;
    WNDCLASSA& wc = window->cls->wc;
    if (index == GCL_HCURSOR) {
        auto old = reinterpret_cast<ULONG_PTR>(wc.hCursor);
        wc.hCursor = reinterpret_cast<HCURSOR>(value);
        return old;
    }
    if (index == GCL_HICON) {
        auto old = reinterpret_cast<ULONG_PTR>(wc.hIcon);
        wc.hIcon = reinterpret_cast<HICON>(value);
        return old;
    }
    return 0;
}

ULONG_PTR GetClassLongA(HWND window, int index) {
    if (!LiveWindow(window) || !window->cls) return 0;
    if (index == GCL_HCURSOR) return reinterpret_cast<ULONG_PTR>(window->cls->wc.hCursor);
    if (index == GCL_HICON) return reinterpret_cast<ULONG_PTR>(window->cls->wc.hIcon);
    return 0;
}

BOOL ShowWindow(HWND window, int command) {
    if (!LiveWindow(window)) return FALSE;
    BOOL wasVisible = (window->style & WS_VISIBLE) ? TRUE : FALSE;
    if (window->kind != HWND__::Kind::TopLevel) {
        if (command == SW_HIDE)
            window->style &= ~WS_VISIBLE;
        else
            window->style |= WS_VISIBLE;
        return wasVisible;
    }
    switch (command) {
        case SW_HIDE:
            window->style &= ~WS_VISIBLE;
            SDL_HideWindow(window->sdl);
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
            window->style |= WS_VISIBLE;
            SDL_ShowWindow(window->sdl);
            SDL_MinimizeWindow(window->sdl);
            break;
        case SW_SHOWMAXIMIZED:
            window->style |= WS_VISIBLE;
            SDL_ShowWindow(window->sdl);
            SDL_MaximizeWindow(window->sdl);
            break;
        case SW_RESTORE:
            window->style |= WS_VISIBLE;
            SDL_ShowWindow(window->sdl);
            SDL_RestoreWindow(window->sdl);
            break;
        default:
            window->style |= WS_VISIBLE;
            SDL_ShowWindow(window->sdl);
            break;
    }
    return wasVisible;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    if (!LiveWindow(window)) return FALSE;
    BOOL wasDisabled = window->enabled ? FALSE : TRUE;
    window->enabled = enable != FALSE;
    if (window->enabled)
        window->style &= ~WS_DISABLED;
    else
        window->style |= WS_DISABLED;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) { return LiveWindow(window) && window->enabled ? TRUE : FALSE; }
BOOL IsWindowVisible(HWND window) { return LiveWindow(window) && (window->style & WS_VISIBLE) ? TRUE : FALSE; }

HWND GetParent(HWND window) { return LiveWindow(window) ? window->owner : nullptr; }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!LiveWindow(window)) return FALSE;
    window->text = text ? text : "";
    if (window->sdl) SDL_SetWindowTitle(window->sdl, window->text.c_str());
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
    if (!LiveWindow(window) || !buffer || size <= 0) return 0;
    int n = std::min<int>(size - 1, static_cast<int>(window->text.size()));
    std::memcpy(buffer, window->text.data(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
}

HGDIOBJ GetStockObject(int object) {
    // Stock brushes are never drawn with: the device owns the client area. A distinct,
    // never-freed address per stock object is all that callers can observe.
    static char stock[8];
    if (object < 0 || object >= 8) return nullptr;
    return reinterpret_cast<HGDIOBJ>(&stock[object]);
}
