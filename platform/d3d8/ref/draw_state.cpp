#include "platform/d3d8/ref/draw_state.h"

#include "platform/d3d8/ref/simple_shading.h"

#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/pixel_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d8::ref {

namespace {

Matrix4 ToMatrix4(const D3DMATRIX& m) {
    Matrix4 out;
    std::memcpy(out.m, m.m, sizeof out.m);
    return out;
}

Color ColorFromValue(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

void Normalize3(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0) {
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
    }
}

void PrepareLights(const PipelineState& s, const Matrix4& view, DrawContext& ctx) {
    ctx.lightCount = std::min<UINT>(s.lightCount, kMaxActiveLights);
    for (UINT i = 0; i < ctx.lightCount; ++i) {
        const D3DLIGHT8& in = s.lights[i];
        LightSetup& l = ctx.lights[i];
        l.type = in.Type;
        l.diffuse = ColorFromValue(in.Diffuse);
        l.ambient = ColorFromValue(in.Ambient);
        const float p[3] = {in.Position.x, in.Position.y, in.Position.z};
        const float d[3] = {in.Direction.x, in.Direction.y, in.Direction.z};
        for (int c = 0; c < 3; ++c) {
            l.position[c] = p[0] * view.m[0][c] + p[1] * view.m[1][c] + p[2] * view.m[2][c] + view.m[3][c];
            l.direction[c] = d[0] * view.m[0][c] + d[1] * view.m[1][c] + d[2] * view.m[2][c];
        }
        Normalize3(l.direction);
        l.range = in.Range;
        l.att0 = in.Attenuation0;
        l.att1 = in.Attenuation1;
        l.att2 = in.Attenuation2;
        l.cosHalfTheta = std::cos(in.Theta * 0.5f);
        l.cosHalfPhi = std::cos(in.Phi * 0.5f);
        l.falloff = in.Falloff;
    }
}

void PrepareStages(const PipelineState& s, DrawContext& ctx) {
    ctx.stageCount = 0;
    const UINT stages = CascadeLength(s);
    for (UINT i = 0; i < stages; ++i) {
        const DWORD* ss = s.stageStates[i];
        TextureStage& t = ctx.stages[i];
        t.colorOp = ss[D3DTSS_COLOROP];
        t.colorArg1 = ss[D3DTSS_COLORARG1];
        t.colorArg2 = ss[D3DTSS_COLORARG2];
        t.alphaOp = ss[D3DTSS_ALPHAOP];
        t.alphaArg1 = ss[D3DTSS_ALPHAARG1];
        t.alphaArg2 = ss[D3DTSS_ALPHAARG2];
        t.texture = s.textures[i];
        if (t.texture && (t.texture->levelCount == 0 || !t.texture->levels)) t.texture = nullptr;
        if (t.texture)  // every level must have pixels and a size; otherwise it reads as unbound
            for (UINT l = 0; l < t.texture->levelCount; ++l) {
                const SurfaceData& lv = t.texture->levels[l];
                if (!lv.bits || lv.width == 0 || lv.height == 0) t.texture = nullptr;
                if (!t.texture) break;
            }
        t.bumpTexture = t.texture && IsBumpFormat(t.texture->format);
        t.magFilter = ss[D3DTSS_MAGFILTER];
        t.minFilter = ss[D3DTSS_MINFILTER];
        t.mipFilter = ss[D3DTSS_MIPFILTER];
        t.addressU = ss[D3DTSS_ADDRESSU];
        t.addressV = ss[D3DTSS_ADDRESSV];
        t.border = ColorFromArgb(ss[D3DTSS_BORDERCOLOR]);
        t.lodBias = FloatFromBits(ss[D3DTSS_MIPMAPLODBIAS]);
        t.maxMipLevel = ss[D3DTSS_MAXMIPLEVEL];
        t.bumpMat[0][0] = FloatFromBits(ss[D3DTSS_BUMPENVMAT00]);
        t.bumpMat[0][1] = FloatFromBits(ss[D3DTSS_BUMPENVMAT01]);
        t.bumpMat[1][0] = FloatFromBits(ss[D3DTSS_BUMPENVMAT10]);
        t.bumpMat[1][1] = FloatFromBits(ss[D3DTSS_BUMPENVMAT11]);
        t.lumScale = FloatFromBits(ss[D3DTSS_BUMPENVLSCALE]);
        t.lumOffset = FloatFromBits(ss[D3DTSS_BUMPENVLOFFSET]);
        t.coordIndex = ss[D3DTSS_TEXCOORDINDEX] & 0xffff;
        t.coordGen = ss[D3DTSS_TEXCOORDINDEX] & 0xffff0000u;
        t.transformFlags = ss[D3DTSS_TEXTURETRANSFORMFLAGS];
        t.transform = ToMatrix4(s.textureTransforms[i]);
        t.bumpOp = t.colorOp == D3DTOP_BUMPENVMAP || t.colorOp == D3DTOP_BUMPENVMAPLUMINANCE;
        t.alphaOn = t.alphaOp != D3DTOP_DISABLE && t.alphaOp != 0;
        auto readsTexture = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
        t.samples = t.bumpOp || readsTexture(t.colorArg1) || readsTexture(t.colorArg2) ||
                    (t.alphaOn && (readsTexture(t.alphaArg1) || readsTexture(t.alphaArg2))) ||
                    t.colorOp == D3DTOP_BLENDTEXTUREALPHA || t.colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
                    (t.alphaOn && (t.alphaOp == D3DTOP_BLENDTEXTUREALPHA || t.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM));
        // The footprint matters only when it can change the level or the filter.
        t.needsDerivatives = t.samples && t.texture &&
                             ((t.texture->levelCount > 1 && (t.mipFilter == D3DTEXF_POINT || t.mipFilter == D3DTEXF_LINEAR)) ||
                              t.minFilter != t.magFilter);
        ++ctx.stageCount;
    }
    ctx.attrCount = kAttrTex0 + 2 * static_cast<int>(ctx.stageCount);
}

BlendKind ClassifyBlend(const DrawContext& ctx) {
    if (ctx.colorWriteMask != 0xf) return BlendKind::General;
    if (!ctx.blend) return BlendKind::Replace;
    if (ctx.blendOp != D3DBLENDOP_ADD) return BlendKind::General;
    if (ctx.srcBlend == D3DBLEND_ONE && ctx.destBlend == D3DBLEND_ONE) return BlendKind::AddOne;
    if (ctx.srcBlend == D3DBLEND_SRCALPHA && ctx.destBlend == D3DBLEND_ONE) return BlendKind::AddSrcAlpha;
    if (ctx.srcBlend == D3DBLEND_SRCALPHA && ctx.destBlend == D3DBLEND_INVSRCALPHA) return BlendKind::SrcAlphaOver;
    return BlendKind::General;
}

}  // namespace

void PrepareDrawContext(const PipelineState& s, const RenderTargets& targets, DrawContext& ctx) {
    const DWORD* rs = s.renderStates;
    ctx.layout = DecodeFvf(s.fvf);

    const Matrix4 view = ToMatrix4(s.view);
    const EyeTransform eye = ComputeEyeTransform(s);
    ctx.worldView = ToMatrix4(eye.worldView);
    ctx.worldViewProj = ToMatrix4(MultiplyMatrices(eye.worldView, s.projection));
    std::memcpy(ctx.normalMatrix, eye.normal, sizeof ctx.normalMatrix);
    ctx.normalize = eye.normalize;
    ctx.projectionIsPerspective = IsPerspectiveProjection(s.projection);

    ctx.lighting = rs[D3DRS_LIGHTING] != 0 && !ctx.layout.transformed;
    ctx.globalAmbient = ColorFromArgb(rs[D3DRS_AMBIENT]);
    ctx.materialDiffuse = ColorFromValue(s.material.Diffuse);
    ctx.materialAmbient = ColorFromValue(s.material.Ambient);
    ctx.materialEmissive = ColorFromValue(s.material.Emissive);
    ctx.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
    ctx.diffuseSource = rs[D3DRS_DIFFUSEMATERIALSOURCE];
    ctx.ambientSource = rs[D3DRS_AMBIENTMATERIALSOURCE];
    ctx.emissiveSource = rs[D3DRS_EMISSIVEMATERIALSOURCE];
    if (ctx.lighting) PrepareLights(s, view, ctx);

    // Viewport, limited to the colour target.
    const D3DVIEWPORT8& vp = s.viewport;
    ctx.vpX = static_cast<float>(vp.X);
    ctx.vpY = static_cast<float>(vp.Y);
    ctx.vpW = static_cast<float>(vp.Width);
    ctx.vpH = static_cast<float>(vp.Height);
    ctx.vpMinZ = vp.MinZ;
    ctx.vpMaxZ = vp.MaxZ;
    const long long tw = targets.color ? targets.color->width : 0;
    const long long th = targets.color ? targets.color->height : 0;
    ctx.clipLeft = static_cast<int>(std::min<long long>(vp.X, tw));
    ctx.clipTop = static_cast<int>(std::min<long long>(vp.Y, th));
    ctx.clipRight = static_cast<int>(std::min<long long>(static_cast<long long>(vp.X) + vp.Width, tw));
    ctx.clipBottom = static_cast<int>(std::min<long long>(static_cast<long long>(vp.Y) + vp.Height, th));
    if (targets.depth) {
        ctx.clipRight = std::min<int>(ctx.clipRight, static_cast<int>(targets.depth->width));
        ctx.clipBottom = std::min<int>(ctx.clipBottom, static_cast<int>(targets.depth->height));
    }

    ctx.cullMode = rs[D3DRS_CULLMODE];
    ctx.fillMode = rs[D3DRS_FILLMODE];
    ctx.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;

    ctx.pointSprite = rs[D3DRS_POINTSPRITEENABLE] != 0;
    ctx.pointScale = rs[D3DRS_POINTSCALEENABLE] != 0;
    ctx.pointSize = FloatFromBits(rs[D3DRS_POINTSIZE]);
    ctx.pointSizeMin = FloatFromBits(rs[D3DRS_POINTSIZE_MIN]);
    ctx.pointSizeMax = FloatFromBits(rs[D3DRS_POINTSIZE_MAX]);
    ctx.pointScaleA = FloatFromBits(rs[D3DRS_POINTSCALE_A]);
    ctx.pointScaleB = FloatFromBits(rs[D3DRS_POINTSCALE_B]);
    ctx.pointScaleC = FloatFromBits(rs[D3DRS_POINTSCALE_C]);

    PrepareStages(s, ctx);
    ctx.textureFactor = ColorFromArgb(rs[D3DRS_TEXTUREFACTOR]);
    ctx.specularAdd = rs[D3DRS_SPECULARENABLE] != 0 && ctx.layout.specular >= 0;

    const FogChoice fog = ChooseFog(rs, ctx.layout, s.projection);
    ctx.fog = fog.source;
    ctx.fogMode = fog.mode;
    ctx.fogFromW = fog.fromW;
    ctx.fogColor = ColorFromArgb(rs[D3DRS_FOGCOLOR]);
    ctx.fogStart = FloatFromBits(rs[D3DRS_FOGSTART]);
    ctx.fogEnd = FloatFromBits(rs[D3DRS_FOGEND]);
    ctx.fogDensity = FloatFromBits(rs[D3DRS_FOGDENSITY]);

    ctx.alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    ctx.alphaFunc = rs[D3DRS_ALPHAFUNC];
    ctx.alphaRef = rs[D3DRS_ALPHAREF] & 0xff;
    ctx.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && targets.depth != nullptr;
    ctx.depthWrite = ctx.depthTest && rs[D3DRS_ZWRITEENABLE] != 0;
    ctx.depthFunc = rs[D3DRS_ZFUNC];
    ctx.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    const BlendFactors factors = ResolveBlendFactors(rs);
    ctx.srcBlend = factors.src;
    ctx.destBlend = factors.dst;
    ctx.blendOp = rs[D3DRS_BLENDOP] ? rs[D3DRS_BLENDOP] : D3DBLENDOP_ADD;
    ctx.colorWriteMask = rs[D3DRS_COLORWRITEENABLE] & 0xf;
    ctx.blendKind = ClassifyBlend(ctx);

    bool readsSpecular = ctx.specularAdd;
    for (UINT i = 0; i < ctx.stageCount; ++i) {
        const TextureStage& t = ctx.stages[i];
        for (DWORD arg : {t.colorArg1, t.colorArg2, t.alphaArg1, t.alphaArg2})
            readsSpecular |= (arg & D3DTA_SELECTMASK) == D3DTA_SPECULAR;
    }
    ctx.needsSpecular = readsSpecular;
    ctx.interpolatedCount = 0;
    auto use = [&ctx](int first, int count) {
        for (int i = first; i < first + count; ++i) ctx.interpolated[ctx.interpolatedCount++] = i;
    };
    if (!ctx.flatShading) {
        use(kAttrDiffuse, 4);
        if (readsSpecular) use(kAttrSpecular, 4);
    }
    if (ctx.fog == FogSource::Vertex) use(kAttrFog, 1);
    for (UINT i = 0; i < ctx.stageCount; ++i)
        if (ctx.stages[i].samples) use(kAttrTex0 + 2 * static_cast<int>(i), 2);
    ctx.simple = ClassifySimpleShading(ctx);
}

}  // namespace d3d8::ref
