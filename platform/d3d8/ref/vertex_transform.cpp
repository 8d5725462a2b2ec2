#include "platform/d3d8/ref/vertex_transform.h"

#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/lighting.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d8::ref {

namespace {

float ReadFloat(const BYTE* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

Color ReadColor(const BYTE* p) {
    DWORD c;
    std::memcpy(&c, p, 4);
    return ColorFromArgb(c);
}

void Normalize3(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0)
        for (int i = 0; i < 3; ++i) v[i] /= len;
}

// Texture coordinates of one stage: the source vector (missing components expanded so that
// the component after the last given one is 1: (u, v) -> (u, v, 1, 0), (x, y, z) -> (x, y, z, 1)),
// then the texture transform when enabled.
void StageCoordinates(const DrawContext& ctx, const TextureStage& st, const BYTE* vertex, const float eyePos[3],
                      const float eyeNormal[3], float out[2]) {
    float in[4] = {0, 0, 0, 0};
    switch (st.coordGen) {
    case D3DTSS_TCI_CAMERASPACENORMAL: {
        float n[3] = {eyeNormal[0], eyeNormal[1], eyeNormal[2]};
        Normalize3(n);
        in[0] = n[0], in[1] = n[1], in[2] = n[2], in[3] = 1;
        break;
    }
    case D3DTSS_TCI_CAMERASPACEPOSITION:
        in[0] = eyePos[0], in[1] = eyePos[1], in[2] = eyePos[2], in[3] = 1;
        break;
    case D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR: {
        float i[3] = {eyePos[0], eyePos[1], eyePos[2]};
        float n[3] = {eyeNormal[0], eyeNormal[1], eyeNormal[2]};
        Normalize3(i);
        Normalize3(n);
        const float d = 2 * (i[0] * n[0] + i[1] * n[1] + i[2] * n[2]);
        in[0] = i[0] - d * n[0], in[1] = i[1] - d * n[1], in[2] = i[2] - d * n[2], in[3] = 1;
        break;
    }
    default: {
        const FvfLayout& l = ctx.layout;
        if (st.coordIndex < l.texCoordCount) {
            const int n = static_cast<int>(l.texCoordDims[st.coordIndex]);
            for (int c = 0; c < n; ++c) in[c] = ReadFloat(vertex + l.texCoord[st.coordIndex] + 4 * c);
            if (n < 4) in[n] = 1;
        }
        break;
    }
    }
    if ((st.transformFlags & 0xff) != D3DTTFF_DISABLE) {
        const float(*m)[4] = st.transform.m;
        out[0] = in[0] * m[0][0] + in[1] * m[1][0] + in[2] * m[2][0] + in[3] * m[3][0];
        out[1] = in[0] * m[0][1] + in[1] * m[1][1] + in[2] * m[2][1] + in[3] * m[3][1];
    } else {
        out[0] = in[0];
        out[1] = in[1];
    }
}

}  // namespace

void ProcessVertex(const DrawContext& ctx, const BYTE* vertex, ClipVertex& out) {
    const FvfLayout& l = ctx.layout;
    const float x = ReadFloat(vertex), y = ReadFloat(vertex + 4), z = ReadFloat(vertex + 8);

    const Color white{1, 1, 1, 1};
    Color diffuse = l.diffuse >= 0 ? ReadColor(vertex + l.diffuse) : white;
    Color specular = l.specular >= 0 ? ReadColor(vertex + l.specular) : Color{};
    float size = l.pointSize >= 0 ? ReadFloat(vertex + l.pointSize) : ctx.pointSize;

    float eyePos[3] = {0, 0, 0};
    float eyeNormal[3] = {0, 0, 1};
    if (l.transformed) {
        // Screen position, device depth and 1/w as given; the projection stage uses them as is.
        out.pos[0] = x;
        out.pos[1] = y;
        out.pos[2] = z;
        out.pos[3] = ReadFloat(vertex + 12);
    } else {
        const float(*wv)[4] = ctx.worldView.m;
        const float(*m)[4] = ctx.worldViewProj.m;
        for (int c = 0; c < 3; ++c) eyePos[c] = x * wv[0][c] + y * wv[1][c] + z * wv[2][c] + wv[3][c];
        for (int c = 0; c < 4; ++c) out.pos[c] = x * m[0][c] + y * m[1][c] + z * m[2][c] + m[3][c];
        if (l.normal >= 0) {
            const float n[3] = {ReadFloat(vertex + l.normal), ReadFloat(vertex + l.normal + 4),
                                ReadFloat(vertex + l.normal + 8)};
            const float(*nm)[3] = ctx.normalMatrix;
            for (int c = 0; c < 3; ++c) eyeNormal[c] = n[0] * nm[c][0] + n[1] * nm[c][1] + n[2] * nm[c][2];
            if (ctx.normalize) Normalize3(eyeNormal);
        }
        if (ctx.lighting) {
            const Color vd = diffuse, vs = specular;
            diffuse = LightVertex(ctx, eyePos, eyeNormal, l.diffuse >= 0 ? &vd : nullptr,
                                  l.specular >= 0 ? &vs : nullptr);
            if (l.specular < 0) specular = Color{};
        }
        if (ctx.pointScale) {
            // Distance attenuation on the full eye-space distance, scaled to the viewport height.
            const float d = std::sqrt(eyePos[0] * eyePos[0] + eyePos[1] * eyePos[1] + eyePos[2] * eyePos[2]);
            const float k = ctx.pointScaleA + ctx.pointScaleB * d + ctx.pointScaleC * d * d;
            size = k > 0 ? ctx.vpH * size * std::sqrt(1.0f / k) : ctx.pointSizeMax;
        }
    }
    out.pointSize = std::clamp(size, ctx.pointSizeMin, std::max(ctx.pointSizeMin, ctx.pointSizeMax));

    float* a = out.attr;
    a[kAttrDiffuse + 0] = diffuse.r;
    a[kAttrDiffuse + 1] = diffuse.g;
    a[kAttrDiffuse + 2] = diffuse.b;
    a[kAttrDiffuse + 3] = diffuse.a;
    a[kAttrSpecular + 0] = specular.r;
    a[kAttrSpecular + 1] = specular.g;
    a[kAttrSpecular + 2] = specular.b;
    a[kAttrSpecular + 3] = specular.a;
    a[kAttrFog] = 1;
    if (ctx.fog == FogSource::Vertex) {
        a[kAttrFog] = ctx.fogMode != D3DFOG_NONE
                          ? FogFactor(ctx.fogMode, std::fabs(eyePos[2]), ctx.fogStart, ctx.fogEnd, ctx.fogDensity)
                          : specular.a;
    }
    for (UINT s = 0; s < ctx.stageCount; ++s)
        StageCoordinates(ctx, ctx.stages[s], vertex, eyePos, eyeNormal, a + kAttrTex0 + 2 * s);
}

}  // namespace d3d8::ref
