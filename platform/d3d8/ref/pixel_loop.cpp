#include "platform/d3d8/ref/pixel_loop.h"

#include "platform/d3d8/ref/lanes/lane_loops.h"

#include <algorithm>
#include <climits>

namespace d3d8::ref {

namespace {

bool IsArgb32(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

// The level as the lanes read it; false when its byte offsets do not fit in an int.
bool PrepareLevel(const SurfaceData& level, DWORD addressU, DWORD addressV, LaneLevel& l) {
    if (static_cast<long long>(level.pitch) * level.height > INT_MAX) return false;
    l.texels = level.bits;
    l.pitch = static_cast<int>(level.pitch);
    l.wide = level.width;
    l.high = level.height;
    l.addressU = addressU;
    l.addressV = addressV;
    l.opaque = level.format == D3DFMT_X8R8G8B8 ? 0xff000000u : 0u;
    l.r5g6b5 = level.format == D3DFMT_R5G6B5;
    return true;
}

// A colour level of a format the lanes read.
bool PrepareColorLevel(const SurfaceData& level, DWORD addressU, DWORD addressV, LaneLevel& l) {
    return (IsArgb32(level.format) || level.format == D3DFMT_R5G6B5) && PrepareLevel(level, addressU, addressV, l);
}

// A bump stage of signed bytes (V8U8, X8L8V8U8).
bool PrepareBump(const SimpleShading& s, LaneBump& b) {
    const TextureStage& st = *s.bump;
    const SurfaceData& l = *s.bumpLevel;
    if (l.format != D3DFMT_V8U8 && l.format != D3DFMT_X8L8V8U8) return false;
    if (!PrepareLevel(l, st.addressU, st.addressV, b.level)) return false;
    b.linear = st.magFilter >= D3DTEXF_LINEAR;
    b.luminanceByte = l.format == D3DFMT_X8L8V8U8;
    b.luminance = s.bumpLuminance;
    b.m00 = st.bumpMat[0][0];
    b.m01 = st.bumpMat[0][1];
    b.m10 = st.bumpMat[1][0];
    b.m11 = st.bumpMat[1][1];
    b.lumScale = st.lumScale;
    b.lumOffset = st.lumOffset;
    return true;
}

// The position of attribute `attr` among the draw's interpolated values, or -1.
int InterpolatedAt(const DrawContext& ctx, int attr) {
    const int* end = ctx.interpolated + ctx.interpolatedCount;
    const int* at = std::find(ctx.interpolated, end, attr);
    return at == end ? -1 : static_cast<int>(at - ctx.interpolated);
}

// False when the simple draw is not one the lane loops take.
bool PrepareLaneDraw(const DrawContext& ctx, const Target& t, LaneDraw& d) {
    const SimpleShading& s = ctx.simple;
    if (!IsArgb32(t.color->format) || ctx.interpolatedCount > kMaxLaneValues) return false;
    if (s.level && !PrepareColorLevel(*s.level, s.addressU, s.addressV, d.texture)) return false;
    if (s.base && !PrepareColorLevel(*s.baseLevel, s.base->addressU, s.base->addressV, d.base)) return false;
    if (s.bump && !PrepareBump(s, d.bump)) return false;
    const auto coordinatesAt = [&](UINT stage) { return InterpolatedAt(ctx, kAttrTex0 + 2 * static_cast<int>(stage)); };
    d.diffuseAt = InterpolatedAt(ctx, kAttrDiffuse);
    d.fogAt = InterpolatedAt(ctx, kAttrFog);
    if (s.level && (d.uAt = coordinatesAt(s.textureStage)) < 0) return false;
    if (s.base && (d.baseUAt = coordinatesAt(0)) < 0) return false;
    if (s.bump && (d.bumpUAt = coordinatesAt(s.textureStage - 1)) < 0) return false;
    const auto channel = [](bool read) { return read ? ~0u : 0u; };
    for (int k = 0; k < 3; ++k) {
        d.textureChannels[k] = channel(s.textureRgb);
        d.currentChannels[k] = channel(s.currentRgb);
    }
    d.textureChannels[3] = channel(s.textureAlpha);
    d.currentChannels[3] = channel(s.currentAlpha);
    d.fogColor[0] = ctx.fogColor.b;
    d.fogColor[1] = ctx.fogColor.g;
    d.fogColor[2] = ctx.fogColor.r;
    d.fogColor[3] = ctx.fogColor.a;
    d.fog = ctx.fog != FogSource::None;
    d.depthTest = ctx.depthTest;
    d.depthWrite = ctx.depthWrite;
    d.depthFunc = ctx.depthFunc;
    d.color = t.color->bits;
    d.colorPitch = t.color->pitch;
    d.colorOpaque = t.color->format == D3DFMT_X8R8G8B8 ? 0xff000000u : 0u;
    if (t.depth) {
        d.depth = t.depth->bits;
        d.depthPitch = t.depth->pitch;
    }
    d.addRgb = s.addRgb;
    const bool allFromTexture = s.textureRgb && s.textureAlpha;
    d.zeroTexelKeepsPixel = s.level && !d.texture.r5g6b5 && d.texture.opaque == 0 && allFromTexture && !s.addRgb &&
                            !d.fog && ctx.blendKind != BlendKind::Replace;
    return true;
}

}  // namespace

void ChoosePixelLoops(DrawContext& ctx, const Target& target) {
    ctx.loops = {};
    if (!ctx.simple.usable || ctx.blendKind == BlendKind::General) return;
    ctx.lanes = {};
    if (!PrepareLaneDraw(ctx, target, ctx.lanes)) return;
    const PixelLoop lanes = LaneLoopFor(ctx.instructions);
    ctx.loops.triangles = lanes;
    // Points that are not sprites shade their squares with the general loop.
    if (ctx.pointSprite) ctx.loops.points = lanes;
}

const char* PixelLoopName(PixelLoop loop) {
    switch (loop) {
    case PixelLoop::General: return "general";
    case PixelLoop::Lanes1: return "1 lane";
    case PixelLoop::Lanes4: return "4 lanes";
    case PixelLoop::Lanes8: return "8 lanes";
    case PixelLoop::Lanes16: return "16 lanes";
    }
    return "?";
}

PixelLoop LaneLoopFor(PixelInstructions instructions) {
    switch (instructions) {
    case PixelInstructions::Scalar: return PixelLoop::Lanes1;
#if REF_LANES8
    case PixelInstructions::Avx2: return PixelLoop::Lanes8;
#endif
#if REF_LANES16
    case PixelInstructions::Avx512: return PixelLoop::Lanes16;
#endif
    default:
#if REF_LANES4
        return PixelLoop::Lanes4;
#else
        return PixelLoop::Lanes1;
#endif
    }
}

}  // namespace d3d8::ref
