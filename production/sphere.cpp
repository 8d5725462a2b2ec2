#include "production/sphere.h"

#include <cmath>

namespace sphere {
namespace {

// Sphere-map coordinate of a normal: transformed with translation, scaled by 1.37 over the
// length of the four-component result.
void SetEnvironmentCoordinates(TwoTextureVertex& vertex, const D3DXMATRIX& worldView) {
    D3DXVECTOR4 q;
    D3DXVec3Transform(&q, &vertex.normal, &worldView);
    const float k = 1.37f / D3DXVec4Length(&q);
    vertex.u1 = 0.5f + k * q.x;
    vertex.v1 = 0.5f - k * q.y;
}

TwoTextureVertex RingVertex(float radius, float height, float phi, float u2, float v2,
                            const D3DXMATRIX& worldView) {
    TwoTextureVertex vertex;
    vertex.position = D3DXVECTOR3(radius * std::sin(phi), height, radius * std::cos(phi));
    vertex.normal = vertex.position;
    vertex.u2 = u2;
    vertex.v2 = v2;
    SetEnvironmentCoordinates(vertex, worldView);
    return vertex;
}

}  // namespace

void Fill(Tessellation t, float morphPhase, const D3DXMATRIX& worldView, TwoTextureVertex* out) {
    const float dTheta = D3DX_PI / t.rings;
    const float dPhi = 2.0f * D3DX_PI / t.segments;
    const float s = std::sin(morphPhase);
    for (UINT i = 0; i < t.rings; ++i) {
        const float ra = std::sin(s * (i * dTheta));
        const float rb = std::sin(s + (i + 1) * dTheta);
        const float ya = std::cos(s + i * dTheta);
        const float yb = std::cos(s * ((i + 1) * dTheta));
        for (UINT j = 0; j <= t.segments; ++j) {
            const float phi = j * dPhi;
            const float u2 = -static_cast<float>(j) / t.segments;
            *out++ = RingVertex(ra, ya, phi, u2, static_cast<float>(i) / t.rings, worldView);
            *out++ = RingVertex(rb, yb, phi, u2, static_cast<float>(i + 1) / t.rings, worldView);
        }
    }
}

}  // namespace sphere
