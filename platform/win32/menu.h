// Menus and accelerator tables.
//
// Implemented: LoadMenu, GetSubMenu, GetMenuItemCount, GetMenuItemID, GetMenu, DestroyMenu,
// TrackPopupMenuEx (a real pop-up window at the given screen position, its own modal loop
// bracketed by WM_ENTERMENULOOP/WM_EXITMENULOOP to the owner; the chosen command is posted
// as WM_COMMAND, or returned with TPM_RETURNCMD), LoadAccelerators, TranslateAccelerator,
// DestroyAcceleratorTable.
// Left out: menu bars drawn in windows, menu editing, owner-drawn and checked items.
#pragma once

#include <functional>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/messages.h"

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

struct TPMPARAMS;

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
#define LoadMenu LoadMenuA
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // 0xFFFFFFFF for a pop-up or a bad position
HMENU GetMenu(HWND window);                     // the window's menu bar; NULL when none
BOOL DestroyMenu(HMENU menu);                   // NULL or an unknown handle: FALSE

// Shows the pop-up and runs its loop until an item is chosen or the pop-up is dismissed
// (Escape, a click elsewhere, focus lost). Without a display nothing is shown and the result
// is 0 (dismissed).
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* params);

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name);
#define LoadAccelerators LoadAcceleratorsA
BOOL DestroyAcceleratorTable(HACCEL table);
// A WM_KEYDOWN/WM_SYSKEYDOWN matching an entry (virtual key and Shift/Ctrl/Alt state) is sent
// to `window` as WM_COMMAND (high word 1) and TRUE returned.
int TranslateAcceleratorA(HWND window, HACCEL table, MSG* msg);
#define TranslateAccelerator TranslateAcceleratorA

namespace platform {

// Text of a menu item as shown: '&' marks removed ("&&" stays one '&'), the part after '\t'
// split off into `shortcut`. `accessKey` gets the marked character, or 0.
std::string MenuDisplayText(const std::string& text, std::string* shortcut, char* accessKey);

// Test hook: when set, TrackPopupMenuEx calls it instead of showing a window; it returns the
// chosen command (0 = dismissed). The menu loop messages are sent as usual.
using PopupMenuDriver = std::function<UINT(HMENU menu, int x, int y)>;
PopupMenuDriver SetPopupMenuDriver(PopupMenuDriver driver);

}  // namespace platform
