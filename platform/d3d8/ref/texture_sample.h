// Texture sampling: addressing (wrap, mirror, clamp, border, mirror once), point and linear
// filtering, mip level choice from the screen-space footprint. Texel centres sit at
// (i + 0.5) / size. Bump textures sample as (du, dv, luminance, 1).
#pragma once

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/ref/ref_types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace d3d8::ref {

// Maps texel index i of an axis of `size` texels by the address mode; -1 means border.
REF_PIXEL_INLINE int AddressTexel(int i, int size, DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_CLAMP:
        return std::clamp(i, 0, size - 1);
    case D3DTADDRESS_BORDER:
        return (i < 0 || i >= size) ? -1 : i;
    case D3DTADDRESS_MIRROR: {
        int m = i % (2 * size);
        if (m < 0) m += 2 * size;
        return m < size ? m : 2 * size - 1 - m;
    }
    case D3DTADDRESS_MIRRORONCE: {
        const int m = i < 0 ? -i - 1 : i;
        return std::min(m, size - 1);
    }
    default: {  // wrap; power-of-two sizes (the usual case) without a division
        if ((size & (size - 1)) == 0) return i & (size - 1);
        int m = i % size;
        return m < 0 ? m + size : m;
    }
    }
}

// Reads the texel at (x, y), already addressed into the level.
inline Color ReadTexel(const TextureStage& st, const SurfaceData& level, int x, int y) {
    const BYTE* row = level.bits + static_cast<std::ptrdiff_t>(y) * level.pitch;
    switch (level.format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        DWORD d;
        std::memcpy(&d, row + 4 * static_cast<std::ptrdiff_t>(x), 4);
        if (level.format == D3DFMT_X8R8G8B8) d |= 0xff000000u;
        return ColorFromArgb(d);
    }
    case D3DFMT_R5G6B5: {
        WORD w;
        std::memcpy(&w, row + 2 * static_cast<std::ptrdiff_t>(x), 2);
        return ColorFromArgb(ArgbFromR5G6B5(w));
    }
    default:
        break;
    }
    const BYTE* p = row + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(level.format);
    if (st.bumpTexture) {
        const BumpTexel b = ReadBump(level.format, p);
        return {b.du, b.dv, b.luminance, 1.0f};
    }
    return ColorFromArgb(ReadArgb(level.format, p));
}

// A colour texel as ARGB (not for bump formats).
REF_PIXEL_INLINE D3DCOLOR ReadTexelArgb(const SurfaceData& level, int x, int y) {
    const BYTE* row = level.bits + static_cast<std::ptrdiff_t>(y) * level.pitch;
    DWORD d;
    WORD w;
    switch (level.format) {
    case D3DFMT_A8R8G8B8:
        std::memcpy(&d, row + 4 * static_cast<std::ptrdiff_t>(x), 4);
        return d;
    case D3DFMT_X8R8G8B8:
        std::memcpy(&d, row + 4 * static_cast<std::ptrdiff_t>(x), 4);
        return d | 0xff000000u;
    case D3DFMT_R5G6B5:
        std::memcpy(&w, row + 2 * static_cast<std::ptrdiff_t>(x), 2);
        return ArgbFromR5G6B5(w);
    default:
        return ReadArgb(level.format, row + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(level.format));
    }
}

// Bilinear blend of four ARGB texels with weights wx, wy in 0..256 (rounded to nearest).
REF_PIXEL_INLINE D3DCOLOR BilinearArgb(D3DCOLOR c00, D3DCOLOR c10, D3DCOLOR c01, D3DCOLOR c11, unsigned wx, unsigned wy) {
    auto lerp = [](DWORD a, DWORD b, unsigned f) {
        const DWORD rb = ((a & 0x00ff00ffu) * (256 - f) + (b & 0x00ff00ffu) * f + 0x00800080u) >> 8;
        const DWORD ag = (((a >> 8) & 0x00ff00ffu) * (256 - f) + ((b >> 8) & 0x00ff00ffu) * f + 0x00800080u) >> 8;
        return (rb & 0x00ff00ffu) | ((ag & 0x00ff00ffu) << 8);
    };
    return lerp(lerp(c00, c10, wx), lerp(c01, c11, wx), wy);
}

inline Color FetchTexel(const TextureStage& st, const SurfaceData& level, int x, int y) {
    x = AddressTexel(x, static_cast<int>(level.width), st.addressU);
    y = AddressTexel(y, static_cast<int>(level.height), st.addressV);
    if (x < 0 || y < 0) return st.border;
    return ReadTexel(st, level, x, y);
}

// Floor that stays sane for huge or non-finite coordinates.
inline int FloorToInt(float v) {
    if (!(v > -1e9f && v < 1e9f)) return 0;
    const int i = static_cast<int>(v);
    return i - (static_cast<float>(i) > v);
}

// The texels a sample reads along one axis: for a linear sample the two either side of the
// coordinate (before and after addressing; -1 for border) and the weight of the second; for
// a point sample the one texel, addressed, in `a`.
struct AxisTaps {
    int first = 0;     // unaddressed index of the first texel
    int a = 0, b = 0;  // addressed indices of the two texels
    float weight = 0;
    unsigned weight256 = 0;  // the weight in 0..256, rounded to nearest
};

// The texel of a point sample along one axis, before addressing.
REF_PIXEL_INLINE int PointTap(float coord, UINT size) { return FloorToInt(coord * static_cast<float>(size)); }

// Addresses the two texels of linear taps whose first (unaddressed) texel is set.
REF_PIXEL_INLINE void AddressLinearTaps(AxisTaps& t, UINT size, DWORD mode) {
    t.a = AddressTexel(t.first, static_cast<int>(size), mode);
    t.b = AddressTexel(t.first + 1, static_cast<int>(size), mode);
}

// `coord` is a normalised coordinate, `size` the level's texels along the axis. A huge or
// non-finite coordinate reads texel 0 with weight 0.
REF_PIXEL_INLINE AxisTaps LinearTaps(float coord, UINT size, DWORD mode) {
    const float s = coord * static_cast<float>(size) - 0.5f;
    AxisTaps t;
    if (s > -1e9f && s < 1e9f) {
        t.first = FloorToInt(s);
        t.weight = s - static_cast<float>(t.first);
        t.weight256 = static_cast<unsigned>(t.weight * 256.0f + 0.5f);
    }
    AddressLinearTaps(t, size, mode);
    return t;
}

REF_PIXEL_INLINE AxisTaps PointTaps(float coord, UINT size, DWORD mode) {
    AxisTaps t;
    t.a = AddressTexel(PointTap(coord, size), static_cast<int>(size), mode);
    return t;
}

// Bilinear sample of a colour level (not bump) from addressed taps (no border): packed ARGB
// blended in 8-bit fixed point, two channels at a time.
REF_PIXEL_INLINE D3DCOLOR BilinearTexelArgb(const SurfaceData& level, const AxisTaps& x, const AxisTaps& y) {
    return BilinearArgb(ReadTexelArgb(level, x.a, y.a), ReadTexelArgb(level, x.b, y.a), ReadTexelArgb(level, x.a, y.b),
                        ReadTexelArgb(level, x.b, y.b), x.weight256, y.weight256);
}

REF_PIXEL_INLINE Color SampleLevel(const TextureStage& st, const SurfaceData& level, DWORD filter, float u, float v) {
    // Anisotropic and cubic filters are taken as linear.
    if (filter < D3DTEXF_LINEAR) return FetchTexel(st, level, PointTap(u, level.width), PointTap(v, level.height));
    const AxisTaps tx = LinearTaps(u, level.width, st.addressU), ty = LinearTaps(v, level.height, st.addressV);
    const int xa = tx.a, xb = tx.b, ya = ty.a, yb = ty.b;
    if ((xa | xb | ya | yb) >= 0 && !st.bumpTexture) return ColorFromArgb(BilinearTexelArgb(level, tx, ty));
    const int x0 = tx.first, y0 = ty.first;
    const float ax = tx.weight, ay = ty.weight;
    Color c00, c10, c01, c11;
    if ((xa | xb | ya | yb) >= 0) {
        c00 = ReadTexel(st, level, xa, ya);
        c10 = ReadTexel(st, level, xb, ya);
        c01 = ReadTexel(st, level, xa, yb);
        c11 = ReadTexel(st, level, xb, yb);
    } else {
        c00 = FetchTexel(st, level, x0, y0);
        c10 = FetchTexel(st, level, x0 + 1, y0);
        c01 = FetchTexel(st, level, x0, y0 + 1);
        c11 = FetchTexel(st, level, x0 + 1, y0 + 1);
    }
    auto mix = [&](float a, float b, float c, float d) {
        const float top = a + (b - a) * ax, bottom = c + (d - c) * ax;
        return top + (bottom - top) * ay;
    };
    return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
            mix(c00.a, c10.a, c01.a, c11.a)};
}

// log2 to within about 0.01, enough to pick and blend mip levels.
inline float FastLog2(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, 4);
    const float e = static_cast<float>(static_cast<int>((bits >> 23) & 0xff) - 127);
    bits = (bits & 0x007fffffu) | 0x3f800000u;
    float m;
    std::memcpy(&m, &bits, 4);  // 1 <= m < 2
    const float t = m - 1.0f;
    return e + t * (1.3465557f - 0.3465557f * t);
}

// Level of detail: log2 of the larger footprint axis in level-0 texels, plus the stage bias.
inline float LevelOfDetail(const TextureStage& st, float dudx, float dvdx, float dudy, float dvdy) {
    const SurfaceData& l0 = st.texture->levels[0];
    const float w = static_cast<float>(l0.width), h = static_cast<float>(l0.height);
    const float ax = dudx * w, ay = dvdx * h, bx = dudy * w, by = dvdy * h;
    const float rho2 = std::max(ax * ax + ay * ay, bx * bx + by * by);
    if (!(rho2 > 1e-20f)) return -1000.0f;
    if (!(rho2 < 1e20f)) return 64.0f;
    return 0.5f * FastLog2(rho2) + st.lodBias;
}

// Samples the stage's texture at (u, v); an unbound texture reads opaque black.
REF_PIXEL_INLINE Color SampleTexture(const TextureStage& st, float u, float v, float dudx, float dvdx, float dudy, float dvdy) {
    const TextureData* tex = st.texture;
    if (!tex) return {0, 0, 0, 1};
    const int last = static_cast<int>(tex->levelCount) - 1;
    // Unsigned: a MAXMIPLEVEL beyond the chain (however large) means the last level.
    const int base = static_cast<int>(std::min<UINT>(st.maxMipLevel, tex->levelCount - 1));
    if (!st.needsDerivatives) return SampleLevel(st, tex->levels[base], st.magFilter, u, v);
    const float lod = LevelOfDetail(st, dudx, dvdx, dudy, dvdy);
    if (lod <= 0.0f) return SampleLevel(st, tex->levels[base], st.magFilter, u, v);
    switch (st.mipFilter) {
    case D3DTEXF_POINT: {
        const int level = std::clamp(static_cast<int>(std::floor(lod + 0.5f)), base, last);
        return SampleLevel(st, tex->levels[level], st.minFilter, u, v);
    }
    case D3DTEXF_LINEAR: {
        const float l = std::min(lod, static_cast<float>(last));
        const int l0 = std::clamp(static_cast<int>(std::floor(l)), base, last);
        const int l1 = std::min(l0 + 1, last);
        const float t = l0 == l1 ? 0.0f : std::clamp(l - static_cast<float>(l0), 0.0f, 1.0f);
        const Color a = SampleLevel(st, tex->levels[l0], st.minFilter, u, v);
        if (t == 0.0f) return a;
        const Color b = SampleLevel(st, tex->levels[l1], st.minFilter, u, v);
        return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
    }
    default:
        return SampleLevel(st, tex->levels[base], st.minFilter, u, v);
    }
}

}  // namespace d3d8::ref
