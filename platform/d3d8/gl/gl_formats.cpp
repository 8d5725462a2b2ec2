#include "platform/d3d8/gl/gl_formats.h"

#include "platform/d3d8/format_info.h"

#include <iterator>

namespace d3d8::gl {

namespace {

struct GlFormatEntry {
    D3DFORMAT format;
    GlFormat gl;
    bool target;  // OpenGL renders into it
};

constexpr GlFormat Gl(GLenum internalFormat, GLenum format, GLenum type, GLint r = GL_RED, GLint g = GL_GREEN,
                      GLint b = GL_BLUE, GLint a = GL_ALPHA) {
    GlFormat f;
    f.internalFormat = internalFormat, f.format = format, f.type = type;
    f.swizzle[0] = r, f.swizzle[1] = g, f.swizzle[2] = b, f.swizzle[3] = a;
    return f;
}

// L6V5U5 and X8L8V8U8 have no GL layout: they are converted on upload.
constexpr GlFormat FloatBump() {
    GlFormat f = Gl(GL_RGBA16F, GL_RGBA, GL_FLOAT);
    f.floatBump = true;
    return f;
}

// The colour formats upload as they are: GL's packed types match Direct3D's bit layouts.
// Formats without alpha (X...) read alpha as one.
constexpr GlFormatEntry kGlFormats[] = {
    {D3DFMT_R8G8B8, Gl(GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE), false},
    {D3DFMT_A8R8G8B8, Gl(GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV), true},
    {D3DFMT_X8R8G8B8, Gl(GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV), true},
    {D3DFMT_R5G6B5, Gl(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5), true},
    {D3DFMT_X1R5G5B5, Gl(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, GL_RED, GL_GREEN, GL_BLUE, GL_ONE), false},
    {D3DFMT_A1R5G5B5, Gl(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV), true},
    {D3DFMT_A4R4G4B4, Gl(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV), true},
    {D3DFMT_A8, Gl(GL_R8, GL_RED, GL_UNSIGNED_BYTE, GL_ZERO, GL_ZERO, GL_ZERO, GL_RED), false},
    {D3DFMT_X4R4G4B4, Gl(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, GL_RED, GL_GREEN, GL_BLUE, GL_ONE), false},
    {D3DFMT_L8, Gl(GL_R8, GL_RED, GL_UNSIGNED_BYTE, GL_RED, GL_RED, GL_RED, GL_ONE), false},
    {D3DFMT_A8L8, Gl(GL_RG8, GL_RG, GL_UNSIGNED_BYTE, GL_RED, GL_RED, GL_RED, GL_GREEN), false},
    // Byte 0 du, byte 1 dv, signed; 127 reads 1.0.
    {D3DFMT_V8U8, Gl(GL_RG8_SNORM, GL_RG, GL_BYTE, GL_RED, GL_GREEN, GL_ONE, GL_ONE), false},
    {D3DFMT_L6V5U5, FloatBump(), false},
    {D3DFMT_X8L8V8U8, FloatBump(), false},
};

constexpr bool NeedsGlFormat(const FormatInfo& f) {
    return f.bytes != 0 &&
           (f.kind == FormatKind::Color || f.kind == FormatKind::Luminance || f.kind == FormatKind::Bump);
}

// Exactly the table's colour, luminance and bump formats that the device holds, each once.
constexpr bool CoversTheFormatTable() {
    for (const FormatInfo& f : kFormats) {
        int found = 0;
        for (const GlFormatEntry& e : kGlFormats) found += e.format == f.format;
        if (found != (NeedsGlFormat(f) ? 1 : 0)) return false;
    }
    for (const GlFormatEntry& e : kGlFormats)
        if (!NeedsGlFormat(InfoOf(e.format))) return false;
    return true;
}
static_assert(CoversTheFormatTable(), "every format the device holds as a texture needs one GL layout");

const GlFormatEntry* Find(D3DFORMAT format) {
    for (const GlFormatEntry& e : kGlFormats)
        if (e.format == format) return &e;
    return nullptr;
}

}  // namespace

bool GlFormatOf(D3DFORMAT format, GlFormat& out) {
    const GlFormatEntry* e = Find(format);
    out = e ? e->gl : GlFormat{};
    return e != nullptr;
}

bool GlTargetFormatOf(D3DFORMAT format, GlFormat& out) {
    const GlFormatEntry* e = Find(format);
    if (!e || !e->target) return false;
    out = e->gl;
    return true;
}

}  // namespace d3d8::gl
