#include "platform/d3d8/ref/lighting.h"

#include <cmath>

namespace d3d8::ref {

namespace {

const Color& Source(DWORD source, const Color& material, const Color* diffuse, const Color* specular, bool colorVertex) {
    if (colorVertex) {
        if (source == D3DMCS_COLOR1 && diffuse) return *diffuse;
        if (source == D3DMCS_COLOR2 && specular) return *specular;
    }
    return material;
}

float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

Color LightVertex(const DrawContext& ctx, const float position[3], const float normal[3], const Color* vertexDiffuse,
                  const Color* vertexSpecular) {
    const Color& md = Source(ctx.diffuseSource, ctx.materialDiffuse, vertexDiffuse, vertexSpecular, ctx.colorVertex);
    const Color& ma = Source(ctx.ambientSource, ctx.materialAmbient, vertexDiffuse, vertexSpecular, ctx.colorVertex);
    const Color& me = Source(ctx.emissiveSource, ctx.materialEmissive, vertexDiffuse, vertexSpecular, ctx.colorVertex);

    float ambient[3] = {ctx.globalAmbient.r, ctx.globalAmbient.g, ctx.globalAmbient.b};
    float diffuse[3] = {0, 0, 0};
    for (UINT i = 0; i < ctx.lightCount; ++i) {
        const LightSetup& l = ctx.lights[i];
        float toLight[3];
        float factor = 1;  // attenuation x spot factor
        if (l.type == D3DLIGHT_DIRECTIONAL) {
            toLight[0] = -l.direction[0];
            toLight[1] = -l.direction[1];
            toLight[2] = -l.direction[2];
        } else {
            for (int c = 0; c < 3; ++c) toLight[c] = l.position[c] - position[c];
            const float dist = std::sqrt(Dot3(toLight, toLight));
            if (!(dist <= l.range)) continue;  // beyond the range (or NaN): no effect
            if (dist > 0)
                for (float& c : toLight) c /= dist;
            // All three attenuation factors zero (or a non-positive sum) would divide by zero;
            // such a light is taken as unattenuated.
            const float denom = l.att0 + l.att1 * dist + l.att2 * dist * dist;
            factor = denom > 0 ? 1.0f / denom : 1.0f;
            if (l.type == D3DLIGHT_SPOT) {
                const float rho = -Dot3(toLight, l.direction);
                if (rho <= l.cosHalfPhi) {
                    factor = 0;
                } else if (rho <= l.cosHalfTheta) {
                    const float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
                    factor *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
                }
            }
        }
        if (factor <= 0) continue;
        const float ndotl = Dot3(normal, toLight);
        if (ndotl > 0) {
            diffuse[0] += l.diffuse.r * ndotl * factor;
            diffuse[1] += l.diffuse.g * ndotl * factor;
            diffuse[2] += l.diffuse.b * ndotl * factor;
        }
        ambient[0] += l.ambient.r * factor;
        ambient[1] += l.ambient.g * factor;
        ambient[2] += l.ambient.b * factor;
    }
    return {Saturate(me.r + ma.r * ambient[0] + md.r * diffuse[0]),
            Saturate(me.g + ma.g * ambient[1] + md.g * diffuse[1]),
            Saturate(me.b + ma.b * ambient[2] + md.b * diffuse[2]), Saturate(md.a)};
}

}  // namespace d3d8::ref
