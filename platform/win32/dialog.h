// Dialogs, their controls and message boxes.
//
// Implemented: DialogBoxParam (modal: a real window drawn with Dear ImGui over OpenGL,
// owned by and centred over its owner, which is disabled meanwhile; Enter presses the
// default button, Escape and the close box send IDCANCEL), CreateDialogParam (the same
// dialog without a window or loop: its controls exist and its procedure runs, so code and
// tests can drive it with messages), EndDialog, GetDlgItem, GetDlgCtrlID,
// SendDlgItemMessage; push buttons, automatic radio buttons (BM_GETCHECK/BM_SETCHECK),
// drop-down list combo boxes (CB_ADDSTRING, CB_RESETCONTENT, CB_SETCURSEL, CB_GETCURSEL,
// CB_GETCOUNT, CB_SETITEMDATA, CB_GETITEMDATA, CB_GETLBTEXT, CB_GETLBTEXTLEN), group boxes,
// static text and SS_BITMAP pictures; MessageBox (SDL's message box; stderr without a
// display).
// Left out: keyboard navigation between controls, edit boxes, list boxes, dialog fonts
// other than one face.
#pragma once

#include <functional>

#include "platform/win32/handles.h"
#include "platform/win32/messages.h"

struct SDL_Window;

// Dialog and control styles
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_GROUPBOX = 0x0007;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_BITMAP = 0x000E;
constexpr DWORD SS_TYPEMASK = 0x001F;
constexpr DWORD SS_CENTERIMAGE = 0x0200;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;

// Button messages and states
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;

// Combo box messages, results and notifications
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// MessageBox
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;

// Runs the dialog modally and returns the EndDialog value; -1 when the template is missing
// or the dialog cannot be shown (no display, no OpenGL): the procedure has then had
// WM_INITDIALOG but no command.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM param);
#define DialogBoxParam DialogBoxParamA
// Builds the dialog and its controls, sends WM_INITDIALOG, returns the dialog; no window is
// shown. NULL when the template is missing.
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM param);
#define CreateDialogParam CreateDialogParamA
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
#define SendDlgItemMessage SendDlgItemMessageA

// Shows a message box with one OK button and returns IDOK. The caption and text are shown
// as given; without a display they go to stderr.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
#define MessageBox MessageBoxA

namespace platform {

// The EndDialog value of a dialog, once ended.
bool GetDialogResult(HWND dialog, INT_PTR* result);

// Test hook: when set, DialogBoxParam calls it with the live dialog instead of showing a
// window; the driver sends messages to it (clicks, selections) until EndDialog is called.
// If the driver returns without that, the dialog ends with IDCANCEL.
using ModalDialogDriver = std::function<void(HWND dialog)>;
ModalDialogDriver SetModalDialogDriver(ModalDialogDriver driver);

// Test hook: called after every frame a dialog or pop-up window draws, with its SDL window
// and the frame's number (from 1); a test can move the pointer and push input events here.
using UiFrameHook = std::function<void(SDL_Window* window, int frame)>;
UiFrameHook SetUiFrameHook(UiFrameHook hook);

// Test hook: receives every MessageBox call (caption, text, type) instead of showing it.
using MessageBoxSink = std::function<void(const char* caption, const char* text, UINT type)>;
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

}  // namespace platform
