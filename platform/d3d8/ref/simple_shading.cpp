#include "platform/d3d8/ref/simple_shading.h"

#include <algorithm>

namespace d3d8::ref {

namespace {

// What one colour or alpha operation of the texture stage reads: the texture, the current
// colour, or both, multiplied or (colour only) added.
struct Factors {
    bool valid = false, texture = false, current = false, add = false;
};

// An argument without modifiers that is the texture or the current colour. The diffuse
// colour is the current colour while no stage in front sets one (on the first stage, or
// behind a bump stage alone).
Factors ArgumentFactor(DWORD arg, bool diffuseIsCurrent) {
    if (arg & ~static_cast<DWORD>(D3DTA_SELECTMASK)) return {};
    switch (arg) {
    case D3DTA_TEXTURE: return {true, true, false};
    case D3DTA_DIFFUSE: return diffuseIsCurrent ? Factors{true, false, true} : Factors{};
    case D3DTA_CURRENT: return {true, false, true};
    default: return {};
    }
}

Factors OperationFactors(DWORD op, DWORD arg1, DWORD arg2, bool diffuseIsCurrent, bool addAllowed) {
    switch (op) {
    case D3DTOP_SELECTARG1: return ArgumentFactor(arg1, diffuseIsCurrent);
    case D3DTOP_SELECTARG2: return ArgumentFactor(arg2, diffuseIsCurrent);
    case D3DTOP_ADD:
        if (!addAllowed) return {};
        [[fallthrough]];
    case D3DTOP_MODULATE: {
        const Factors a = ArgumentFactor(arg1, diffuseIsCurrent), b = ArgumentFactor(arg2, diffuseIsCurrent);
        if (!a.valid || !b.valid || a.texture == b.texture) return {};  // texture and current only
        return {true, true, true, op == D3DTOP_ADD};
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

TexelFilter FilterOf(const TextureStage& st) { return st.magFilter < D3DTEXF_LINEAR ? TexelFilter::Point : TexelFilter::Linear; }

// A bump stage whose texel is a bump format sampled from one level.
bool SimpleBumpStage(const TextureStage& st) {
    return st.bumpOp && st.bumpTexture && st.samples && SampledWithoutFootprint(st);
}

bool SelectsTexture(DWORD op, DWORD arg1, DWORD arg2) {
    return (op == D3DTOP_SELECTARG1 && arg1 == D3DTA_TEXTURE) || (op == D3DTOP_SELECTARG2 && arg2 == D3DTA_TEXTURE);
}

// A first stage whose colour and alpha are its texel, of a colour format sampled from one level.
bool SimpleBaseStage(const TextureStage& st) {
    return !st.bumpOp && st.alphaOn && SelectsTexture(st.colorOp, st.colorArg1, st.colorArg2) &&
           SelectsTexture(st.alphaOp, st.alphaArg1, st.alphaArg2) && SampledWithoutFootprint(st) && !st.bumpTexture;
}

}  // namespace

SimpleShading ClassifySimpleShading(const DrawContext& ctx) {
    SimpleShading s;
    if (ctx.needsSpecular || ctx.alphaTest) return s;
    if (ctx.stageCount == 0) {
        s.usable = true;
        return s;
    }
    const UINT n = ctx.stageCount;
    const bool based = n >= 2 && !ctx.pointSprite && SimpleBaseStage(ctx.stages[0]);
    const UINT afterBase = based ? 1 : 0;
    const bool bumped = n == afterBase + 2 && !ctx.pointSprite && SimpleBumpStage(ctx.stages[afterBase]);
    if (n != afterBase + (bumped ? 2 : 1)) return s;
    s.textureStage = n - 1;
    const TextureStage& st = ctx.stages[s.textureStage];
    const Factors color = OperationFactors(st.colorOp, st.colorArg1, st.colorArg2, !based, true);
    const Factors alpha = st.alphaOn ? OperationFactors(st.alphaOp, st.alphaArg1, st.alphaArg2, !based, false)
                                     : Factors{true, false, true};
    if (!color.valid || !alpha.valid) return s;
    s.textureRgb = color.texture;
    s.currentRgb = color.current;
    s.addRgb = color.add;
    s.textureAlpha = alpha.texture;
    s.currentAlpha = alpha.current;
    if (s.textureRgb || s.textureAlpha) {
        if (!SampledWithoutFootprint(st) || st.bumpTexture) return s;
        s.level = &BaseLevel(st);
        s.filter = FilterOf(st);
        s.addressU = st.addressU;
        s.addressV = st.addressV;
    }
    if (based) {  // sampled with the texture stage's filter, and only where both are read
        const TextureStage& b = ctx.stages[0];
        if (s.filter != FilterOf(b) || !(s.currentRgb || s.currentAlpha)) return s;
        s.base = &b;
        s.baseLevel = &BaseLevel(b);
    }
    if (bumped && s.filter != TexelFilter::None) {  // a stage that reads no texture ignores the offsets
        const TextureStage& b = ctx.stages[s.textureStage - 1];
        s.bump = &b;
        s.bumpLevel = &BaseLevel(b);
        s.bumpLuminance = b.colorOp == D3DTOP_BUMPENVMAPLUMINANCE;
    }
    s.usable = true;
    return s;
}

}  // namespace d3d8::ref
