// Full-screen windows for full-screen devices: the display switches to the device's mode
// where it has that mode, otherwise the window covers the desktop and the pictures shown in
// it are scaled to fit. Leaving gives the display mode and the window's place back (SDL keeps
// the windowed geometry across the switch).
#include <SDL.h>

#include <string>

#include "platform/win32/debug_output.h"
#include "platform/win32/display.h"
#include "platform/win32/window_internal.h"

namespace platform {

namespace {

// The display's own mode of exactly this size (and refresh rate, when one is asked for), so
// that switching changes the display rather than stretching a picture.
bool FindExactMode(SDL_Window* sdl, int width, int height, int refreshRate, SDL_DisplayMode* found) {
    const int display = SDL_GetWindowDisplayIndex(sdl);
    if (display < 0) return false;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
        if (mode.w != width || mode.h != height) continue;
        if (refreshRate != 0 && mode.refresh_rate != 0 && mode.refresh_rate != refreshRate) continue;
        *found = mode;
        return true;
    }
    return false;
}

}  // namespace

bool EnterFullScreen(HWND window, int width, int height, int refreshRate) {
    SDL_Window* sdl = GetSdlWindow(window);
    if (!sdl) return false;
    SDL_DisplayMode mode;
    const bool switched = FindExactMode(sdl, width, height, refreshRate, &mode) &&
                          SDL_SetWindowDisplayMode(sdl, &mode) == 0 && SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) == 0;
    if (!switched && SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        OutputDebugStringA(("win32: the window cannot go full-screen: " + std::string(SDL_GetError()) + "\n").c_str());
        return false;
    }
    // The user asked for this window to fill the display: it comes to the front with the
    // input focus, so it is not taken for one the user has left.
    SDL_RaiseWindow(sdl);
    SDL_SetWindowInputFocus(sdl);
    window->focusLost = false;
    return true;
}

void LeaveFullScreen(HWND window) {
    SDL_Window* sdl = GetSdlWindow(window);
    if (sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowFullscreen(sdl, 0);
}


bool FullScreenWindowAway(HWND window) {
    SDL_Window* sdl = GetSdlWindow(window);
    if (!sdl) return false;
    const Uint32 flags = SDL_GetWindowFlags(sdl);
    return (flags & SDL_WINDOW_MINIMIZED) || window->focusLost;
}

}  // namespace platform
