// A small program on the application frame: it clears its window to a slowly changing colour
// every frame. With --scripted it drives itself the way a user would (answers the start-up
// dialog with Enter, opens and dismisses the pop-up menu, toggles to full-screen and back, then
// presses Escape) and exits with 0 only when all of that happened; the window test runs it so
// under Xvfb.
// It runs on the project's Direct3D device model (the software device on the virtual adapter
// where there is no hardware device). What it checks it reads from the screen, as a person sees it.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/d3dapp.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/win32/display.h"
#include "resources/resource_ids.h"
#include "tests/support/shown_pixel.h"

namespace {

constexpr UINT WM_SCRIPT_DIALOG = WM_USER + 100;
constexpr int kFramesBeforeMenu = 30;
constexpr int kFramesBeforeFullScreen = 45;
constexpr int kFramesBeforeWindowed = 60;
constexpr int kFramesBeforeExit = 150;

Uint32 PushKey(Uint32, void* param) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = static_cast<SDL_Keycode>(reinterpret_cast<std::intptr_t>(param));
    e.key.state = SDL_PRESSED;
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    SDL_PushEvent(&e);
    return 0;  // once
}

class CDemoApplication : public CD3DApplication {
public:
    explicit CDemoApplication(bool scripted) : scripted_(scripted) {
        m_windowTitle = "Morvelt frame";
        m_createWidth = 800;
        m_createHeight = 600;
    }

    HRESULT Render() override {
        float t = m_fTime;
        auto channel = [&](float phase) {
            return static_cast<DWORD>(std::lround(127.5f + 127.5f * std::sin(t * 0.8f + phase)));
        };
        if (scripted_) CheckShownColour();  // the previous frame has been presented by now
        const D3DCOLOR colour = D3DCOLOR_XRGB(channel(0.0f) / 3, channel(2.1f) / 3, channel(4.2f));
        m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, colour, 1.0f, 0);
        if (SUCCEEDED(m_pDevice->BeginScene())) m_pDevice->EndScene();
        lastColour_ = colour;
        ++frames_;
        if (scripted_) Script();
        return S_OK;
    }

    LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SCRIPT_DIALOG) {
            // Dispatched by the dialog's own loop: the dialog is up and the frame paused.
            sawDialog_ = !m_bReady;
            SDL_AddTimer(400, PushKey, reinterpret_cast<void*>(static_cast<std::intptr_t>(SDLK_RETURN)));
            return 0;
        }
        if (msg == WM_ENTERMENULOOP && scripted_ && !sawMenu_) {
            // The pop-up is about to run its loop: Escape will dismiss it.
            sawMenu_ = true;
            SDL_AddTimer(400, PushKey, reinterpret_cast<void*>(static_cast<std::intptr_t>(SDLK_ESCAPE)));
        }
        return CD3DApplication::HandleMessage(hWnd, msg, wParam, lParam);
    }

    INT Run() override {
        if (scripted_) PostMessage(m_hWnd, WM_SCRIPT_DIALOG, 0, 0);
        return CD3DApplication::Run();
    }

    bool Succeeded() const {
        std::fprintf(stderr, "frame_demo: dialog %s, menu %s, %d frames\n", sawDialog_ ? "shown" : "NOT shown",
                     sawMenu_ ? "shown" : "NOT shown", frames_);
        std::fprintf(stderr, "frame_demo: cleared colour %s in the window\n", colourShown_ ? "seen" : "NOT seen");
        std::fprintf(stderr, "frame_demo: full-screen %s the display; back in a window of %s\n",
                     coveredDisplay_ ? "covered" : "did NOT cover", restored_ ? "the old size" : "ANOTHER size");
        // A hardware device shows its frames in the window without copying them to memory.
        const bool hal = m_deviceCaps.DeviceType == D3DDEVTYPE_HAL;
        const unsigned long long readBacks = d3d8::gl::ReadBackCount() - readBacksAtStart_;
        std::fprintf(stderr, "frame_demo: %s device, %llu frames read back from OpenGL while playing\n",
                     hal ? "HAL" : "REF", readBacks);
        return sawDialog_ && sawMenu_ && colourShown_ && coveredDisplay_ && restored_ && frames_ >= kFramesBeforeExit &&
               (!hal || readBacks == 0);
    }

private:
    // Reads the middle of the window from the screen and compares it with the last clear colour.
    void CheckShownColour() {
        if (frames_ < 5) return;
        if (frames_ == 5) readBacksAtStart_ = d3d8::gl::ReadBackCount();
        const auto shown = test_support::ShownPixel(platform::GetSdlWindow(m_hWnd), static_cast<int>(m_clientRect.right / 2),
                                                    static_cast<int>(m_clientRect.bottom / 2));
        if (shown && *shown == (lastColour_ & 0xFFFFFFu)) colourShown_ = true;
    }

    void Script() {
        SDL_Window* window = platform::GetSdlWindow(m_hWnd);
        if (frames_ == kFramesBeforeMenu && window) {
            // A right click in the client area opens the pop-up; Escape dismisses it.
            SDL_Event e{};
            e.type = SDL_MOUSEBUTTONUP;
            e.button.windowID = SDL_GetWindowID(window);
            e.button.button = SDL_BUTTON_RIGHT;
            e.button.state = SDL_RELEASED;
            e.button.x = 100;
            e.button.y = 80;
            SDL_PushEvent(&e);
        }
        if (window) ToggleFullScreenAndBack(window);
        if (frames_ == kFramesBeforeExit) {
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.windowID = window ? SDL_GetWindowID(window) : 0;
            e.key.keysym.sym = SDLK_ESCAPE;
            e.key.state = SDL_PRESSED;
            SDL_PushEvent(&e);
        }
    }

    // Full-screen covers the display; back in a window, the window has its old place and size.
    void ToggleFullScreenAndBack(SDL_Window* window) {
        SDL_Rect now{};
        SDL_GetWindowPosition(window, &now.x, &now.y);
        SDL_GetWindowSize(window, &now.w, &now.h);
        if (frames_ == kFramesBeforeFullScreen) {
            windowed_ = now;
            PostMessage(m_hWnd, WM_COMMAND, IDM_TOGGLEFULLSCREEN, 0);
        }
        SDL_DisplayMode display{};
        SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &display);
        if (frames_ > kFramesBeforeFullScreen && frames_ <= kFramesBeforeWindowed && !m_bWindowed &&
            (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) && now.w == display.w && now.h == display.h)
            coveredDisplay_ = true;
        if (frames_ == kFramesBeforeWindowed) PostMessage(m_hWnd, WM_COMMAND, IDM_TOGGLEFULLSCREEN, 0);
        if (frames_ > kFramesBeforeWindowed && m_bWindowed && now.w == windowed_.w && now.h == windowed_.h)
            restored_ = true;
    }

    bool scripted_;
    bool coveredDisplay_ = false;
    bool restored_ = false;
    SDL_Rect windowed_{};
    bool sawDialog_ = false;
    bool sawMenu_ = false;
    bool colourShown_ = false;
    D3DCOLOR lastColour_ = 0;
    unsigned long long readBacksAtStart_ = 0;
    int frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const bool scripted = argc > 1 && std::strcmp(argv[1], "--scripted") == 0;
    std::string notes;
    if (scripted) platform::SetDebugOutputSink([&](const char* text) { notes += text; });

    CDemoApplication app(scripted);
    if (FAILED(app.Create(GetModuleHandle(NULL)))) return scripted ? 2 : 0;
    INT result = app.Run();
    if (!scripted) return result;
    if (!notes.empty()) std::fprintf(stderr, "%s", notes.c_str());
    return result == 0 && app.Succeeded() ? 0 : 1;
}
