#include "effects/lens_flare.h"

#include <algorithm>
#include <cmath>

#include "app/safe_release.h"
#include "effects/packed_colour.h"
#include "render/transformed_vertex.h"

namespace {

constexpr UINT kVerticesPerSpot = 6;
constexpr UINT kBytesPerSpot = kVerticesPerSpot * sizeof(TransformedVertex);  // 168

TransformedVertex MakeVertex(int x, int y, DWORD colour, float tu, float tv) {
    return TransformedVertex{static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, colour, tu, tv};
}

}  // namespace

CLensFlare::CLensFlare()
    : m_intensity{0.0f, 1.0f}, m_fFadeRadius(300.0f), m_pVB(nullptr), m_nVBSpots(0), m_pDevice(nullptr) {}

CLensFlare::~CLensFlare() { ReleaseDeviceObjects(); }

HRESULT CLensFlare::RecreateVertexBuffer() {
    SafeRelease(m_pVB);
    if (m_nVBSpots == 0) return S_OK;
    if (!m_pDevice) return E_FAIL;
    return m_pDevice->CreateVertexBuffer(static_cast<UINT>(m_nVBSpots) * kBytesPerSpot, 0,
                                         kTransformedVertexFVF, D3DPOOL_MANAGED, &m_pVB);
}

HRESULT CLensFlare::RebuildDeviceObjects(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    // Room for at least one spot, and for every spot already added.
    m_nVBSpots = std::max(1, static_cast<int>(m_spots.size()));
    return RecreateVertexBuffer();
}

IDirect3DTexture8* CLensFlare::AddTexture(const char* fileName) {
    if (!m_pDevice || !fileName) return nullptr;
    IDirect3DTexture8* pTexture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileA(m_pDevice, fileName, &pTexture)) || !pTexture) return nullptr;
    m_textures.push_back(pTexture);
    return pTexture;
}

HRESULT CLensFlare::AddSpot(const CLensFlareSpot& spot) {
    m_spots.push_back(spot);
    m_nVBSpots = static_cast<int>(m_spots.size());
    return RecreateVertexBuffer();
}

HRESULT CLensFlare::ReleaseDeviceObjects() {
    for (IDirect3DTexture8*& texture : m_textures) SafeRelease(texture);
    m_textures.clear();
    m_spots.clear();
    m_nVBSpots = 0;
    return RecreateVertexBuffer();
}

HRESULT CLensFlare::Render(int lightX, int lightY, int width, int height, bool onlyFirst) {
    if (!m_pVB || !m_pDevice) return E_FAIL;

    // How far the light lies outside the screen, in pixels, at most the fade radius.
    int dx = 0, dy = 0;
    if (lightX < 0) dx = -lightX;
    if (lightX > width) dx = lightX - width;
    if (lightY < 0) dy = -lightY;
    if (lightY > height) dy = lightY - height;
    const float distance = std::min(static_cast<float>(std::max(dx, dy)), m_fFadeRadius);
    const float fade = m_fFadeRadius > 0.0f ? 1.0f - distance / m_fFadeRadius : (distance > 0.0f ? 0.0f : 1.0f);
    const float intensity = m_intensity.min + std::fabs(m_intensity.max - m_intensity.min) * fade;

    // The axis runs from the light through the centre.
    const int cx = width / 2, cy = height / 2;
    const int vx = cx - lightX, vy = cy - lightY;

    TransformedVertex* v = nullptr;
    const HRESULT hr = m_pVB->Lock(0, 0, reinterpret_cast<BYTE**>(&v), 0);
    if (FAILED(hr)) return hr;
    if (!v) return E_FAIL;

    const size_t spots = std::min(m_spots.size(), static_cast<size_t>(std::max(m_nVBSpots, 0)));
    for (size_t i = 0; i < spots; ++i) {
        const CLensFlareSpot& spot = m_spots[i];
        const int px = static_cast<int>(cx - spot.m_fPosition * vx);
        const int py = static_cast<int>(cy - spot.m_fPosition * vy);
        const int s = static_cast<int>(spot.m_fSize * width / 2);
        D3DXCOLOR colour = spot.m_colour;
        colour.a = std::clamp(colour.a * intensity, 0.0f, 1.0f);
        if (onlyFirst && i > 0) colour.a = 0.0f;
        const DWORD packed = effects::PackColour(colour);
        *v++ = MakeVertex(px - s, py - s, packed, 0.0f, 0.0f);
        *v++ = MakeVertex(px + s, py - s, packed, 1.0f, 0.0f);
        *v++ = MakeVertex(px + s, py + s, packed, 1.0f, 1.0f);
        *v++ = MakeVertex(px - s, py - s, packed, 0.0f, 0.0f);
        *v++ = MakeVertex(px + s, py + s, packed, 1.0f, 1.0f);
        *v++ = MakeVertex(px - s, py + s, packed, 0.0f, 1.0f);
    }
    m_pVB->Unlock();

    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetStreamSource(0, m_pVB, sizeof(TransformedVertex));
    m_pDevice->SetVertexShader(kTransformedVertexFVF);

    for (size_t i = 0; i < spots; ++i) {
        m_pDevice->SetTexture(0, m_spots[i].m_pTexture);
        m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(kVerticesPerSpot * i), 2);
    }
    return S_OK;
}
