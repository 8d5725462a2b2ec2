// Output merging: alpha blending of the fragment with the target (factors D3DBLEND 1..13,
// operations add, subtract, reverse subtract, min, max), the colour write mask, and the
// conversion to the target's format.
#pragma once

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/ref/ref_types.h"

#include <algorithm>
#include <cstring>

namespace d3d8::ref {

// The blend factor for source colour s and destination colour d.
REF_PIXEL_INLINE Color BlendFactor(DWORD factor, const Color& s, const Color& d) {
    switch (factor) {
    case D3DBLEND_ZERO: return {0, 0, 0, 0};
    case D3DBLEND_ONE: return {1, 1, 1, 1};
    case D3DBLEND_SRCCOLOR: return s;
    case D3DBLEND_INVSRCCOLOR: return {1 - s.r, 1 - s.g, 1 - s.b, 1 - s.a};
    case D3DBLEND_SRCALPHA: return {s.a, s.a, s.a, s.a};
    case D3DBLEND_INVSRCALPHA: return {1 - s.a, 1 - s.a, 1 - s.a, 1 - s.a};
    case D3DBLEND_DESTALPHA: return {d.a, d.a, d.a, d.a};
    case D3DBLEND_INVDESTALPHA: return {1 - d.a, 1 - d.a, 1 - d.a, 1 - d.a};
    case D3DBLEND_DESTCOLOR: return d;
    case D3DBLEND_INVDESTCOLOR: return {1 - d.r, 1 - d.g, 1 - d.b, 1 - d.a};
    case D3DBLEND_SRCALPHASAT: {
        const float f = std::min(s.a, 1 - d.a);
        return {f, f, f, 1};
    }
    default: return {1, 1, 1, 1};
    }
}

REF_PIXEL_INLINE float BlendChannel(DWORD op, float s, float fs, float d, float fd) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return s * fs - d * fd;
    case D3DBLENDOP_REVSUBTRACT: return d * fd - s * fs;
    case D3DBLENDOP_MIN: return std::min(s, d);
    case D3DBLENDOP_MAX: return std::max(s, d);
    default: return s * fs + d * fd;
    }
}

// Blending with the factors and operation known when compiling: the same arithmetic as
// the general path, without choosing per pixel.
template <DWORD Src, DWORD Dst>
REF_PIXEL_INLINE Color BlendAdd(const Color& s, const Color& d) {
    const Color fs = BlendFactor(Src, s, d), fd = BlendFactor(Dst, s, d);
    return {s.r * fs.r + d.r * fd.r, s.g * fs.g + d.g * fd.g, s.b * fs.b + d.b * fd.b, s.a * fs.a + d.a * fd.a};
}

inline Color Blend(const DrawContext& ctx, const Color& s, const Color& d) {
    const Color fs = BlendFactor(ctx.srcBlend, s, d), fd = BlendFactor(ctx.destBlend, s, d);
    return {BlendChannel(ctx.blendOp, s.r, fs.r, d.r, fd.r), BlendChannel(ctx.blendOp, s.g, fs.g, d.g, fd.g),
            BlendChannel(ctx.blendOp, s.b, fs.b, d.b, fd.b), BlendChannel(ctx.blendOp, s.a, fs.a, d.a, fd.a)};
}

inline BYTE* PixelAt(const SurfaceData& s, int x, int y) {
    return s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(s.format);
}

REF_PIXEL_INLINE D3DCOLOR ReadTarget(D3DFORMAT format, const BYTE* p) {
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) {
        DWORD d;
        std::memcpy(&d, p, 4);
        return format == D3DFMT_X8R8G8B8 ? d | 0xff000000u : d;
    }
    return ReadArgb(format, p);
}

REF_PIXEL_INLINE void WriteTarget(D3DFORMAT format, BYTE* p, D3DCOLOR c) {
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
        if (format == D3DFMT_X8R8G8B8) c |= 0xff000000u;
        std::memcpy(p, &c, 4);
        return;
    }
    WriteArgb(format, p, c);
}

template <BlendKind Kind>
REF_PIXEL_INLINE void BlendAndWrite(const DrawContext& ctx, const Target& t, int x, int y, Color c) {
    BYTE* p = PixelAt(*t.color, x, y);
    c = {Saturate(c.r), Saturate(c.g), Saturate(c.b), Saturate(c.a)};
    D3DCOLOR out;
    if constexpr (Kind == BlendKind::Replace) {
        out = ArgbFromColor(c);
    } else if constexpr (Kind != BlendKind::General) {
        constexpr DWORD src = Kind == BlendKind::AddOne ? D3DBLEND_ONE : D3DBLEND_SRCALPHA;
        constexpr DWORD dst = Kind == BlendKind::SrcAlphaOver ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE;
        out = ArgbFromColor(BlendAdd<src, dst>(c, ColorFromArgb(ReadTarget(t.color->format, p))));
    } else if (ctx.blend || ctx.colorWriteMask != 0xf) {
        const D3DCOLOR old = ReadTarget(t.color->format, p);
        if (ctx.blend) c = Blend(ctx, c, ColorFromArgb(old));
        out = ArgbFromColor(c);
        if (ctx.colorWriteMask != 0xf) {
            DWORD keep = 0;
            if (!(ctx.colorWriteMask & D3DCOLORWRITEENABLE_RED)) keep |= 0x00ff0000u;
            if (!(ctx.colorWriteMask & D3DCOLORWRITEENABLE_GREEN)) keep |= 0x0000ff00u;
            if (!(ctx.colorWriteMask & D3DCOLORWRITEENABLE_BLUE)) keep |= 0x000000ffu;
            if (!(ctx.colorWriteMask & D3DCOLORWRITEENABLE_ALPHA)) keep |= 0xff000000u;
            out = (out & ~keep) | (old & keep);
        }
    } else {
        out = ArgbFromColor(c);
    }
    WriteTarget(t.color->format, p, out);
}

}  // namespace d3d8::ref
