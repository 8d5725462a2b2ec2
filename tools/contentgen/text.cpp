#include "text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace cg {

namespace fonts {
const char* const kSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kMonoBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
const char* const kLiberationBold = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
const char* const kSerifItalic = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf";
}  // namespace fonts

Mask RenderText(const char* fontPath, const std::string& text, float pixelHeight, float xScale, float tracking,
                int pad)
{
    Mask out;
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return out;
    if (FT_New_Face(lib, fontPath, 0, &face) != 0) {
        std::fprintf(stderr, "contentgen: cannot read font %s\n", fontPath);
        FT_Done_FreeType(lib);
        return out;
    }
    FT_Set_Char_Size(face, FT_F26Dot6(pixelHeight * xScale * 64), FT_F26Dot6(pixelHeight * 64), 72, 72);

    // Lay out on a generous canvas first, then crop to the ink.
    const int ascent = int(std::ceil(face->size->metrics.ascender / 64.0));
    const int descent = int(std::ceil(-face->size->metrics.descender / 64.0));
    int width = int(text.size() * (pixelHeight * xScale * 1.2f + tracking)) + 8;
    int height = ascent + descent + 8;
    Mask canvas{width, height, std::vector<float>(size_t(width) * height, 0.f)};
    float penX = 4;
    FT_UInt prev = 0;
    for (unsigned char ch : text) {
        FT_UInt glyph = FT_Get_Char_Index(face, ch);
        if (prev && glyph && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, prev, glyph, FT_KERNING_DEFAULT, &k);
            penX += k.x / 64.f;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) continue;
        FT_GlyphSlot g = face->glyph;
        int ox = int(std::lround(penX)) + g->bitmap_left, oy = 4 + ascent - g->bitmap_top;
        for (unsigned r = 0; r < g->bitmap.rows; ++r)
            for (unsigned c = 0; c < g->bitmap.width; ++c) {
                int x = ox + int(c), y = oy + int(r);
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                float v = g->bitmap.buffer[r * g->bitmap.pitch + c] / 255.f;
                canvas.At(x, y) = std::max(canvas.At(x, y), v);
            }
        penX += g->advance.x / 64.f + tracking;
        prev = glyph;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (canvas.At(x, y) > 0.f) {
                x0 = std::min(x0, x); x1 = std::max(x1, x);
                y0 = std::min(y0, y); y1 = std::max(y1, y);
            }
    if (x1 < 0) return out;
    out.w = x1 - x0 + 1 + 2 * pad;
    out.h = y1 - y0 + 1 + 2 * pad;
    out.a.assign(size_t(out.w) * out.h, 0.f);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.At(x - x0 + pad, y - y0 + pad) = canvas.At(x, y);
    return out;
}

Mask Pad(const Mask& m, int pad)
{
    Mask out{m.w + 2 * pad, m.h + 2 * pad, {}};
    out.a.assign(size_t(out.w) * out.h, 0.f);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) out.At(x + pad, y + pad) = m.At(x, y);
    return out;
}

Mask Blur(const Mask& m, int radius, int passes)
{
    Mask cur = m, tmp = m;
    const float norm = 1.f / float(2 * radius + 1);
    for (int p = 0; p < passes; ++p) {
        for (int y = 0; y < m.h; ++y) {
            float acc = 0;
            for (int x = -radius; x <= radius; ++x) acc += cur.At(std::clamp(x, 0, m.w - 1), y);
            for (int x = 0; x < m.w; ++x) {
                tmp.At(x, y) = acc * norm;
                acc += cur.At(std::min(x + radius + 1, m.w - 1), y) - cur.At(std::max(x - radius, 0), y);
            }
        }
        for (int x = 0; x < m.w; ++x) {
            float acc = 0;
            for (int y = -radius; y <= radius; ++y) acc += tmp.At(x, std::clamp(y, 0, m.h - 1));
            for (int y = 0; y < m.h; ++y) {
                cur.At(x, y) = acc * norm;
                acc += tmp.At(x, std::min(y + radius + 1, m.h - 1)) - tmp.At(x, std::max(y - radius, 0));
            }
        }
    }
    return cur;
}

}  // namespace cg
