// Private to the Windows stand-in: a small OpenGL window with its own Dear ImGui context, the
// canvas on which the modal dialog and the pop-up menu draw themselves. Opening one saves the
// GL and ImGui contexts that were current; closing it restores them, so a graphics device
// rendering with OpenGL in the main window is left as it was.
#pragma once

#include <vector>

#include "platform/win32/handles.h"

struct SDL_Window;
union SDL_Event;
struct ImGuiContext;
struct ImFont;

namespace platform::detail {

class UiWindow {
public:
    UiWindow() = default;
    UiWindow(const UiWindow&) = delete;
    UiWindow& operator=(const UiWindow&) = delete;
    ~UiWindow();

    // `flags` are extra SDL window flags. `modalFor` may be NULL. False (and a note in the
    // debugger output) when there is no display or no OpenGL.
    bool Open(const char* title, int x, int y, int width, int height, unsigned int flags, SDL_Window* modalFor);
    void Close();

    unsigned int SdlId() const;
    SDL_Window* Window() const { return window_; }

    void ProcessEvent(const SDL_Event& event);
    void BeginFrame();  // makes the contexts current and starts an ImGui frame
    void EndFrame();    // draws and presents, then puts the previous contexts back

    // An RGBA texture from 0x00RRGGBB pixels (top-down); 0 on failure. Freed by Close.
    unsigned int CreateTexture(const std::vector<DWORD>& pixels, int width, int height);

private:
    void MakeCurrent();
    void RestorePrevious();
    void Snapshot(int width, int height);

    SDL_Window* window_ = nullptr;
    void* gl_ = nullptr;
    ImGuiContext* imgui_ = nullptr;
    void* prevGl_ = nullptr;
    SDL_Window* prevWindow_ = nullptr;
    ImGuiContext* prevImgui_ = nullptr;
    std::vector<unsigned int> textures_;
    int frames_ = 0;
};

}  // namespace platform::detail
