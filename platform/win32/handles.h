// Handle types, small records and macros shared by the window, menu, dialog and cursor
// services of the Windows stand-in. Handles are opaque; each service defines what its
// handles point to.
#pragma once

#include "platform/win32/types.h"

#define WINAPI
#define CALLBACK
#define APIENTRY

using HANDLE = void*;
using INT_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using ATOM = WORD;

struct HMENU__;
using HMENU = HMENU__*;
struct HACCEL__;
using HACCEL = HACCEL__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HGDIOBJ;
using HBRUSH = HGDIOBJ;
struct HDC__;
using HDC = HDC__*;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Resource identifiers: small integers travel in the text pointer, as on the platform.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
// Signed coordinates packed in an LPARAM (screen positions left of or above the origin).
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))); }

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
