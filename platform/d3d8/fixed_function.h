// Rules of the fixed-function pipeline that every rasterizer applies alike, decoded once from
// the render and stage states: whatever REF computes per pixel and HAL turns into GL state or
// shader code starts from these answers.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8 {

// The blend factors in force. D3DBLEND_BOTHSRCALPHA / BOTHINVSRCALPHA as source factor set
// both factors at once (source alpha over, or its inverse); the destination factor set with
// them is ignored.
struct BlendFactors {
    DWORD src = D3DBLEND_ONE;
    DWORD dst = D3DBLEND_ZERO;
};

inline BlendFactors ResolveBlendFactors(const DWORD* renderStates) {
    const DWORD src = renderStates[D3DRS_SRCBLEND];
    if (src == D3DBLEND_BOTHSRCALPHA) return {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA};
    if (src == D3DBLEND_BOTHINVSRCALPHA) return {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA};
    return {src, renderStates[D3DRS_DESTBLEND]};
}

}  // namespace d3d8
