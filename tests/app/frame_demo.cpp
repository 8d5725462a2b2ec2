// A small program on the application frame: it clears its window to a slowly changing colour
// every frame. With --scripted it drives itself the way a user would (answers the start-up
// dialog with Enter, opens and dismisses the pop-up menu, then presses Escape) and exits with
// 0 only when all of that happened; the window test runs it so under Xvfb.
//
// Until the device model exists the program runs on the fake Direct3D of the frame's tests,
// which "clears" by filling the window through SDL.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/d3dapp.h"
#include "platform/win32/display.h"
#include "tests/app/fake_d3d.h"

namespace {

constexpr UINT WM_SCRIPT_DIALOG = WM_USER + 100;
constexpr int kFramesBeforeMenu = 30;
constexpr int kFramesBeforeExit = 90;

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
        m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, D3DCOLOR_XRGB(channel(0.0f) / 3, channel(2.1f) / 3, channel(4.2f)), 1.0f, 0);
        if (SUCCEEDED(m_pDevice->BeginScene())) m_pDevice->EndScene();
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
        return sawDialog_ && sawMenu_ && frames_ >= kFramesBeforeExit;
    }

private:
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
        if (frames_ == kFramesBeforeExit) {
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.windowID = window ? SDL_GetWindowID(window) : 0;
            e.key.keysym.sym = SDLK_ESCAPE;
            e.key.state = SDL_PRESSED;
            SDL_PushEvent(&e);
        }
    }

    bool scripted_;
    bool sawDialog_ = false;
    bool sawMenu_ = false;
    int frames_ = 0;
};

// Shows the fake device's clears in the window.
void PresentThroughSdl(const D3DPRESENT_PARAMETERS& pp, D3DCOLOR colour) {
    SDL_Window* window = platform::GetSdlWindow(pp.hDeviceWindow);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface) return;
    SDL_FillRect(surface, NULL, SDL_MapRGB(surface->format, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF));
    SDL_UpdateWindowSurface(window);
    SDL_Delay(5);  // about the pace of a real device
}

}  // namespace

int main(int argc, char** argv) {
    const bool scripted = argc > 1 && std::strcmp(argv[1], "--scripted") == 0;
    fake::CurrentSetup().onPresent = PresentThroughSdl;
    std::string notes;
    if (scripted) platform::SetDebugOutputSink([&](const char* text) { notes += text; });

    CDemoApplication app(scripted);
    if (FAILED(app.Create(GetModuleHandle(NULL)))) return scripted ? 2 : 0;
    INT result = app.Run();
    if (!scripted) return result;
    if (!notes.empty()) std::fprintf(stderr, "%s", notes.c_str());
    return result == 0 && app.Succeeded() ? 0 : 1;
}
