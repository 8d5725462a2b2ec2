// GDI on fontconfig (face matching) and FreeType (metrics and grey-level glyphs).
// Handles point at the objects below; every call checks its handle against the table of
// live objects first, so a stale or foreign handle is refused instead of dereferenced.
// All calls hold one lock: the FreeType library and faces are not safe to share unlocked.
#include "platform/win32/gdi.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/win32/debug_output.h"

// A GDI object: a bitmap or a font.
struct HGDIOBJ__ {
    enum class Kind { Bitmap, Font };
    explicit HGDIOBJ__(Kind k) : kind(k) {}
    ~HGDIOBJ__() {
        if (face) FT_Done_Face(face);
    }

    Kind kind;
    bool deletePending = false;  // deleted while selected: goes when the DC lets go

    // Bitmap.
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;              // 1: monochrome (pixels 0 or 0x00FFFFFF); 24, 32
    bool topDown = true;                // row order in memory
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, i.e. bytes B, G, R, 0 in memory
    HDC selectedIn = nullptr;           // a bitmap is selected into at most one DC

    // Font.
    FT_Face face = nullptr;
    int ascent = 0;   // pixels above the baseline
    int descent = 0;  // pixels below the baseline
    bool embolden = false;
    bool oblique = false;
    std::string description;
    int selections = 0;  // DCs that have it selected

    std::uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * width; }
};

struct HDC__ {
    bool screen = false;
    HBITMAP bitmap = nullptr;
    HFONT font = nullptr;
    COLORREF textColour = 0x000000;
    COLORREF bkColour = 0xFFFFFF;
    UINT align = TA_LEFT | TA_TOP;
};

namespace {

using Kind = HGDIOBJ__::Kind;

struct Gdi {
    std::mutex lock;
    std::unordered_set<HGDIOBJ> objects;
    std::unordered_set<HDC> dcs;
    HDC__ screen{true};
    FT_Library freetype = nullptr;
    bool freetypeFailed = false;
    bool fontconfigReady = false;

    HGDIOBJ Object(HGDIOBJ object) { return objects.count(object) ? object : nullptr; }
    HGDIOBJ Bitmap(HGDIOBJ object) {
        return (objects.count(object) && object->kind == Kind::Bitmap) ? object : nullptr;
    }
    HGDIOBJ Font(HGDIOBJ object) { return (objects.count(object) && object->kind == Kind::Font) ? object : nullptr; }
    HDC Dc(HDC dc) { return (dc == &screen || dcs.count(dc)) ? dc : nullptr; }
    HDC MemoryDc(HDC dc) { return dcs.count(dc) ? dc : nullptr; }
    FT_Library FreeType() {
        if (!freetype && !freetypeFailed && FT_Init_FreeType(&freetype) != 0) {
            freetype = nullptr;
            freetypeFailed = true;
            OutputDebugStringA("CreateFontA: FreeType could not be initialised\n");
        }
        return freetype;
    }
    bool Fontconfig() {
        if (!fontconfigReady) fontconfigReady = FcInit() == FcTrue;
        return fontconfigReady;
    }
    HGDIOBJ Add(HGDIOBJ object) {
        objects.insert(object);
        return object;
    }
    void Destroy(HGDIOBJ object) {
        objects.erase(object);
        delete object;
    }
    // The DC lets go of its bitmap / font; an object marked for deletion goes now.
    void UnselectBitmap(HBITMAP bitmap) {
        if (!bitmap) return;
        bitmap->selectedIn = nullptr;
        if (bitmap->deletePending) Destroy(bitmap);
    }
    void UnselectFont(HFONT font) {
        if (!font) return;
        --font->selections;
        if (font->selections == 0 && font->deletePending) Destroy(font);
    }
};

Gdi& State() {
    static Gdi gdi;
    return gdi;
}

// Glyph index of one byte, taken as Latin-1.
FT_UInt GlyphIndex(FT_Face face, char c) { return FT_Get_Char_Index(face, static_cast<unsigned char>(c)); }

// Loads the glyph of c into the face's slot, synthesised bold / oblique applied; false if it
// cannot be loaded (the caller then treats it as an empty glyph of no width).
bool LoadGlyph(HFONT font, char c) {
    if (FT_Load_Glyph(font->face, GlyphIndex(font->face, c), FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0)
        return false;
    FT_GlyphSlot slot = font->face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (font->oblique) FT_GlyphSlot_Oblique(slot);
        if (font->embolden) FT_GlyphSlot_Embolden(slot);
    }
    return true;
}

// Advance of the loaded glyph in whole pixels.
int Advance(FT_GlyphSlot slot) { return static_cast<int>((slot->advance.x + 32) >> 6); }

int CharAdvance(HFONT font, char c) { return LoadGlyph(font, c) ? Advance(font->face->glyph) : 0; }

struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
    Box Intersect(const Box& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    bool Empty() const { return left >= right || top >= bottom; }
};

std::uint32_t DibPixel(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

void Fill(HBITMAP bitmap, const Box& box, COLORREF colour) {
    if (box.Empty()) return;
    const std::uint32_t value = DibPixel(colour);
    for (int y = box.top; y < box.bottom; ++y) std::fill(bitmap->Row(y) + box.left, bitmap->Row(y) + box.right, value);
}

// Lays coverage (0..255) of colour over the pixel: pixel + (colour - pixel) * coverage / 255.
std::uint32_t Blend(std::uint32_t pixel, std::uint32_t colour, unsigned coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int dst = static_cast<int>((pixel >> shift) & 0xFFu);
        const int src = static_cast<int>((colour >> shift) & 0xFFu);
        const int mixed = dst + ((src - dst) * static_cast<int>(coverage) + (src >= dst ? 127 : -127)) / 255;
        out |= static_cast<std::uint32_t>(mixed) << shift;
    }
    return out;
}

void DrawGlyph(HBITMAP bitmap, const FT_Bitmap& glyph, int left, int top, const Box& clip, COLORREF colour) {
    const Box box = Box{left, top, left + static_cast<int>(glyph.width), top + static_cast<int>(glyph.rows)}.Intersect(clip);
    if (box.Empty()) return;
    const std::uint32_t value = DibPixel(colour);
    for (int y = box.top; y < box.bottom; ++y) {
        const unsigned char* src = glyph.buffer + static_cast<ptrdiff_t>(y - top) * glyph.pitch;
        std::uint32_t* dst = bitmap->Row(y);
        for (int x = box.left; x < box.right; ++x) {
            const unsigned coverage = src[x - left];
            if (coverage) dst[x] = Blend(dst[x], value, coverage);
        }
    }
}

// Pixel size from font units, rounded to nearest.
int Scale(long units, int ppem, int unitsPerEm) {
    return static_cast<int>(std::lround(static_cast<double>(units) * ppem / unitsPerEm));
}

struct FaceMetrics {
    long ascent, descent;  // font units, both positive
};

FaceMetrics CellMetrics(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFFu && os2->usWinAscent + os2->usWinDescent > 0)
        return {os2->usWinAscent, os2->usWinDescent};
    return {face->ascender, -face->descender};
}

// The families that may answer to the request: the name itself and the metric-compatible
// aliases the configuration binds to it; the weak fall-backs (any sans face) do not count.
std::vector<std::string> AcceptedFamilies(FcPattern* pattern) {
    std::vector<std::string> names;
    FcPatternIter it;
    FcPatternIterStart(pattern, &it);
    do {
        const char* object = FcPatternIterGetObject(pattern, &it);
        if (!object || std::string(object) != FC_FAMILY) continue;
        const int count = FcPatternIterValueCount(pattern, &it);
        for (int i = 0; i < count; ++i) {
            FcValue value;
            FcValueBinding binding;
            if (FcPatternIterGetValue(pattern, &it, i, &value, &binding) == FcResultMatch && value.type == FcTypeString &&
                binding != FcValueBindingWeak)
                names.emplace_back(reinterpret_cast<const char*>(value.u.s));
        }
    } while (FcPatternIterNext(pattern, &it));
    return names;
}

bool FamilyAccepted(FcPattern* match, const std::vector<std::string>& accepted) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        for (const std::string& name : accepted)
            if (FcStrCmpIgnoreCase(family, reinterpret_cast<const FcChar8*>(name.c_str())) == 0) return true;
    return false;
}

struct FaceChoice {
    std::string file;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;  // fontconfig scale
    int slant = FC_SLANT_ROMAN;
    std::string description;
};

// Matches the face through fontconfig. Like the platform's font mapper it always gives the
// closest installed face, saying so on the debugger output when that is not the named face
// or one of its metric-compatible aliases; false only when no usable font is installed.
bool ChooseFace(const char* faceName, int weight, bool italic, FaceChoice* choice) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    const bool anyFace = faceName == nullptr || faceName[0] == '\0';
    if (!anyFace) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
    if (weight > 0) FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::min(weight, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    const std::vector<std::string> accepted = AcceptedFamilies(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    FcChar8* style = nullptr;
    const bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        choice->file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &choice->index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &choice->weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &choice->slant);
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
            choice->description = reinterpret_cast<const char*>(family);
        if (FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch)
            choice->description += std::string(" ") + reinterpret_cast<const char*>(style);
        if (!anyFace && !FamilyAccepted(match, accepted))
            OutputDebugStringA(("CreateFontA: no face \"" + std::string(faceName) + "\" installed; using " +
                                choice->description + "\n")
                                   .c_str());
    }
    FcPatternDestroy(match);
    return ok;
}

}  // namespace

HDC GetDC(HWND) {
    Gdi& gdi = State();
    return &gdi.screen;
}

int ReleaseDC(HWND, HDC dc) { return dc == &State().screen ? 1 : 0; }

HDC CreateCompatibleDC(HDC hdc) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (hdc && !gdi.Dc(hdc)) return nullptr;
    HDC dc = new HDC__;
    gdi.dcs.insert(dc);
    return dc;
}

BOOL DeleteDC(HDC hdc) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.MemoryDc(hdc);
    if (!dc) return FALSE;
    gdi.UnselectBitmap(dc->bitmap);
    gdi.UnselectFont(dc->font);
    gdi.dcs.erase(dc);
    delete dc;
    return TRUE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, void* hSection, DWORD offset) {
    if (ppvBits) *ppvBits = nullptr;
    if (!pbmi || usage != DIB_RGB_COLORS || hSection || offset) return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1) return nullptr;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB) {
        OutputDebugStringA("CreateDIBSection: only 32-bit BI_RGB bitmaps are implemented\n");
        return nullptr;
    }
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    constexpr long long kMaxPixels = 1LL << 26;  // 256 MB of pixels
    if (h.biWidth <= 0 || height == 0 || static_cast<long long>(h.biWidth) * height > kMaxPixels) return nullptr;

    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    auto* bitmap = new HGDIOBJ__(Kind::Bitmap);
    bitmap->width = h.biWidth;
    bitmap->height = static_cast<int>(height);
    bitmap->topDown = h.biHeight < 0;
    bitmap->pixels.assign(static_cast<size_t>(h.biWidth) * static_cast<size_t>(height), 0u);
    gdi.Add(bitmap);
    if (ppvBits) *ppvBits = bitmap->pixels.data();
    return bitmap;
}

int SetMapMode(HDC hdc, int mode) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.MemoryDc(hdc)) return 0;
    if (mode != MM_TEXT) {
        OutputDebugStringA("SetMapMode: only MM_TEXT is implemented\n");
        return 0;
    }
    return MM_TEXT;
}

int GetDeviceCaps(HDC hdc, int index) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.Dc(hdc)) return 0;
    return (index == LOGPIXELSX || index == LOGPIXELSY) ? 96 : 0;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    long long q = product / denominator;
    const long long r = product % denominator;
    // Round half away from zero: compare twice the remainder with the divisor.
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(denominator)))
        q += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN) return -1;
    return static_cast<int>(q);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD, DWORD,
                  DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR faceName) {
    if (width != 0 || escapement != 0 || orientation != 0) {
        OutputDebugStringA("CreateFontA: only width, escapement and orientation 0 are implemented\n");
        return nullptr;
    }
    if (weight < 0 || height == INT_MIN) return nullptr;
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    FT_Library library = gdi.FreeType();
    if (!library || !gdi.Fontconfig()) return nullptr;

    FaceChoice choice;
    if (!ChooseFace(faceName, weight, italic != 0, &choice)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, choice.file.c_str(), choice.index, &face) != 0) return nullptr;
    auto* font = new HGDIOBJ__(Kind::Font);
    font->face = face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        delete font;
        return nullptr;
    }
    const FaceMetrics cell = CellMetrics(face);
    int ppem = 12;
    if (height < 0) ppem = -height;
    if (height > 0 && cell.ascent + cell.descent > 0)
        ppem = Scale(static_cast<long>(height) * face->units_per_EM, 1, static_cast<int>(cell.ascent + cell.descent));
    ppem = std::clamp(ppem, 1, 4096);
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) {
        delete font;
        return nullptr;
    }
    font->ascent = Scale(cell.ascent, ppem, face->units_per_EM);
    font->descent = Scale(cell.descent, ppem, face->units_per_EM);
    font->embolden = weight >= 600 && choice.weight < FC_WEIGHT_DEMIBOLD;
    font->oblique = italic != 0 && choice.slant == FC_SLANT_ROMAN;
    font->description = choice.description;
    return gdi.Add(font);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.MemoryDc(hdc);
    if (!dc || !gdi.Object(object) || object->deletePending) return nullptr;
    if (object->kind == Kind::Bitmap) {
        if (object->selectedIn && object->selectedIn != dc) return nullptr;
        HBITMAP previous = dc->bitmap;
        if (previous == object) return previous;
        object->selectedIn = dc;
        dc->bitmap = object;
        gdi.UnselectBitmap(previous);
        return previous;
    }
    HFONT previous = dc->font;
    ++object->selections;
    dc->font = object;
    gdi.UnselectFont(previous);
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.Object(object)) return FALSE;
    if (object->selectedIn || object->selections > 0) {
        object->deletePending = true;
        return TRUE;
    }
    gdi.Destroy(object);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.Bitmap(object)) return 0;
    if (!buffer) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm{};
    bm.bmWidth = object->width;
    bm.bmHeight = object->height;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(object->bitsPerPixel);
    bm.bmWidthBytes = ((object->width * object->bitsPerPixel + 15) / 16) * 2;
    std::memcpy(buffer, &bm, sizeof(bm));
    return static_cast<int>(sizeof(BITMAP));
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.Dc(hdc) || !gdi.Bitmap(bitmap) || !info) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits) {
        h.biWidth = bitmap->width;
        h.biHeight = bitmap->height;
        h.biPlanes = 1;
        h.biBitCount = 32;
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(bitmap->width * bitmap->height * 4);
        return bitmap->height;
    }
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth != bitmap->width) return 0;
    const bool bottomUp = h.biHeight > 0;
    int copied = 0;
    auto* out = static_cast<DWORD*>(bits);
    for (UINT i = 0; i < lines; ++i) {
        const long row = static_cast<long>(start) + i;  // counted from the bottom (bottom-up) or top
        if (row >= bitmap->height) break;
        const int y = static_cast<int>(bottomUp ? bitmap->height - 1 - row : row);
        std::memcpy(out + static_cast<size_t>(i) * bitmap->width, bitmap->Row(y), static_cast<size_t>(bitmap->width) * 4);
        ++copied;
    }
    return copied;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.Dc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->textColour;
    dc->textColour = colour & 0x00FFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.Dc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->bkColour;
    dc->bkColour = colour & 0x00FFFFFFu;
    return previous;
}

UINT SetTextAlign(HDC hdc, UINT align) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.Dc(hdc);
    if (!dc) return GDI_ERROR;
    if (align & TA_UPDATECP) {
        OutputDebugStringA("SetTextAlign: TA_UPDATECP is not implemented\n");
        return GDI_ERROR;
    }
    const UINT previous = dc->align;
    dc->align = align;
    return previous;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* pSize) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.Dc(hdc);
    if (!dc || !gdi.Font(dc->font) || !pSize || count < 0 || (count > 0 && !text)) return FALSE;
    long width = 0;
    for (int i = 0; i < count; ++i) width += CharAdvance(dc->font, text[i]);
    pSize->cx = static_cast<LONG>(width);
    pSize->cy = dc->font->ascent + dc->font->descent;
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* pRect, LPCSTR text, UINT count, const INT* dx) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    HDC dc = gdi.MemoryDc(hdc);
    if (!dc || !dc->font || (count > 0 && !text) || count > static_cast<UINT>(INT_MAX)) return FALSE;
    HFONT font = dc->font;
    HBITMAP bitmap = dc->bitmap;
    if (!bitmap || bitmap->bitsPerPixel != 32) return TRUE;  // nothing to draw into

    std::vector<int> advances(count);
    long width = 0;
    for (UINT i = 0; i < count; ++i) {
        advances[i] = dx ? dx[i] : CharAdvance(font, text[i]);
        width += advances[i];
    }
    const int cellHeight = font->ascent + font->descent;
    long left = x;
    if ((dc->align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (dc->align & TA_RIGHT)
        left = x - width;
    int top = y;
    if ((dc->align & TA_BASELINE) == TA_BASELINE)
        top = y - font->ascent;
    else if (dc->align & TA_BOTTOM)
        top = y - cellHeight;

    Box clip{0, 0, bitmap->width, bitmap->height};
    if (pRect) {
        const Box rect{pRect->left, pRect->top, pRect->right, pRect->bottom};
        if (options & ETO_OPAQUE) Fill(bitmap, rect.Intersect(clip), dc->bkColour);
        if (options & ETO_CLIPPED) clip = rect.Intersect(clip);
    }
    const Box cell{static_cast<int>(std::clamp<long>(left, INT_MIN / 2, INT_MAX / 2)), top,
                   static_cast<int>(std::clamp<long>(left + width, INT_MIN / 2, INT_MAX / 2)), top + cellHeight};
    Fill(bitmap, cell.Intersect(clip), dc->bkColour);

    long pen = left;
    for (UINT i = 0; i < count; ++i) {
        if (LoadGlyph(font, text[i]) && FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_GlyphSlot slot = font->face->glyph;
            if (slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && pen > INT_MIN / 2 && pen < INT_MAX / 2)
                DrawGlyph(bitmap, slot->bitmap, static_cast<int>(pen) + slot->bitmap_left,
                          top + font->ascent - slot->bitmap_top, clip, dc->textColour);
        }
        pen += advances[i];
    }
    return TRUE;
}

namespace platform {

std::string GdiFontFaceDescription(HFONT font) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    return gdi.Font(font) ? font->description : std::string();
}

int LiveBitmapCount() {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    int n = 0;
    for (HGDIOBJ object : gdi.objects)
        if (object->kind == Kind::Bitmap && !object->deletePending) ++n;
    return n;
}

namespace detail {

// Bitmaps of the cursor, icon and resource code: top-down 0x00RRGGBB rows.
HBITMAP CreateBitmapObject(int width, int height, int bitsPerPixel, std::vector<DWORD> pixels) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    auto* bitmap = new HGDIOBJ__(Kind::Bitmap);
    bitmap->width = std::max(width, 0);
    bitmap->height = std::max(height, 0);
    bitmap->bitsPerPixel = bitsPerPixel;
    bitmap->pixels.assign(pixels.begin(), pixels.end());
    bitmap->pixels.resize(static_cast<size_t>(bitmap->width) * bitmap->height, 0);
    return gdi.Add(bitmap);
}

// Pixels in memory order (top-down except for bottom-up DIB sections); null for a dead handle.
const std::vector<DWORD>* BitmapPixels(HBITMAP bitmap, int* width, int* height) {
    Gdi& gdi = State();
    std::lock_guard<std::mutex> guard(gdi.lock);
    if (!gdi.Bitmap(bitmap) || bitmap->deletePending) return nullptr;
    if (width) *width = bitmap->width;
    if (height) *height = bitmap->height;
    return &bitmap->pixels;
}

}  // namespace detail
}  // namespace platform
