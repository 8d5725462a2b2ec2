// Private to the Windows stand-in: what a window handle points to, and the hooks that tie the
// window, message and dialog services together.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/cursor.h"
#include "platform/win32/dialog.h"
#include "platform/win32/messages.h"
#include "platform/win32/resource.h"
#include "platform/win32/window.h"

struct SDL_Window;
union SDL_Event;

struct HWND__ {
    enum class Kind { TopLevel, Dialog, Control };

    Kind kind = Kind::TopLevel;
    bool destroyed = false;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    WNDPROC proc = nullptr;
    HWND owner = nullptr;  // dialogs: the owner window; controls: their dialog
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    bool enabled = true;

    // Top-level windows.
    SDL_Window* sdl = nullptr;
    bool openGL = false;
    int knownX = 0, knownY = 0, knownW = 0, knownH = 0;  // last client geometry we know of
    bool paintPending = false;
    bool focusLost = false;  // the input focus went elsewhere and has not come back
    struct ClassRecord* cls = nullptr;
    POINT minTrack{0, 0};
    struct Presentation* presentation = nullptr;  // PresentPixels' renderer, made on first use

    // Controls (dialog units in the template, pixels after layout).
    int id = 0;
    RECT rectDlu{0, 0, 0, 0};
    WORD imageId = 0;
    int check = 0;
    std::vector<std::pair<std::string, LPARAM>> items;
    int curSel = -1;

    // Dialogs.
    DLGPROC dlgProc = nullptr;
    std::vector<HWND> controls;
    bool ended = false;
    INT_PTR result = 0;
    const platform::DialogResource* dialogTemplate = nullptr;
};

struct ClassRecord {
    std::string name;
    WNDCLASSA wc{};
    bool registered = true;
};

namespace platform::detail {

bool LiveWindow(HWND window);
// A new, empty window object (kept for the life of the process; destroying marks it).
HWND__* NewWindow();
// Every live top-level window, in creation order.
std::vector<HWND> TopLevelWindows();
HWND WindowFromSdlId(unsigned int sdlWindowId);
// The first live top-level window waiting for WM_PAINT, or NULL (no allocation: per frame).
HWND FirstPaintPending();
// Client origin in screen pixels.
POINT ClientOrigin(HWND window);
// Frees what PresentPixels made for the window (its renderer and picture texture).
void ReleasePresentation(HWND window);
// Non-client insets of a style (how far the frame reaches beyond the client area).
RECT FrameInsets(DWORD style, bool menu);

// Translates one SDL event into queued messages (or into sent ones where the platform sends).
void TranslateSdlEvent(const SDL_Event& event);
// Moves all waiting SDL events into the queue.
void PumpSdlEvents();

// A modal window (dialog, pop-up menu) that takes the events of its own SDL window and, while
// it is the innermost one, all keyboard input.
struct ModalSink {
    unsigned int sdlWindowId;
    std::function<void(const SDL_Event&)> handle;
};
void PushModalSink(ModalSink* sink);
void PopModalSink(ModalSink* sink);

// Mouse position in screen pixels, as last seen in events (without a display) or read from SDL.
POINT MousePosition();
void NoteMousePosition(POINT screen);

// Sets the SDL window's icon from an icon handle.
void ApplyWindowIcon(SDL_Window* window, HICON icon);

// Cursor currently applied to the pointer; re-applied by DefWindowProc on WM_SETCURSOR.
void ApplyCursor(HCURSOR cursor);

// Bitmap objects shared by the cursor and dialog code: 32-bit 0x00RRGGBB pixels, top-down.
struct BitmapObject;
HBITMAP CreateBitmapObject(int width, int height, int bitsPerPixel, std::vector<DWORD> pixels);
const std::vector<DWORD>* BitmapPixels(HBITMAP bitmap, int* width, int* height);

}  // namespace platform::detail
