// Cursors, icons and the few GDI bitmap calls that turning a cursor into pixels needs.
//
// Implemented: LoadCursor (system cursors IDC_ARROW, IDC_SIZEALL, IDC_WAIT, IDC_CROSS,
// IDC_IBEAM, IDC_HAND, each on an SDL system cursor and carrying a small monochrome bitmap of
// its own), LoadIcon (icons from the module's resources), SetCursor (NULL hides the
// pointer), ShowCursor, GetCursorPos; GetIconInfo (fresh copies of the mask and colour
// bitmaps), GetObject for bitmaps, GetDIBits (32 bits per pixel, BI_RGB, bottom-up or
// top-down), GetDC/ReleaseDC (screen), CreateCompatibleDC, DeleteDC, DeleteObject.
// Left out: drawing into device contexts, palettes, bitmaps other than 1 and 32 bits.
#pragma once

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

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // > 0: bottom-up rows; < 0: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

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
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
#define GetObject GetObjectA
// Copies `lines` rows starting at row `start` (counted from the bottom for bottom-up) as
// 32-bit 0x00RRGGBB values; returns the number of rows copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
BOOL DeleteObject(HGDIOBJ object);

namespace platform {

// The cursor last made current with SetCursor (NULL when hidden).
HCURSOR CurrentCursor();
// Number of GDI bitmaps alive (leak checks in tests).
int LiveBitmapCount();

}  // namespace platform
