// GDI: device contexts, bitmaps, 32-bit DIB sections, TrueType fonts and text output. One
// object model for every GDI user of the stand-in (the cursor and dialog code make their
// bitmaps here too).
//
// Implements: GetDC/ReleaseDC (the screen DC), CreateCompatibleDC, DeleteDC,
// CreateDIBSection (32 bits per pixel, BI_RGB, top-down or bottom-up), GetObject and
// GetDIBits for bitmaps, SetMapMode (MM_TEXT), GetDeviceCaps (LOGPIXELSX/LOGPIXELSY = 96),
// MulDiv, CreateFont (face names matched through fontconfig, so "Arial" finds a metric-
// compatible face; weight, italic and the height in both of its meanings), SelectObject,
// DeleteObject, SetTextColor, SetBkColor, SetTextAlign (left/right/centre, top/baseline/
// bottom), GetTextExtentPoint32 and ExtTextOut (ETO_OPAQUE, ETO_CLIPPED, per-character
// advances) with grey-level anti-aliased glyphs from FreeType, whatever quality is asked.
//
// Left out: drawing into the screen DC or into 1- and 24-bit bitmaps, printers, stock objects
// (a DC with no font selected measures and draws nothing), palettes, pens, brushes, regions,
// mapping modes other than MM_TEXT, transparent background mode (the text cell is always filled with the background colour),
// kerning, width/escapement/orientation in CreateFont, underline and strike-out, code pages
// (bytes are taken as Latin-1), TA_UPDATECP.
//
// Deleting an object that is still selected into a DC is allowed: it goes away when the DC
// lets go of it (another object selected, or the DC deleted).
#pragma once

#include <string>

#include "platform/win32/handles.h"

// Bitmaps and fonts are both GDI objects (HGDIOBJ).
using HFONT = HGDIOBJ;

using COLORREF = DWORD;  // 0x00BBGGRR
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
constexpr UINT GDI_ERROR = 0xFFFFFFFFu;

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
constexpr UINT DIB_PAL_COLORS = 1;

constexpr int MM_TEXT = 1;

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD NONANTIALIASED_QUALITY = 3;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FIXED_PITCH = 1;
constexpr DWORD VARIABLE_PITCH = 2;

constexpr UINT TA_LEFT = 0;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// The screen DC (what memory DCs are compatible with); ReleaseDC returns 1 for it.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory DC; hdc must be NULL or a live DC (memory DCs are all alike here). NULL on failure.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

// Only 32-bit BI_RGB bitmaps. *ppvBits receives the pixels (B, G, R, unused byte; rows of
// width * 4 bytes, zero-filled). hSection and offset must be NULL and 0. NULL on failure.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, void* hSection,
                         DWORD offset);

// Returns the previous mode, 0 on failure (only MM_TEXT exists here).
int SetMapMode(HDC hdc, int mode);
// LOGPIXELSX and LOGPIXELSY: 96 dots per inch. Other indices: 0.
int GetDeviceCaps(HDC hdc, int index);
// number * numerator / denominator with a 64-bit intermediate, rounded half away from zero;
// -1 when denominator is 0 or the result does not fit in an int.
int MulDiv(int number, int numerator, int denominator);

// height < 0: em height of -height pixels; height > 0: cell height (ascent + descent) of
// height pixels; 0: a default of 12 pixels em. weight: FW_* (100..900), italic: non-zero.
// NULL when no installed face answers to faceName (or its metric-compatible aliases).
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
inline HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                        DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                        DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    return CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                       outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
}

// Selects a bitmap or a font; returns the previously selected object of that kind (NULL if
// there was none, or on failure).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// Bitmaps only: fills a BITMAP (bmBits NULL); returns the bytes written, 0 on failure.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
#define GetObject GetObjectA
// Copies `lines` rows starting at row `start` (counted from the bottom for bottom-up) as
// 32-bit 0x00RRGGBB values; returns the number of rows copied, 0 on failure. With bits NULL
// it fills in the bitmap's size and returns its height.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);

COLORREF SetTextColor(HDC hdc, COLORREF colour);  // previous colour, CLR_INVALID on failure
COLORREF SetBkColor(HDC hdc, COLORREF colour);    // previous colour, CLR_INVALID on failure
UINT SetTextAlign(HDC hdc, UINT align);           // previous alignment, GDI_ERROR on failure

// Width (sum of the advances) and height (ascent + descent) of count bytes in pixels.
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* pSize);
inline BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int count, SIZE* pSize) {
    return GetTextExtentPoint32A(hdc, text, count, pSize);
}

// Draws count bytes at (x, y) in the text colour over a cell filled with the background
// colour. With ETO_OPAQUE and a rectangle, the rectangle is filled first; with ETO_CLIPPED,
// drawing stays inside it. dx: per-character advances in pixels, or NULL.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* pRect, LPCSTR text, UINT count,
                 const INT* dx);
inline BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* pRect, LPCSTR text, UINT count,
                       const INT* dx) {
    return ExtTextOutA(hdc, x, y, options, pRect, text, count, dx);
}

namespace platform {

// Number of GDI bitmaps alive (leak checks in tests).
int LiveBitmapCount();

// Family and style of the face a font resolved to, e.g. "Liberation Sans Bold"; empty for
// an invalid handle. For tests and diagnostics.
std::string GdiFontFaceDescription(HFONT font);

}  // namespace platform
