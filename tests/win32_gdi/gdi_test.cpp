#include "platform/win32.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A memory DC with a 32-bit DIB selected, optionally bottom-up; released at the end.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    int width, height;

    Canvas(int w, int h, bool topDown = true) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = topDown ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* pixels = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<std::uint32_t*>(pixels);
        SelectObject(dc, bitmap);
    }
    ~Canvas() {
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Pixel as stored in memory for a top-down bitmap.
    std::uint32_t At(int x, int y) const { return bits[y * width + x]; }
    void FillAll(std::uint32_t v) { std::fill(bits, bits + width * height, v); }
};

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, bool italic = false) {
    return CreateFont(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
}

SIZE Extent(HDC dc, const char* text) {
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &size));
    return size;
}

}  // namespace

TEST(GdiMulDiv, RoundsHalfAwayFromZeroAndReportsOverflow) {
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {20, 96, 72, 27},  {12, 96, 72, 16},   {10, 96, 72, 13},         {-20, 96, 72, -27},
        {1, 1, 2, 1},      {-1, 1, 2, -1},     {3, 7, -2, -11},          {0, 5, 3, 0},
        {5, 1, 0, -1},     {INT_MAX, 2, 1, -1}, {INT_MAX, 2, 2, INT_MAX}, {41, 96, 72, 55},
    };
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(GdiFontMatching, WindowsFaceNamesFindTheirMetricCompatibleFaces) {
    struct Case {
        const char* face;
        int weight;
        bool italic;
        const char* expected;
    } cases[] = {
        {"Arial", FW_NORMAL, false, "Liberation Sans Regular"},
        {"Arial", FW_BOLD, false, "Liberation Sans Bold"},
        {"Arial", FW_NORMAL, true, "Liberation Sans Italic"},
        {"arial", FW_BOLD, true, "Liberation Sans Bold Italic"},
        {"Times New Roman", FW_NORMAL, false, "Liberation Serif Regular"},
        {"Courier New", FW_NORMAL, false, "Liberation Mono Regular"},
        {"Liberation Sans", FW_NORMAL, false, "Liberation Sans Regular"},
    };
    for (const Case& c : cases) {
        HFONT font = MakeFont(c.face, -20, c.weight, c.italic);
        ASSERT_NE(font, nullptr) << c.face;
        EXPECT_EQ(platform::GdiFontFaceDescription(font), c.expected) << c.face;
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST(GdiFontMatching, UnknownFaceGetsTheClosestInstalledFace) {
    for (int weight : {FW_NORMAL, FW_BOLD}) {
        HFONT font = MakeFont("No Such Typeface 4711", -20, weight);
        ASSERT_NE(font, nullptr) << weight;
        const std::string description = platform::GdiFontFaceDescription(font);
        EXPECT_FALSE(description.empty());
        EXPECT_EQ(description.find("Bold") != std::string::npos, weight == FW_BOLD) << description;
        EXPECT_TRUE(DeleteObject(font));
    }
    EXPECT_EQ(CreateFont(-20, 8, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                         VARIABLE_PITCH, "Arial"),
              nullptr);  // explicit widths are not implemented: refused, not ignored
    EXPECT_EQ(platform::GdiFontFaceDescription(nullptr), "");
}

TEST(GdiTextExtent, MatchesTheFaceMetricsAtTheEmHeight) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = MakeFont("Arial", -MulDiv(20, GetDeviceCaps(dc, LOGPIXELSY), 72));  // 27 pixels em
    ASSERT_NE(font, nullptr);
    SelectObject(dc, font);

    // Advance widths of the face in units of 1/2048 em, scaled to 27 pixels, within a pixel.
    struct Case {
        const char* text;
        double units;
    } cases[] = {{"W", 1933}, {"i", 455}, {"m", 1706}, {" ", 569}, {"0", 1139}};
    for (const Case& c : cases) EXPECT_NEAR(Extent(dc, c.text).cx, c.units * 27 / 2048, 1.0) << c.text;

    const SIZE one = Extent(dc, "0");
    EXPECT_EQ(Extent(dc, "0123456789").cx, 10 * one.cx);  // equal digits, no kerning
    EXPECT_EQ(Extent(dc, "AV").cx, Extent(dc, "A").cx + Extent(dc, "V").cx);
    // Height: ascent + descent of the cell, a little more than the em.
    EXPECT_GE(one.cy, 29);
    EXPECT_LE(one.cy, 32);
    EXPECT_EQ(Extent(dc, "").cx, 0);
    EXPECT_EQ(Extent(dc, "").cy, one.cy);

    DeleteDC(dc);
    DeleteObject(font);
}

TEST(GdiTextExtent, PositiveHeightIsTheCellHeightAndBoldIsWider) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT cell = MakeFont("Arial", 40);
    HFONT bold = MakeFont("Arial", -27, FW_BOLD);
    HFONT normal = MakeFont("Arial", -27);
    SelectObject(dc, cell);
    EXPECT_NEAR(Extent(dc, "x").cy, 40, 1);
    SelectObject(dc, normal);
    const LONG normalWidth = Extent(dc, "Hello world").cx;
    SelectObject(dc, bold);
    EXPECT_GT(Extent(dc, "Hello world").cx, normalWidth);
    DeleteDC(dc);
    for (HFONT f : {cell, bold, normal}) EXPECT_TRUE(DeleteObject(f));
}

TEST(GdiTextExtent, InvalidArgumentsFailAndLeaveTheSizeAlone) {
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE size{7, 9};
    EXPECT_FALSE(GetTextExtentPoint32(dc, "a", 1, &size));  // no font selected
    EXPECT_FALSE(GetTextExtentPoint32(nullptr, "a", 1, &size));
    HFONT font = MakeFont("Arial", -12);
    SelectObject(dc, font);
    EXPECT_FALSE(GetTextExtentPoint32(dc, nullptr, 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32(dc, "a", -1, &size));
    EXPECT_EQ(size.cx, 7);
    EXPECT_EQ(size.cy, 9);
    DeleteDC(dc);
    DeleteObject(font);
}

TEST(GdiTextOut, WhiteOnBlackGivesGreyCoverageInsideTheCellOnly) {
    Canvas canvas(64, 48);
    canvas.FillAll(0x00123456);
    HFONT font = MakeFont("Arial", -27);
    SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, 0xFFFFFF);
    SetBkColor(canvas.dc, 0);
    SetTextAlign(canvas.dc, TA_TOP);
    const SIZE cell = Extent(canvas.dc, "O");
    ASSERT_TRUE(ExtTextOut(canvas.dc, 5, 3, ETO_OPAQUE, nullptr, "O", 1, nullptr));

    int full = 0, partial = 0;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint32_t p = canvas.At(x, y);
            const bool inside = x >= 5 && x < 5 + cell.cx && y >= 3 && y < 3 + cell.cy;
            if (!inside) {
                ASSERT_EQ(p, 0x00123456u) << x << "," << y;
                continue;
            }
            const std::uint32_t b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
            ASSERT_EQ(p >> 24, 0u);
            ASSERT_TRUE(r == g && g == b) << x << "," << y;
            if (b == 255) ++full;
            if (b > 0 && b < 255) ++partial;
        }
    EXPECT_GT(full, 30);     // the ring of the O
    EXPECT_GT(partial, 10);  // anti-aliased edges
    // The middle of the O is hollow, its left side is lit.
    EXPECT_EQ(canvas.At(5 + cell.cx / 2, 3 + cell.cy / 2) & 0xFF, 0u);
    DeleteObject(font);
}

TEST(GdiTextOut, ColoursLandInBlueGreenRedByteOrder) {
    Canvas canvas(40, 40);
    HFONT font = MakeFont("Arial", -30, FW_BOLD);
    SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, 0x0000FF);  // red
    SetBkColor(canvas.dc, 0xFF0000);    // blue
    ASSERT_TRUE(ExtTextOut(canvas.dc, 0, 0, ETO_OPAQUE, nullptr, "I", 1, nullptr));
    const auto* bytes = reinterpret_cast<const BYTE*>(canvas.bits);
    EXPECT_EQ(bytes[0], 255);  // background: blue byte first
    EXPECT_EQ(bytes[2], 0);
    bool foundRed = false;
    for (int i = 0; i < 40 * 40; ++i)
        if (bytes[i * 4] == 0 && bytes[i * 4 + 1] == 0 && bytes[i * 4 + 2] == 255) foundRed = true;
    EXPECT_TRUE(foundRed);
    DeleteObject(font);
}

TEST(GdiTextOut, BottomUpBitmapStoresTheTopRowLast) {
    Canvas canvas(16, 40, false);
    HFONT font = MakeFont("Arial", -10);
    SelectObject(canvas.dc, font);
    SetBkColor(canvas.dc, 0x000080);
    ASSERT_TRUE(ExtTextOut(canvas.dc, 0, 0, ETO_OPAQUE, nullptr, " ", 1, nullptr));
    EXPECT_EQ(canvas.bits[39 * 16], 0x00800000u);  // row 0 lives at the end
    EXPECT_EQ(canvas.bits[0], 0u);
    DeleteObject(font);
}

TEST(GdiTextOut, ClippedRectangleKeepsEverythingElse) {
    Canvas canvas(64, 40);
    canvas.FillAll(0x00ABCDEF);
    HFONT font = MakeFont("Arial", -27);
    SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, 0xFFFFFF);
    SetBkColor(canvas.dc, 0);
    const RECT rect{4, 4, 20, 20};
    ASSERT_TRUE(ExtTextOut(canvas.dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &rect, "MW", 2, nullptr));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 4 && x < 20 && y >= 4 && y < 20;
            if (!inside) {
                ASSERT_EQ(canvas.At(x, y), 0x00ABCDEFu) << x << "," << y;
            }
        }
    EXPECT_NE(canvas.At(4, 4), 0x00ABCDEFu);
    DeleteObject(font);
}

TEST(GdiObjects, SelectedObjectsMayBeDeletedBeforeTheirDc) {
    Canvas canvas(8, 8);
    HFONT font = MakeFont("Arial", -10);
    HGDIOBJ oldFont = SelectObject(canvas.dc, font);
    EXPECT_EQ(oldFont, nullptr);
    EXPECT_TRUE(DeleteObject(canvas.bitmap));  // still selected: goes with the DC
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(SelectObject(canvas.dc, font), nullptr);  // marked for deletion: refused
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32(canvas.dc, "a", 1, &size));  // the DC still holds it
    EXPECT_TRUE(DeleteDC(canvas.dc));
    EXPECT_FALSE(DeleteObject(font));  // gone now
    EXPECT_FALSE(DeleteObject(canvas.bitmap));
    EXPECT_FALSE(DeleteDC(canvas.dc));
    canvas.dc = nullptr;
    canvas.bitmap = nullptr;
}

TEST(GdiObjects, ABitmapIsSelectedIntoOneDcAtATime) {
    Canvas canvas(8, 8);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, canvas.bitmap), nullptr);
    EXPECT_EQ(SetMapMode(other, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetMapMode(other, 8), 0);
    EXPECT_EQ(GetDeviceCaps(other, LOGPIXELSY), 96);
    EXPECT_EQ(SetTextAlign(other, TA_UPDATECP), GDI_ERROR);
    EXPECT_EQ(SetTextAlign(other, TA_BASELINE), TA_TOP);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteDC(other));
}

TEST(GdiDibSection, RefusesFormatsItDoesNotImplement) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biWidth = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    info.bmiHeader.biWidth = 1 << 20;
    info.bmiHeader.biHeight = -(1 << 20);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(GdiDibSection, ReadsBackThroughGetDIBitsAndGetObject) {
    const int before = platform::LiveBitmapCount();
    {
        Canvas canvas(4, 3, false);  // bottom-up: memory row 0 is the picture's bottom row
        EXPECT_EQ(platform::LiveBitmapCount(), before + 1);
        for (int i = 0; i < 12; ++i) canvas.bits[i] = static_cast<std::uint32_t>(i);
        BITMAP bm{};
        ASSERT_EQ(GetObject(canvas.bitmap, sizeof(bm), &bm), static_cast<int>(sizeof(BITMAP)));
        EXPECT_EQ(bm.bmWidth, 4);
        EXPECT_EQ(bm.bmHeight, 3);
        EXPECT_EQ(bm.bmBitsPixel, 32);

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 4;
        info.bmiHeader.biHeight = -3;  // ask for top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        DWORD rows[12] = {};
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDIBits(screen, canvas.bitmap, 0, 3, rows, &info, DIB_RGB_COLORS), 3);
        EXPECT_EQ(rows[0], 8u);  // the top row is the last in memory
        EXPECT_EQ(rows[11], 3u);
        EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
        EXPECT_FALSE(DeleteDC(screen));  // the screen DC is not ours to delete
    }
    EXPECT_EQ(platform::LiveBitmapCount(), before);
}
