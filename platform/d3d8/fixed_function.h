// Rules of the fixed-function pipeline that every rasterizer applies alike, decoded once from
// the render and stage states: whatever REF computes per pixel and HAL turns into GL state or
// shader code starts from these answers.
#pragma once

#include "platform/d3d8/fvf.h"
#include "platform/d3d8/rasterizer.h"

#include <cmath>
#include <cstdint>

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

// A projection of the usual perspective form: w is eye-space depth.
inline bool IsPerspectiveProjection(const D3DMATRIX& p) {
    return p._14 == 0 && p._24 == 0 && p._34 == 1 && p._44 == 0;
}

// The product of two transforms on row vectors: p * a * b.
inline D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    return out;
}

// Inverse transpose of the upper 3x3 of m, as rows (the cofactors over the determinant); a
// singular matrix gives the plain 3x3.
inline void NormalMatrix(const D3DMATRIX& m, float out[3][3]) {
    const float(*a)[4] = m.m;
    const float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    const float c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    const float c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const float det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    if (std::fabs(det) < 1e-30f) {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) out[r][c] = a[r][c];
        return;
    }
    const float inv = 1.0f / det;
    out[0][0] = c00 * inv;
    out[0][1] = c01 * inv;
    out[0][2] = c02 * inv;
    out[1][0] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * inv;
    out[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * inv;
    out[1][2] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * inv;
    out[2][0] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * inv;
    out[2][1] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * inv;
    out[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * inv;
}

// How positions and normals reach eye space. A vertex normal n becomes
// (dot(n, normal[0]), dot(n, normal[1]), dot(n, normal[2])), scaled to unit length afterwards
// only under D3DRS_NORMALIZENORMALS (a zero normal stays zero).
struct EyeTransform {
    D3DMATRIX worldView;
    float normal[3][3];
    bool normalize;
};

inline EyeTransform ComputeEyeTransform(const PipelineState& s) {
    EyeTransform eye;
    eye.worldView = MultiplyMatrices(s.world, s.view);
    NormalMatrix(eye.worldView, eye.normal);
    eye.normalize = s.renderStates[D3DRS_NORMALIZENORMALS] != 0;
    return eye;
}

enum class FogSource : std::uint8_t { None = 0, Table = 1, Vertex = 2 };

// Which fog applies. Table (per-pixel) fog wins over vertex fog; vertex fog needs vertices
// the device transforms, otherwise a vertex with a specular colour brings its own fog factor
// in specular alpha. Range fog is not offered (no D3DPRASTERCAPS_FOGRANGE): vertex fog is
// always on eye-space depth, whatever D3DRS_RANGEFOGENABLE says.
struct FogChoice {
    FogSource source = FogSource::None;
    DWORD mode = D3DFOG_NONE;  // the formula; NONE for a factor read from specular alpha
    bool fromW = false;        // table fog on eye-space depth (w) rather than device z
};

inline FogChoice ChooseFog(const DWORD* renderStates, const FvfLayout& layout, const D3DMATRIX& projection) {
    FogChoice fog;
    if (!renderStates[D3DRS_FOGENABLE]) return fog;
    if (renderStates[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
        fog.source = FogSource::Table;
        fog.mode = renderStates[D3DRS_FOGTABLEMODE];
        fog.fromW = IsPerspectiveProjection(projection) && !layout.transformed;
    } else if (renderStates[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE && !layout.transformed) {
        fog.source = FogSource::Vertex;
        fog.mode = renderStates[D3DRS_FOGVERTEXMODE];
    } else if (layout.specular >= 0) {
        fog.source = FogSource::Vertex;
    }
    return fog;
}

// The texture-stage cascade ends at the first stage whose colour operation is DISABLE (or
// never set), and at a stage whose first colour argument is its texture when no texture is
// bound to it: the output is then what the earlier stages (or the diffuse colour) made.

// Whether a stage ends the cascade by its colour operation.
inline bool EndsCascade(const DWORD* stage) {
    return stage[D3DTSS_COLOROP] == D3DTOP_DISABLE || stage[D3DTSS_COLOROP] == 0;
}

// The whole rule, for the device model to set PipelineState::activeStages at each draw.
inline UINT CascadeLengthWithTextures(const PipelineState& s) {
    UINT count = 0;
    while (count < kMaxStages && !EndsCascade(s.stageStates[count]) &&
           !((s.stageStates[count][D3DTSS_COLORARG1] & D3DTA_SELECTMASK) == D3DTA_TEXTURE && !s.textures[count]))
        ++count;
    return count;
}

// The stages a rasterizer runs: those the device let take part, up to the first that ends the
// cascade by its operation (a state not set up by the device may have more).
inline UINT CascadeLength(const PipelineState& s) {
    UINT count = 0;
    while (count < s.activeStages && count < kMaxStages && !EndsCascade(s.stageStates[count])) ++count;
    return count;
}

}  // namespace d3d8
