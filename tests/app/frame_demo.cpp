// A small program on the application frame: it clears its window to a slowly changing colour
// every frame. With --scripted it drives itself the way a user would (answers the start-up
// dialog with Enter, opens and dismisses the pop-up menu, then presses Escape) and exits with
// 0 only when all of that happened; the window test runs it so under Xvfb.
// It runs on the project's Direct3D device model (the software device on the virtual adapter
// where there is no hardware device).
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/d3dapp.h"
#include "platform/win32/display.h"

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
        return sawDialog_ && sawMenu_ && colourShown_ && frames_ >= kFramesBeforeExit;
    }

private:
    // Reads the middle of the window back and compares it with the last clear colour.
    void CheckShownColour() {
        SDL_Window* window = platform::GetSdlWindow(m_hWnd);
        SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
        if (frames_ < 5 || !surface || SDL_LockSurface(surface) != 0) return;
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + (surface->h / 2) * surface->pitch;
        Uint32 pixel = 0;
        std::memcpy(&pixel, row + (surface->w / 2) * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
        SDL_UnlockSurface(surface);
        Uint8 r, g, b;
        SDL_GetRGB(pixel, surface->format, &r, &g, &b);
        if (r == ((lastColour_ >> 16) & 0xFF) && g == ((lastColour_ >> 8) & 0xFF) && b == (lastColour_ & 0xFF))
            colourShown_ = true;
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
    bool colourShown_ = false;
    D3DCOLOR lastColour_ = 0;
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
