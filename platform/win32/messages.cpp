#include "platform/win32/messages.h"

#include "platform/win32/debug_output.h"

#include <SDL.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/win32/window_internal.h"

namespace {

std::deque<MSG>& Queue() {
    static std::deque<MSG> queue;
    return queue;
}

struct QuitState {
    bool pending = false;
    int code = 0;
};
QuitState& Quit() {
    static QuitState quit;
    return quit;
}

std::vector<platform::detail::ModalSink*>& Sinks() {
    static std::vector<platform::detail::ModalSink*> sinks;
    return sinks;
}

POINT& LastMouse() {
    static POINT p{0, 0};
    return p;
}

DWORD Now() { return static_cast<DWORD>(SDL_GetTicks()); }

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{hwnd, message, wParam, lParam, Now(), LastMouse()};
    Queue().push_back(m);
}

bool Matches(const MSG& m, HWND window, UINT lo, UINT hi) {
    if (window && m.hwnd != window) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT: case SDLK_RALT: return VK_MENU;
        case SDLK_EQUALS: case SDLK_PLUS: return VK_OEM_PLUS;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        default: return 0;
    }
}

WPARAM MouseKeyState(Uint32 buttons) {
    WPARAM k = 0;
    if (buttons & SDL_BUTTON_LMASK) k |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) k |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) k |= MK_MBUTTON;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) k |= MK_SHIFT;
    if (mod & KMOD_CTRL) k |= MK_CONTROL;
    return k;
}

LPARAM ClientPoint(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
}

// Input to a disabled window (the owner of a modal dialog) is dropped.
bool TakesInput(HWND w) { return w && w->enabled; }

void TranslateWindowEvent(const SDL_WindowEvent& e) {
    HWND w = platform::detail::WindowFromSdlId(e.windowID);
    if (!w) return;
    bool fullscreen = w->sdl && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN);
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (TakesInput(w)) Post(w, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (e.data1 == w->knownW && e.data2 == w->knownH) break;
            w->knownW = e.data1;
            w->knownH = e.data2;
            {
                Uint32 flags = SDL_GetWindowFlags(w->sdl);
                WPARAM kind = (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED;
                LPARAM size = MAKELPARAM(static_cast<WORD>(e.data1), static_cast<WORD>(e.data2));
                if (fullscreen) {
                    Post(w, WM_SIZE, kind, size);
                } else {
                    Post(w, WM_ENTERSIZEMOVE, 0, 0);
                    Post(w, WM_SIZE, kind, size);
                    Post(w, WM_EXITSIZEMOVE, 0, 0);
                }
            }
            break;
        case SDL_WINDOWEVENT_MOVED:
            if (e.data1 == w->knownX && e.data2 == w->knownY) break;
            w->knownX = e.data1;
            w->knownY = e.data2;
            // A move is WM_MOVE alone: the window manager places and reparents windows as
            // they are mapped, and a drag does not hold up the program's loop here as the
            // modal move loop does on Windows, so there is no size-move to bracket.
            Post(w, WM_MOVE, 0, ClientPoint(e.data1, e.data2));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            Post(w, WM_SIZE, SIZE_MINIMIZED, 0);
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: {
            int cw = 0, ch = 0;
            SDL_GetWindowSize(w->sdl, &cw, &ch);
            WPARAM kind = e.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED;
            Post(w, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(cw), static_cast<WORD>(ch)));
            break;
        }
        case SDL_WINDOWEVENT_EXPOSED:
            w->paintPending = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            w->focusLost = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            w->focusLost = false;
            break;
        default:
            break;
    }
}

}  // namespace

namespace platform {

void ResetMessageQueue() {
    Queue().clear();
    Quit() = QuitState{};
    for (HWND w : detail::TopLevelWindows()) w->paintPending = false;
}

int QueuedMessageCount() { return static_cast<int>(Queue().size()); }

namespace detail {

void PushModalSink(ModalSink* sink) { Sinks().push_back(sink); }
void PopModalSink(ModalSink* sink) {
    auto& s = Sinks();
    s.erase(std::remove(s.begin(), s.end(), sink), s.end());
}

POINT MousePosition() {
    if (platform::HasDisplay()) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return {x, y};
    }
    return LastMouse();
}

void NoteMousePosition(POINT screen) { LastMouse() = screen; }

void TranslateSdlEvent(const SDL_Event& event) {
    // Modal windows take their own events, and all keyboard input while they are innermost.
    if (!Sinks().empty()) {
        ModalSink* top = Sinks().back();
        Uint32 id = 0;
        switch (event.type) {
            case SDL_WINDOWEVENT: id = event.window.windowID; break;
            case SDL_MOUSEMOTION: id = event.motion.windowID; break;
            case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: id = event.button.windowID; break;
            case SDL_MOUSEWHEEL: id = event.wheel.windowID; break;
            default: break;
        }
        bool keyboard = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
        if (keyboard || (id != 0 && id == top->sdlWindowId)) {
            top->handle(event);
            return;
        }
        for (ModalSink* s : Sinks())
            if (id != 0 && id == s->sdlWindowId) {
                s->handle(event);
                return;
            }
        // Clicks elsewhere reach the innermost modal window too (a pop-up closes on them).
        if (event.type == SDL_MOUSEBUTTONDOWN) top->handle(event);
    }

    switch (event.type) {
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window);
            break;
        case SDL_QUIT:
            for (HWND w : TopLevelWindows())
                if (w->kind == HWND__::Kind::TopLevel) Post(w, WM_CLOSE, 0, 0);
            break;
        case SDL_MOUSEMOTION: {
            HWND w = WindowFromSdlId(event.motion.windowID);
            if (!w) break;
            POINT origin = ClientOrigin(w);
            NoteMousePosition({origin.x + event.motion.x, origin.y + event.motion.y});
            if (!TakesInput(w)) break;
            SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            LPARAM pos = ClientPoint(event.motion.x, event.motion.y);
            WPARAM keys = MouseKeyState(event.motion.state);
            if (!Queue().empty() && Queue().back().message == WM_MOUSEMOVE && Queue().back().hwnd == w) {
                Queue().back().wParam = keys;
                Queue().back().lParam = pos;
                Queue().back().pt = LastMouse();
            } else {
                Post(w, WM_MOUSEMOVE, keys, pos);
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND w = WindowFromSdlId(event.button.windowID);
            if (!w) break;
            POINT origin = ClientOrigin(w);
            NoteMousePosition({origin.x + event.button.x, origin.y + event.button.y});
            if (!TakesInput(w)) break;
            bool down = event.type == SDL_MOUSEBUTTONDOWN;
            UINT msg = 0;
            if (event.button.button == SDL_BUTTON_LEFT) msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            if (event.button.button == SDL_BUTTON_RIGHT) msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            if (event.button.button == SDL_BUTTON_MIDDLE) msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            if (msg) Post(w, msg, MouseKeyState(SDL_GetMouseState(nullptr, nullptr)), ClientPoint(event.button.x, event.button.y));
            break;
        }
        case SDL_MOUSEWHEEL: {
            HWND w = WindowFromSdlId(event.wheel.windowID);
            if (!TakesInput(w)) break;
            POINT p = LastMouse();
            WPARAM wp = MAKEWPARAM(static_cast<WORD>(MouseKeyState(0)), static_cast<WORD>(static_cast<SHORT>(event.wheel.y * 120)));
            Post(w, WM_MOUSEWHEEL, wp, ClientPoint(p.x, p.y));
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HWND w = WindowFromSdlId(event.key.windowID);
            if (!w) {
                // Injected keys (no window) go to the first top-level window that takes input.
                for (HWND t : TopLevelWindows())
                    if (TakesInput(t)) { w = t; break; }
            }
            if (!TakesInput(w)) break;
            int vk = VirtualKey(event.key.keysym.sym);
            if (!vk) break;
            bool down = event.type == SDL_KEYDOWN;
            bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
            UINT msg = alt || vk == VK_F10 ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
            DWORD lp = 1u | ((static_cast<DWORD>(event.key.keysym.scancode) & 0xFF) << 16);
            if (alt) lp |= 1u << 29;
            if (!down || event.key.repeat) lp |= 1u << 30;
            if (!down) lp |= 1u << 31;
            Post(w, msg, static_cast<WPARAM>(vk), static_cast<LPARAM>(lp));
            break;
        }
        default:
            break;
    }
}

void PumpSdlEvents() {
    if (!platform::VideoAvailable()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateSdlEvent(e);
}

}  // namespace detail
}  // namespace platform

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (!msg) return FALSE;
    platform::detail::PumpSdlEvents();
    auto& q = Queue();
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) q.erase(it);
        return TRUE;
    }
    if (Quit().pending && (!window) && (filterMin == 0 && filterMax == 0 ? true : (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(Quit().code), 0, Now(), LastMouse()};
        if (remove & PM_REMOVE) Quit().pending = false;
        return TRUE;
    }
    HWND painted = platform::detail::FirstPaintPending();
    if (painted) {
        HWND w = painted;
        MSG m{w, WM_PAINT, 0, 0, Now(), LastMouse()};
        if (Matches(m, window, filterMin, filterMax)) {
            *msg = m;
            if (remove & PM_REMOVE) w->paintPending = false;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        if (PeekMessageA(msg, window, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (!platform::VideoAvailable()) {
            *msg = MSG{nullptr, WM_NULL, 0, 0, 0, {0, 0}};
            return -1;
        }
        SDL_WaitEvent(nullptr);
    }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask) {
    if (count != 0 || handles != nullptr || waitAll || wakeMask != QS_ALLINPUT) {
        OutputDebugStringA("MsgWaitForMultipleObjects: only a wait for any message is implemented\n");
        return WAIT_FAILED;
    }
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return WAIT_OBJECT_0;
    if (!platform::VideoAvailable()) {
        SDL_Delay(milliseconds);
        return WAIT_TIMEOUT;
    }
    if (SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds)) == 0) return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    int vk = static_cast<int>(msg->wParam);
    int ch = 0;
    if (vk == VK_ESCAPE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_SPACE) ch = vk;
    else if (vk >= '0' && vk <= '9') ch = vk;
    else if (vk >= 'A' && vk <= 'Z') ch = (SDL_GetModState() & KMOD_SHIFT) ? vk : vk - 'A' + 'a';
    if (!ch) return FALSE;
    Post(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(ch), msg->lParam);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !platform::detail::LiveWindow(msg->hwnd)) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!platform::detail::LiveWindow(window) || !window->proc) return 0;
    return window->proc(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !platform::detail::LiveWindow(window)) return FALSE;
    Post(window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    Quit().pending = true;
    Quit().code = exitCode;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!platform::detail::LiveWindow(window)) return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT:
            window->paintPending = false;
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT && window->cls) {
                SetCursor(window->cls->wc.hCursor);
                return TRUE;
            }
            return FALSE;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_RBUTTONUP: {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(window, &p);
            SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(p.x)), static_cast<WORD>(static_cast<SHORT>(p.y))));
            return 0;
        }
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE: SendMessageA(window, WM_CLOSE, 0, 0); return 0;
                case SC_MINIMIZE: ShowWindow(window, SW_MINIMIZE); return 0;
                case SC_MAXIMIZE: ShowWindow(window, SW_SHOWMAXIMIZED); return 0;
                case SC_RESTORE: ShowWindow(window, SW_RESTORE); return 0;
                default: return 0;
            }
        default:
            return 0;
    }
}
