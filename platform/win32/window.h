// Windows: class registry, top-level windows on SDL2, window geometry and styles.
//
// Implemented: RegisterClass/UnregisterClass, CreateWindowEx/DestroyWindow/IsWindow,
// AdjustWindowRect (fixed frame metrics, see below), SetWindowPos, GetWindowRect,
// GetClientRect, GetWindowLong/SetWindowLong (GWL_STYLE, GWL_EXSTYLE), GetClassLong/
// SetClassLong (GCL_HCURSOR, GCL_HICON), ShowWindow, EnableWindow, IsWindowEnabled,
// GetParent, GetModuleHandle, GetStockObject (brushes only), SetWindowText.
// Left out: child windows other than dialog controls, window extra bytes, Z order beyond
// "on top", owner-drawn frames; the window manager draws the real frame.
//
// Geometry: the SDL window is the client area. The stand-in adds a fixed non-client
// frame around it so the Win32 sizes add up: sizing frame 4 px a side, dialog frame 3 px a
// side, caption 23 px, menu bar 20 px. Coordinates are screen pixels.
#pragma once

#include "platform/win32/handles.h"

// Window styles (published values).
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GCL_HCURSOR = -12;
constexpr int GCL_HICON = -14;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

inline const HWND HWND_TOP = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0));
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<std::intptr_t>(1));
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
using WNDCLASS = WNDCLASSA;

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// The program's own module; resources registered for it are found through this handle.
HMODULE GetModuleHandleA(LPCSTR moduleName);
#define GetModuleHandle GetModuleHandleA

ATOM RegisterClassA(const WNDCLASSA* wndClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
#define RegisterClass RegisterClassA
#define UnregisterClass UnregisterClassA

// Creates a top-level window; sends WM_GETMINMAXINFO, WM_CREATE and WM_SIZE before it
// returns. NULL when the class is unknown, the style asks for a child window or no window
// can be made.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
#define CreateWindowEx CreateWindowExA
// Sends WM_DESTROY, destroys owned dialogs and controls; later messages to it are dropped.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL ClientToScreen(HWND window, POINT* point);

// GWL_STYLE: WS_CAPTION maps to a bordered SDL window, WS_THICKFRAME to a resizable one,
// WS_VISIBLE to shown. Returns the previous value.
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG GetWindowLongA(HWND window, int index);
#define SetWindowLong SetWindowLongA
#define GetWindowLong GetWindowLongA

// Class values are pointer-sized in this stand-in, so a cursor handle survives the trip.
ULONG_PTR SetClassLongA(HWND window, int index, LONG_PTR value);
ULONG_PTR GetClassLongA(HWND window, int index);
#define SetClassLong SetClassLongA
#define GetClassLong GetClassLongA

BOOL ShowWindow(HWND window, int command);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL IsWindowVisible(HWND window);
HWND GetParent(HWND window);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR buffer, int size);
#define SetWindowText SetWindowTextA
#define GetWindowText GetWindowTextA

HGDIOBJ GetStockObject(int object);

namespace platform {

// True when SDL's video runs on a real display (not the dummy driver). Starts SDL video on
// first use: the default driver first, the dummy driver when no display can be opened.
bool HasDisplay();
// True when SDL video could be started at all (real or dummy driver).
bool VideoAvailable();

}  // namespace platform
