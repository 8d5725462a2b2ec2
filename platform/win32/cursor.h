// Cursors and icons; their bitmaps are GDI objects (gdi.h).
//
// Implemented: LoadCursor (system cursors IDC_ARROW, IDC_SIZEALL, IDC_WAIT, IDC_CROSS,
// IDC_IBEAM, IDC_HAND, each on an SDL system cursor and carrying a small monochrome bitmap of
// its own), LoadIcon (icons from the module's resources), SetCursor (NULL hides the
// pointer), ShowCursor, GetCursorPos; GetIconInfo (fresh copies of the mask and colour
// bitmaps).
#pragma once

#include "platform/win32/gdi.h"
#include "platform/win32/handles.h"

#define IDC_ARROW MAKEINTRESOURCE(32512)
#define IDC_IBEAM MAKEINTRESOURCE(32513)
#define IDC_WAIT MAKEINTRESOURCE(32514)
#define IDC_CROSS MAKEINTRESOURCE(32515)
#define IDC_SIZEALL MAKEINTRESOURCE(32646)
#define IDC_HAND MAKEINTRESOURCE(32649)
#define IDI_APPLICATION MAKEINTRESOURCE(32512)

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;   // monochrome cursor: AND mask over XOR mask, twice the height
    HBITMAP hbmColor;  // NULL for a monochrome cursor
};

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
#define LoadCursor LoadCursorA
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
#define LoadIcon LoadIconA
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
#define LoadBitmap LoadBitmapA
HCURSOR SetCursor(HCURSOR cursor);  // returns the previous cursor
int ShowCursor(BOOL show);          // returns the new display count
BOOL GetCursorPos(POINT* point);    // screen pixels

BOOL GetIconInfo(HICON icon, ICONINFO* info);

namespace platform {

// The cursor last made current with SetCursor (NULL when hidden).
HCURSOR CurrentCursor();

}  // namespace platform
