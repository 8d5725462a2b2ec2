// The message queue: one per process, fed by SDL events and by PostMessage.
//
// Implemented: PeekMessage (PM_NOREMOVE/PM_REMOVE, window and range filters),
// GetMessage (waits in SDL_WaitEvent), TranslateMessage (WM_CHAR for character keys),
// DispatchMessage, SendMessage (calls the procedure directly), PostMessage,
// PostQuitMessage, DefWindowProc.
// SDL events become: close box -> WM_CLOSE; a resize not asked for by the program ->
// WM_ENTERSIZEMOVE, WM_SIZE, WM_EXITSIZEMOVE; a move -> WM_MOVE; minimise/restore/maximise ->
// WM_SIZE (SIZE_MINIMIZED/SIZE_RESTORED/SIZE_MAXIMIZED); expose -> WM_PAINT; mouse motion ->
// WM_SETCURSOR (sent) then WM_MOUSEMOVE (coalesced); buttons -> WM_xBUTTONDOWN/UP; keys ->
// WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN/UP with Alt) with virtual-key codes; SDL_QUIT (Ctrl+C,
// session end) -> WM_CLOSE to every top-level window.
// Left out: timers, hooks, thread queues, WM_ACTIVATE.
#pragma once

#include "platform/win32/handles.h"

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_POWERBROADCAST = 0x0218;
constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;
constexpr UINT WM_USER = 0x0400;

// WM_SIZE wParam
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;
constexpr WPARAM SIZE_MAXSHOW = 3;
constexpr WPARAM SIZE_MAXHIDE = 4;

// WM_SYSCOMMAND wParam
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// WM_NCHITTEST results
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;

// WM_POWERBROADCAST wParam
constexpr WPARAM PBT_APMQUERYSUSPEND = 0x0000;
constexpr WPARAM PBT_APMRESUMESUSPEND = 0x0007;

// Mouse key state in wParam of mouse messages
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// PeekMessage
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Virtual-key codes
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_ADD = 0x6B;       // keypad +
constexpr int VK_SUBTRACT = 0x6D;  // keypad -
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_OEM_PLUS = 0xBB;   // the "=/+" key
constexpr int VK_OEM_MINUS = 0xBD;

// MsgWaitForMultipleObjects: only the wait for any message (no handles, QS_ALLINPUT).
constexpr DWORD QS_ALLINPUT = 0x04FF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
// > 0 for a message, 0 for WM_QUIT, -1 when no message can ever arrive (no video at all).
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
// Waits until a message is queued (WAIT_OBJECT_0) or `milliseconds` pass (WAIT_TIMEOUT).
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
#define PeekMessage PeekMessageA
#define GetMessage GetMessageA
#define DispatchMessage DispatchMessageA
#define SendMessage SendMessageA
#define PostMessage PostMessageA
#define DefWindowProc DefWindowProcA

namespace platform {

// Drops every queued message and a pending quit (tests start each case from an empty queue).
void ResetMessageQueue();
// Number of queued messages (posted and translated input; not the pending paint).
int QueuedMessageCount();

}  // namespace platform
