#include "platform/d3d8/gl/uniforms.h"

#include "platform/d3d8/fixed_function.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d8::gl {

namespace {

void StoreMatrix(const D3DMATRIX& m, Vec4* out) { std::memcpy(out, m.m, sizeof m.m); }

void Set(Vec4& v, float x, float y = 0, float z = 0, float w = 0) { v = {{x, y, z, w}}; }

void SetColor(Vec4& v, const D3DCOLORVALUE& c) { Set(v, c.r, c.g, c.b, c.a); }

void SetArgb(Vec4& v, D3DCOLOR c) {
    constexpr float k = 1.0f / 255.0f;
    Set(v, static_cast<float>((c >> 16) & 0xff) * k, static_cast<float>((c >> 8) & 0xff) * k,
        static_cast<float>(c & 0xff) * k, static_cast<float>(c >> 24) * k);
}

}  // namespace

void FillUniforms(const PipelineState& s, const ViewMapping& map, Vec4* u) {
    std::memset(u, 0, sizeof(Vec4) * kUniformCount);
    const DWORD* rs = s.renderStates;

    const EyeTransform eye = ComputeEyeTransform(s);
    StoreMatrix(MultiplyMatrices(eye.worldView, s.projection), u + kUWorldViewProj);
    StoreMatrix(eye.worldView, u + kUWorldView);
    for (int r = 0; r < 3; ++r) Set(u[kUNormalRows + r], eye.normal[r][0], eye.normal[r][1], eye.normal[r][2]);

    // Pixel p (centre on a whole number) lies at GL window coordinate p + 0.5. In NDC:
    // x_ndc = p_x * ax + bx; y_ndc = p_y * ay + by.
    const float ax = 2.0f / map.glWidth;
    const float bx = (0.5f - map.glX) * ax - 1.0f;
    const float ay = 2.0f / map.glHeight;
    const float by = (0.5f - map.glY) * ay - 1.0f;
    const D3DVIEWPORT8& vp = s.viewport;
    const float vpX = static_cast<float>(vp.X), vpY = static_cast<float>(vp.Y);
    const float vpW = static_cast<float>(vp.Width), vpH = static_cast<float>(vp.Height);
    // p_x = vpX + (1 + x/w) * vpW / 2 and p_y = vpY + (1 - y/w) * vpH / 2, times w.
    Set(u[kUPosMap], ax * 0.5f * vpW, -ay * 0.5f * vpH, ax * (vpX + 0.5f * vpW) + bx, ay * (vpY + 0.5f * vpH) + by);
    Set(u[kUPreMap], ax, ay, bx, by);
    if (map.depthZeroToOne)
        Set(u[kUDepthMap], 1.0f, 0.0f, ax, ay);
    else
        Set(u[kUDepthMap], 2.0f, -1.0f, ax, ay);  // GL NDC depth -1..1

    SetColor(u[kUMatDiffuse], s.material.Diffuse);
    SetColor(u[kUMatAmbient], s.material.Ambient);
    SetColor(u[kUMatEmissive], s.material.Emissive);
    SetArgb(u[kUGlobalAmbient], rs[D3DRS_AMBIENT]);

    const float minSize = FloatFromBits(rs[D3DRS_POINTSIZE_MIN]);
    Set(u[kUPoint], FloatFromBits(rs[D3DRS_POINTSIZE]), minSize, std::max(minSize, FloatFromBits(rs[D3DRS_POINTSIZE_MAX])), vpH);
    Set(u[kUPointScale], FloatFromBits(rs[D3DRS_POINTSCALE_A]), FloatFromBits(rs[D3DRS_POINTSCALE_B]),
        FloatFromBits(rs[D3DRS_POINTSCALE_C]));
    Set(u[kUFog], FloatFromBits(rs[D3DRS_FOGSTART]), FloatFromBits(rs[D3DRS_FOGEND]), FloatFromBits(rs[D3DRS_FOGDENSITY]),
        static_cast<float>(rs[D3DRS_ALPHAREF] & 0xff));
    SetArgb(u[kUFogColor], rs[D3DRS_FOGCOLOR]);
    SetArgb(u[kUTextureFactor], rs[D3DRS_TEXTUREFACTOR]);

    const UINT lights = std::min<UINT>(s.lightCount, kMaxActiveLights);
    const D3DMATRIX& v = s.view;
    for (UINT i = 0; i < lights; ++i) {
        const D3DLIGHT8& in = s.lights[i];
        Vec4* l = u + kULights + kULightSlots * static_cast<int>(i);
        const float p[3] = {in.Position.x, in.Position.y, in.Position.z};
        const float d[3] = {in.Direction.x, in.Direction.y, in.Direction.z};
        float ep[3], ed[3];
        for (int c = 0; c < 3; ++c) {
            ep[c] = p[0] * v.m[0][c] + p[1] * v.m[1][c] + p[2] * v.m[2][c] + v.m[3][c];
            ed[c] = d[0] * v.m[0][c] + d[1] * v.m[1][c] + d[2] * v.m[2][c];
        }
        const float len = std::sqrt(ed[0] * ed[0] + ed[1] * ed[1] + ed[2] * ed[2]);
        if (len > 0)
            for (float& c : ed) c /= len;
        Set(l[0], ep[0], ep[1], ep[2], 1);
        Set(l[1], ed[0], ed[1], ed[2], 0);
        SetColor(l[2], in.Diffuse);
        SetColor(l[3], in.Ambient);
        Set(l[4], in.Attenuation0, in.Attenuation1, in.Attenuation2, in.Range);
        Set(l[5], std::cos(in.Theta * 0.5f), std::cos(in.Phi * 0.5f), in.Falloff);
    }

    for (UINT st = 0; st < kMaxStages; ++st) {
        const DWORD* ss = s.stageStates[st];
        StoreMatrix(s.textureTransforms[st], u + kUTexTransforms + 4 * static_cast<int>(st));
        Set(u[kUBumpMatrix + static_cast<int>(st)], FloatFromBits(ss[D3DTSS_BUMPENVMAT00]), FloatFromBits(ss[D3DTSS_BUMPENVMAT01]),
            FloatFromBits(ss[D3DTSS_BUMPENVMAT10]), FloatFromBits(ss[D3DTSS_BUMPENVMAT11]));
        Set(u[kUBumpLuminance + static_cast<int>(st)], FloatFromBits(ss[D3DTSS_BUMPENVLSCALE]),
            FloatFromBits(ss[D3DTSS_BUMPENVLOFFSET]));
    }
}

}  // namespace d3d8::gl
