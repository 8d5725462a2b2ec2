// Flexible vertex format decoding: where each element of a vertex lies, in bytes.
// Pure functions, shared by the device model (validation, strides) and the rasterizers.
#pragma once

#include "platform/d3d8/types.h"

namespace d3d8 {

constexpr int kFvfAbsent = -1;

struct FvfLayout {
    bool valid = false;
    bool transformed = false;  // D3DFVF_XYZRHW: x, y in pixels, z 0..1, rhw = 1/w
    UINT size = 0;             // bytes per vertex
    UINT blendWeights = 0;     // floats after the position (XYZB1..XYZB5)
    int position = kFvfAbsent;  // 3 floats, or 4 with rhw
    int normal = kFvfAbsent;    // 3 floats
    int pointSize = kFvfAbsent;  // 1 float
    int diffuse = kFvfAbsent;    // D3DCOLOR
    int specular = kFvfAbsent;   // D3DCOLOR
    UINT texCoordCount = 0;
    int texCoord[8] = {kFvfAbsent, kFvfAbsent, kFvfAbsent, kFvfAbsent,
                       kFvfAbsent, kFvfAbsent, kFvfAbsent, kFvfAbsent};
    UINT texCoordDims[8] = {};  // floats per set, 1..4
};

// Floats in texture coordinate set `set` of `fvf` (D3DFVF_TEXCOORDSIZEn; 2 by default).
constexpr UINT FvfTexCoordDims(DWORD fvf, UINT set) {
    switch ((fvf >> (set * 2 + 16)) & 3u) {
    case D3DFVF_TEXTUREFORMAT1: return 1;
    case D3DFVF_TEXTUREFORMAT3: return 3;
    case D3DFVF_TEXTUREFORMAT4: return 4;
    default: return 2;
    }
}

// Decodes an FVF code; `valid` is false for codes without a position, with reserved bits,
// with more than 8 texture sets, with size bits set for sets beyond the count, or with a
// normal on pre-transformed vertices.
constexpr FvfLayout DecodeFvf(DWORD fvf) {
    FvfLayout l{};
    const DWORD known = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                        D3DFVF_TEXCOUNT_MASK | D3DFVF_LASTBETA_UBYTE4 | 0xffff0000u;
    if (fvf & ~known) return l;
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == 0) return l;
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) return l;
    if (texCount < 8 && (fvf >> (16 + texCount * 2)) != 0) return l;  // sizes for absent sets
    if (pos == D3DFVF_XYZRHW && (fvf & D3DFVF_NORMAL)) return l;
    if ((fvf & D3DFVF_LASTBETA_UBYTE4) && pos < D3DFVF_XYZB1) return l;

    UINT offset = 0;
    l.position = 0;
    if (pos == D3DFVF_XYZRHW) {
        l.transformed = true;
        offset = 16;
    } else {
        offset = 12;
        if (pos >= D3DFVF_XYZB1) {
            l.blendWeights = (pos - D3DFVF_XYZRHW) / 2;  // XYZB1 = 1 .. XYZB5 = 5
            offset += 4 * l.blendWeights;
        }
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSize = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(offset);
        offset += 4;
    }
    l.texCoordCount = texCount;
    for (UINT i = 0; i < texCount; ++i) {
        l.texCoord[i] = static_cast<int>(offset);
        l.texCoordDims[i] = FvfTexCoordDims(fvf, i);
        offset += 4 * l.texCoordDims[i];
    }
    l.size = offset;
    l.valid = true;
    return l;
}

// Vertices (or indices) that `count` primitives of `type` read; 0 for none or an unknown type.
constexpr unsigned long long VerticesForPrimitives(D3DPRIMITIVETYPE type, UINT count) {
    const unsigned long long n = count;
    if (n == 0) return 0;
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return 2 * n;
    case D3DPT_LINESTRIP: return n + 1;
    case D3DPT_TRIANGLELIST: return 3 * n;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n + 2;
    default: return 0;
    }
}

}  // namespace d3d8
