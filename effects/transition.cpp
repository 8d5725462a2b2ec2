#include "effects/transition.h"

#include "app/safe_release.h"
#include "effects/packed_colour.h"

namespace {

// Position, packed ARGB colour, texture coordinates: 24 bytes.
struct QuadVertex {
    float x, y, z;
    DWORD colour;
    float tu, tv;
};
static_assert(sizeof(QuadVertex) == 24, "the quad vertex is 24 bytes");

constexpr DWORD kQuadFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x142
constexpr UINT kQuadVertices = 6;
constexpr UINT kQuadBytes = kQuadVertices * sizeof(QuadVertex);  // 144
constexpr const char* kQuadError = "Error creating vertex buffer!";

// The square of side 2 at z = 0, two triangles, colour 0. Throws kQuadError on failure.
IDirect3DVertexBuffer8* CreateQuad(IDirect3DDevice8* pDevice) {
    IDirect3DVertexBuffer8* pQuad = nullptr;
    if (!pDevice || FAILED(pDevice->CreateVertexBuffer(kQuadBytes, 0, kQuadFVF, D3DPOOL_MANAGED, &pQuad)) || !pQuad)
        throw kQuadError;
    QuadVertex* v = nullptr;
    if (FAILED(pQuad->Lock(0, kQuadBytes, reinterpret_cast<BYTE**>(&v), 0)) || !v) {
        pQuad->Release();  // a quad with undefined corners is no quad
        throw kQuadError;
    }
    v[0] = {-1.0f, 1.0f, 0.0f, 0, 0.0f, 0.0f};
    v[1] = {1.0f, 1.0f, 0.0f, 0, 1.0f, 0.0f};
    v[2] = {1.0f, -1.0f, 0.0f, 0, 1.0f, 1.0f};
    v[3] = {-1.0f, 1.0f, 0.0f, 0, 0.0f, 0.0f};
    v[4] = {1.0f, -1.0f, 0.0f, 0, 1.0f, 1.0f};
    v[5] = {-1.0f, -1.0f, 0.0f, 0, 0.0f, 1.0f};
    pQuad->Unlock();
    return pQuad;
}

// Writes the colour into all six vertices; a failed lock keeps the previous colours.
void SetQuadColour(IDirect3DVertexBuffer8* pQuad, const D3DXCOLOR& colour) {
    QuadVertex* v = nullptr;
    if (FAILED(pQuad->Lock(0, kQuadBytes, reinterpret_cast<BYTE**>(&v), 0)) || !v) return;
    const D3DCOLOR packed = effects::PackColour(colour);
    for (UINT i = 0; i < kQuadVertices; ++i) v[i].colour = packed;
    pQuad->Unlock();
}

void DrawQuad(IDirect3DDevice8* pDevice, IDirect3DVertexBuffer8* pQuad) {
    pDevice->SetStreamSource(0, pQuad, sizeof(QuadVertex));
    pDevice->SetVertexShader(kQuadFVF);
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
}

// The first pass: the picture, colour straight from the texture.
void DrawPicture(IDirect3DDevice8* pDevice, IDirect3DVertexBuffer8* pQuad, IDirect3DTexture8* pTexture,
                 BOOL alphaBlend) {
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, alphaBlend);
    pDevice->SetTexture(0, pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    DrawQuad(pDevice, pQuad);
}

void SetOverBlend(IDirect3DDevice8* pDevice) {
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

// elapsed / duration, held at 1 once the duration has passed, times the scale (the fade
// colour's alpha): the overlay rises to the scale and stays there.
float Strength(float elapsed, float duration, float scale) {
    const float s = elapsed / duration;
    return (s > 1.0f ? 1.0f : s) * scale;
}

}  // namespace

// ---- Dissolve --------------------------------------------------------------------------

CDissolveTransition::CDissolveTransition(IDirect3DDevice8* pDevice, IDirect3DTexture8* pFromTexture,
                                         IDirect3DTexture8* pToTexture)
    : m_pDevice(pDevice),
      m_pFromTexture(pFromTexture),
      m_fElapsed(0.0f),
      m_pQuad(CreateQuad(pDevice)),
      m_pToTexture(pToTexture) {}

CDissolveTransition::~CDissolveTransition() { SafeRelease(m_pQuad); }

void CDissolveTransition::Update(float seconds) { m_fElapsed += seconds; }

void CDissolveTransition::Render(D3DXMATRIX) {
    // The alpha argument of stage 0 is left as it is for the first pass.
    DrawPicture(m_pDevice, m_pQuad, m_pFromTexture, TRUE);
    if (m_fElapsed <= 0.0f) return;

    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    SetQuadColour(m_pQuad, D3DXCOLOR(0.0f, 0.0f, 0.0f, Strength(m_fElapsed, m_fDuration, 1.0f)));
    m_pDevice->SetTexture(0, m_pToTexture);
    SetOverBlend(m_pDevice);
    DrawQuad(m_pDevice, m_pQuad);
    // Alpha blending stays on.
}

// ---- Solid fade ------------------------------------------------------------------------

CSolidFadeTransition::CSolidFadeTransition(IDirect3DDevice8* pDevice, IDirect3DTexture8* pTexture, D3DXCOLOR colour)
    : m_pDevice(pDevice),
      m_pFromTexture(pTexture),
      m_fElapsed(0.0f),
      m_pQuad(CreateQuad(pDevice)),
      m_colour(colour) {}

CSolidFadeTransition::~CSolidFadeTransition() { SafeRelease(m_pQuad); }

void CSolidFadeTransition::Update(float seconds) { m_fElapsed += seconds; }

void CSolidFadeTransition::Render(D3DXMATRIX) {
    DrawPicture(m_pDevice, m_pQuad, m_pFromTexture, FALSE);
    if (m_fElapsed <= 0.0f) return;

    // Colour and alpha from the vertices: the texture no longer shows.
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    SetQuadColour(m_pQuad,
                  D3DXCOLOR(m_colour.r, m_colour.g, m_colour.b, Strength(m_fElapsed, m_fDuration, m_colour.a)));
    SetOverBlend(m_pDevice);
    DrawQuad(m_pDevice, m_pQuad);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
