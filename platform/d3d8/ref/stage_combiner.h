// The texture stage cascade: each active stage combines two arguments (texture, diffuse,
// current, texture factor, with complement and alpha-replicate modifiers) by its colour and
// alpha operations. It ends at the first stage whose colour operation is DISABLE. A bump
// stage leaves the current colour as it is and perturbs the next stage's coordinates by its
// matrix; the luminance variant also scales the next stage's texture colour.
#pragma once

#include "platform/d3d8/ref/texture_sample.h"

namespace d3d8::ref {

struct StageInputs {
    const Color* diffuse;
    const Color* specular;
    const Color* current;
    const Color* texture;
    const Color* factor;
};

REF_PIXEL_INLINE Color StageArgument(DWORD arg, const StageInputs& in) {
    Color c;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: c = *in.diffuse; break;
    case D3DTA_CURRENT: c = *in.current; break;
    case D3DTA_TEXTURE: c = *in.texture; break;
    case D3DTA_TFACTOR: c = *in.factor; break;
    case D3DTA_SPECULAR: c = *in.specular; break;
    default: c = {0, 0, 0, 0}; break;  // temporary register: not kept, reads zero
    }
    if (arg & D3DTA_COMPLEMENT) c = {1 - c.r, 1 - c.g, 1 - c.b, 1 - c.a};
    if (arg & D3DTA_ALPHAREPLICATE) c = {c.a, c.a, c.a, c.a};
    return c;
}

// One operation on one channel: a = first argument, b = second. `alphas` carries the alpha
// values the blend operations read: diffuse, texture, factor, current.
struct BlendAlphas {
    float diffuse, texture, factor, current;
};

inline float StageOpChannel(DWORD op, float a, float b, float aAlpha, const BlendAlphas& al) {
    switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return a * b;
    case D3DTOP_MODULATE2X: return Saturate(2 * a * b);
    case D3DTOP_MODULATE4X: return Saturate(4 * a * b);
    case D3DTOP_ADD: return Saturate(a + b);
    case D3DTOP_ADDSIGNED: return Saturate(a + b - 0.5f);
    case D3DTOP_ADDSIGNED2X: return Saturate(2 * (a + b - 0.5f));
    case D3DTOP_SUBTRACT: return Saturate(a - b);
    case D3DTOP_ADDSMOOTH: return Saturate(a + b - a * b);
    case D3DTOP_BLENDDIFFUSEALPHA: return a * al.diffuse + b * (1 - al.diffuse);
    case D3DTOP_BLENDTEXTUREALPHA: return a * al.texture + b * (1 - al.texture);
    case D3DTOP_BLENDFACTORALPHA: return a * al.factor + b * (1 - al.factor);
    case D3DTOP_BLENDCURRENTALPHA: return a * al.current + b * (1 - al.current);
    case D3DTOP_BLENDTEXTUREALPHAPM: return Saturate(a + b * (1 - al.texture));
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return Saturate(a + aAlpha * b);
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return Saturate(a + (1 - aAlpha) * b);
    case D3DTOP_MODULATECOLOR_ADDALPHA: return Saturate(a * b + aAlpha);
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return Saturate((1 - a) * b + aAlpha);
    default: return a;  // operations outside the fixed set select the first argument
    }
}

REF_PIXEL_INLINE Color StageOp(DWORD op, const Color& a, const Color& b, const BlendAlphas& al) {
    switch (op) {  // the common operations first, whole colours at once
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return {a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a};
    case D3DTOP_ADD: return {Saturate(a.r + b.r), Saturate(a.g + b.g), Saturate(a.b + b.b), Saturate(a.a + b.a)};
    case D3DTOP_DOTPRODUCT3: {
        const float d = Saturate(4 * ((a.r - 0.5f) * (b.r - 0.5f) + (a.g - 0.5f) * (b.g - 0.5f) + (a.b - 0.5f) * (b.b - 0.5f)));
        return {d, d, d, d};
    }
    default:
        return {StageOpChannel(op, a.r, b.r, a.a, al), StageOpChannel(op, a.g, b.g, a.a, al),
                StageOpChannel(op, a.b, b.b, a.a, al), StageOpChannel(op, a.a, b.a, a.a, al)};
    }
}

// Evaluates one colour or alpha operation, reading only the arguments it uses.
REF_PIXEL_INLINE Color StageResult(DWORD op, DWORD arg1, DWORD arg2, const StageInputs& in, const BlendAlphas& al) {
    if (op == D3DTOP_SELECTARG1) return StageArgument(arg1, in);
    if (op == D3DTOP_SELECTARG2) return StageArgument(arg2, in);
    return StageOp(op, StageArgument(arg1, in), StageArgument(arg2, in), al);
}

REF_PIXEL_INLINE Color CombineStages(const DrawContext& ctx, const Fragment& f) {
    const Color diffuse = f.Diffuse();
    Color specular;  // zero unless something reads it
    if (ctx.needsSpecular) specular = f.Specular();
    Color current = diffuse;
    float du = 0, dv = 0;  // offsets from the previous bump stage
    const TextureStage* bump = nullptr;
    float luminance = 1;
    bool luminancePending = false;
    for (UINT s = 0; s < ctx.stageCount; ++s) {
        const TextureStage& st = ctx.stages[s];
        Color texture{0, 0, 0, 1};
        if (st.samples) {
            float u = f.U(s), v = f.V(s);
            if (bump) {
                u += bump->bumpMat[0][0] * du + bump->bumpMat[1][0] * dv;
                v += bump->bumpMat[0][1] * du + bump->bumpMat[1][1] * dv;
            }
            texture = SampleTexture(st, u, v, f.dudx[s], f.dvdx[s], f.dudy[s], f.dvdy[s]);
            if (luminancePending) {
                texture.r *= luminance;
                texture.g *= luminance;
                texture.b *= luminance;
            }
        }
        bump = nullptr;
        luminancePending = false;
        if (st.bumpOp) {
            // A texture that is not a bump format gives no offset.
            du = st.bumpTexture ? texture.r : 0.0f;
            dv = st.bumpTexture ? texture.g : 0.0f;
            bump = &st;
            if (st.colorOp == D3DTOP_BUMPENVMAPLUMINANCE) {
                luminance = Saturate((st.bumpTexture ? texture.b : 1.0f) * st.lumScale + st.lumOffset);
                luminancePending = true;
            }
            continue;  // the current colour passes through
        }
        const StageInputs in{&diffuse, &specular, &current, &texture, &ctx.textureFactor};
        const BlendAlphas al{diffuse.a, texture.a, ctx.textureFactor.a, current.a};
        const Color color = StageResult(st.colorOp, st.colorArg1, st.colorArg2, in, al);
        float alpha = current.a;
        if (st.alphaOn) {
            if (st.alphaOp == D3DTOP_SELECTARG1 || st.alphaOp == D3DTOP_SELECTARG2 || st.alphaOp == D3DTOP_DOTPRODUCT3) {
                alpha = StageResult(st.alphaOp, st.alphaArg1, st.alphaArg2, in, al).a;
            } else {
                const float a1 = StageArgument(st.alphaArg1, in).a, a2 = StageArgument(st.alphaArg2, in).a;
                alpha = StageOpChannel(st.alphaOp, a1, a2, a1, al);
            }
        }
        current = {color.r, color.g, color.b, alpha};
    }
    if (ctx.specularAdd) {
        current.r = Saturate(current.r + specular.r);
        current.g = Saturate(current.g + specular.g);
        current.b = Saturate(current.b + specular.b);
    }
    return current;
}

}  // namespace d3d8::ref
