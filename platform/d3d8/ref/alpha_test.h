// Alpha test: the fragment's alpha as 0..255 against D3DRS_ALPHAREF with D3DRS_ALPHAFUNC.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// True when `value FUNC reference` holds (the D3DCMP_* meaning, value on the left).
template <typename T>
inline bool ComparePasses(DWORD func, T value, T reference) {
    if (func == D3DCMP_LESSEQUAL) return value <= reference;  // the usual depth test, without a jump
    switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < reference;
    case D3DCMP_EQUAL: return value == reference;
    case D3DCMP_LESSEQUAL: return value <= reference;
    case D3DCMP_GREATER: return value > reference;
    case D3DCMP_NOTEQUAL: return value != reference;
    case D3DCMP_GREATEREQUAL: return value >= reference;
    default: return true;  // ALWAYS
    }
}

inline bool AlphaTestPasses(const DrawContext& ctx, float alpha) {
    return ComparePasses<DWORD>(ctx.alphaFunc, ByteFromUnit(alpha), ctx.alphaRef);
}

}  // namespace d3d8::ref
