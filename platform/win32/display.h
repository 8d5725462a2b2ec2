// What the graphics device model needs from the window service: the displays with their
// modes, and the SDL window behind a window handle. Not for code above the platform.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/handles.h"

struct SDL_Window;
struct SDL_Rect;

namespace platform {

struct DisplayMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;  // Hz, 0 when unknown
    int bitsPerPixel = 0; // 16 or 32 as SDL reports the pixel format (24 is reported as 32)
};

struct DisplayInfo {
    std::string name;            // SDL's display name
    DisplayMode desktop;         // the current desktop mode
    std::vector<DisplayMode> modes;  // as SDL lists them, duplicates included
};

// The displays of a real screen; empty without a display (then a virtual adapter stands in).
std::vector<DisplayInfo> ListDisplays();

// The SDL window of a top-level window (NULL for other handles). A device may resize it or
// make it full-screen through SDL: size changes of a full-screen window reach the program as
// WM_SIZE alone; in a window they read as the user's resize (WM_ENTERSIZEMOVE, WM_SIZE,
// WM_EXITSIZEMOVE), which the frame answers by resetting the device when the client size
// differs from the one it knows. The window is created with
// SDL_WINDOW_OPENGL when the video driver supports it.
SDL_Window* GetSdlWindow(HWND window);
// Whether that SDL window was created OpenGL-capable.
bool IsOpenGLWindow(HWND window);

// Full-screen for a device of width x height pixels: the display switches to that mode where
// it has it (and the refresh rate, when not 0); otherwise the window covers the desktop and
// PresentPixels scales the picture to fit. False when the window cannot go full-screen.
bool EnterFullScreen(HWND window, int width, int height, int refreshRate);
// Gives the desktop back: the display mode and the window's windowed place and size.
void LeaveFullScreen(HWND window);
// Whether the user has left a full-screen window: minimised, or its input focus went to
// another window and has not come back. A full-screen device is lost meanwhile.
bool FullScreenWindowAway(HWND window);

// Pixel layouts PresentPixels takes (rows top-down, little-endian words).
enum class PixelLayout {
    XRGB8888,  // 32 bits, 0x??RRGGBB (X8R8G8B8, A8R8G8B8 with alpha ignored)
    RGB565,    // 16 bits (R5G6B5)
    XRGB1555,  // 16 bits (X1R5G5B5, A1R5G5B5 with alpha ignored)
};

// Shows a picture in the window's client area through an SDL renderer (on the graphics
// hardware where there is one, SDL's software renderer otherwise), scaled to fit when its size
// differs from the client's, aspect kept, with black borders. Rows are `pitch` bytes apart.
// `waitForRefresh` asks the renderer to wait for the display's refresh (where it can).
// False when the window has no SDL window or the picture cannot be shown; nothing is
// allocated per call once the size is settled. The caller's current OpenGL context is kept.
bool PresentPixels(HWND window, const void* bits, int width, int height, int pitch, PixelLayout layout,
                   bool waitForRefresh);

// Where a picture of width x height goes in an area to fill it as far as its aspect allows,
// centred (zero size for an empty picture or area).
SDL_Rect FitKeepingAspect(int width, int height, int areaWidth, int areaHeight);

}  // namespace platform
