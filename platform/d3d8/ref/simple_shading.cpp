#include "platform/d3d8/ref/simple_shading.h"

#include <algorithm>

namespace d3d8::ref {

namespace {

// What one colour or alpha operation of the first stage multiplies together.
struct Factors {
    bool valid = false, texture = false, diffuse = false;
};

// An argument without modifiers that is the texture or (on the first stage, or behind a bump
// stage, where the current colour is the diffuse colour) the diffuse colour.
Factors ArgumentFactor(DWORD arg) {
    if (arg & ~static_cast<DWORD>(D3DTA_SELECTMASK)) return {};
    switch (arg) {
    case D3DTA_TEXTURE: return {true, true, false};
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT: return {true, false, true};
    default: return {};
    }
}

Factors OperationFactors(DWORD op, DWORD arg1, DWORD arg2) {
    switch (op) {
    case D3DTOP_SELECTARG1: return ArgumentFactor(arg1);
    case D3DTOP_SELECTARG2: return ArgumentFactor(arg2);
    case D3DTOP_MODULATE: {
        const Factors a = ArgumentFactor(arg1), b = ArgumentFactor(arg2);
        if (!a.valid || !b.valid || a.texture == b.texture) return {};  // texture times diffuse only
        return {true, true, true};
    }
    default: return {};
    }
}

// The level sampled without a footprint: MAXMIPLEVEL, or the last level beyond the chain.
const SurfaceData& BaseLevel(const TextureStage& st) {
    return st.texture->levels[std::min<UINT>(st.maxMipLevel, st.texture->levelCount - 1)];
}

bool SampledWithoutFootprint(const TextureStage& st) {
    return st.texture && !st.needsDerivatives && st.addressU != D3DTADDRESS_BORDER && st.addressV != D3DTADDRESS_BORDER;
}

// A bump stage whose texel is a bump format sampled from one level.
bool SimpleBumpStage(const TextureStage& st) {
    return st.bumpOp && st.bumpTexture && st.samples && SampledWithoutFootprint(st);
}

}  // namespace

SimpleShading ClassifySimpleShading(const DrawContext& ctx) {
    SimpleShading s;
    if (ctx.needsSpecular || ctx.alphaTest) return s;
    if (ctx.stageCount == 0) {
        s.usable = true;
        return s;
    }
    const bool bumped = ctx.stageCount == 2 && !ctx.pointSprite && SimpleBumpStage(ctx.stages[0]);
    if (ctx.stageCount > 1 && !bumped) return s;
    const TextureStage& st = ctx.stages[bumped ? 1 : 0];
    const Factors color = OperationFactors(st.colorOp, st.colorArg1, st.colorArg2);
    const Factors alpha = st.alphaOn ? OperationFactors(st.alphaOp, st.alphaArg1, st.alphaArg2) : Factors{true, false, true};
    if (!color.valid || !alpha.valid) return s;
    s.textureRgb = color.texture;
    s.diffuseRgb = color.diffuse;
    s.textureAlpha = alpha.texture;
    s.diffuseAlpha = alpha.diffuse;
    const auto lane = [](bool read) { return read ? ~0u : 0u; };
    for (int k = 0; k < 3; ++k) {
        s.textureLanes[k] = lane(s.textureRgb);
        s.diffuseLanes[k] = lane(s.diffuseRgb);
    }
    s.textureLanes[3] = lane(s.textureAlpha);
    s.diffuseLanes[3] = lane(s.diffuseAlpha);
    if (s.textureRgb || s.textureAlpha) {
        if (!SampledWithoutFootprint(st) || st.bumpTexture) return s;
        s.level = &BaseLevel(st);
        s.filter = st.magFilter < D3DTEXF_LINEAR ? TexelFilter::Point : TexelFilter::Linear;
        s.addressU = st.addressU;
        s.addressV = st.addressV;
    }
    if (bumped && s.filter != TexelFilter::None) {  // a stage that reads no texture ignores the offsets
        s.bump = &ctx.stages[0];
        s.bumpLevel = &BaseLevel(ctx.stages[0]);
        s.bumpLuminance = ctx.stages[0].colorOp == D3DTOP_BUMPENVMAPLUMINANCE;
    }
    s.usable = true;
    return s;
}

}  // namespace d3d8::ref
