// Scene 7 (87.4 to 113 s and 178.5 to 190 s): a lit box and an environment-mapped figure seen
// by a wandering camera, a wireframe copy rendered into a 64 x 64 texture and stretched over
// the screen, the frame picture and the credits shaken by the spectrum.
#include "production/application.h"

#include "production/device_state.h"
#include "production/program_objects.h"
#include "production/scene_state.h"

#include <cmath>

namespace {

// Indices into the credit textures, in their loading order.
enum Credit { k2d, k3d, kKa, kLu, kCod, kMo, kDesign, kGfx, kNe, kMusic, kScript, kRi, kSu, kVo };

struct CreditEntry {
    double groupFrom, groupTo;  // the group's window, seconds, inclusive
    float shownFrom;            // the entry's own start, seconds
    Credit picture;
    float x, y, sx, sy;  // position and scale with the spectrum terms added below
};

}  // namespace

// Camera E: wanders with the credits' phase offsets.
void CMyD3DApplication::SetCreditsCamera(float t) {
    const D3DXVECTOR3 eye(5 * std::sin(g_fPhaseX + t) + 2, 5 * std::sin(t) + 2, 5 * std::cos(g_fPhaseZ + t) + 15);
    const D3DXVECTOR3 at(0, 0, 10), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);
}

// Figure F: the environment-mapped figure; from 180 s on it jumps with bins 2, 3 and 4.
void CMyD3DApplication::DrawCreditsFigure(float t, const float* spectrum) {
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    SetSphereMapping(m_pEnv2Texture);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    UseMeshMaterials(g_pAlien2Mesh, false);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    D3DXMATRIX rx, ry, rz, scale, move;
    D3DXMatrixRotationX(&rx, m_fSpinX);
    D3DXMatrixRotationY(&ry, m_fSpinY);
    D3DXMatrixRotationZ(&rz, m_fSpinZ);
    D3DXMatrixScaling(&scale, 2, 2, 2);
    if (t < 180.0f)
        D3DXMatrixTranslation(&move, 0, 0, 10);
    else
        D3DXMatrixTranslation(&move, spectrum[2], spectrum[3], 10 + spectrum[4]);
    m_matWorld = rx * ry * rz * scale * move;
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    g_pAlien2Mesh->Render(m_pDevice, TRUE, TRUE);
    ClearSphereMapping();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 0.1f, 1000.0f);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

// The wireframe figure into the 64 x 64 target, without a depth buffer.
void CMyD3DApplication::RenderCreditsOffscreen(float t, const float* spectrum) {
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    {
        const RenderTargetScope offscreen(m_pDevice, m_pRenderTargetSmall);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
        ResetViewToIdentity();
        SetCreditsCamera(t);
        SetPointLight(50, 0, -50, 5, 200);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetTexture(0, m_pS7CubeTexture);
        m_pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
        DrawCreditsFigure(t, spectrum);
    }
    m_pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

void CMyD3DApplication::RenderCredits(float t, const float* spectrum) {
    RenderCreditsOffscreen(t, spectrum);

    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Grey(g_nFlash), 1.0f, 0);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
    SetCreditsCamera(t);
    SetPointLight(50, 0, -50, 5, 200);

    D3DXMATRIX scale, move;
    D3DXMatrixScaling(&scale, 6, 6, 6);
    D3DXMatrixTranslation(&move, 0, 0, 10);
    m_matWorld = scale * move;
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetSquareProjection(m_pDevice, 2.0f, 1.0f, 100.0f);
    m_pDevice->SetTexture(0, m_pS7CubeTexture);
    g_pBoxyMesh->Render(m_pDevice, TRUE, TRUE);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);

    DrawCreditsFigure(t, spectrum);

    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    BlendLayers(true);
    DrawLayer(m_pImage3Texture, 0, 0, 11, 9.4f, 9.4f, 1);

    // Role titles with their names, one after another, shaken by the spectrum.
    const float* bin = spectrum;
    const CreditEntry credits[] = {
        {92, 100, 92, kCod, -1.6f + bin[5], 2 + bin[8], 2, 1.5f},
        {92, 100, 93, kMo, bin[2] / 2 - 2, bin[3] / 2 + 4.5f, 1.5f, 0.75f},
        {94, 104, 94, kGfx, -1.6f + bin[8], 1 + bin[7], 2, 1.5f},
        {94, 104, 95, kVo, bin[5] / 2 - 2, bin[5] / 2 + 1.5f, 1.5f, 0.75f},
        {96, 108, 96, kMusic, -1.6f + bin[7], bin[6], 2, 1.5f},
        {96, 108, 97, kNe, bin[2] / 2 - 2, bin[8] / 2 - 1, 1.5f, 0.75f},
        {98, 112, 98, k3d, 1.4f + bin[9], 2 + bin[7], 2, 1.5f},
        {98, 112, 99, kSu, bin[2] / 2 + 2, bin[3] / 2 + 4.5f, 1.5f, 0.75f},
        {100, 117, 100, k2d, 1.4f + bin[8], 1 + bin[6], 2, 1.5f},
        {100, 117, 101, kRi, bin[5] / 2 + 2, bin[5] / 2 + 1.5f, 1.5f, 0.75f},
        {100, 117, 101.5f, kKa, bin[1] / 2 + 2, bin[2] / 2 + 0.8f, 1.5f, 0.75f},
        {103, 121, 103, kScript, 1.4f + bin[7], bin[5] - 0.3f, 2, 1.5f},
        {103, 121, 104, kLu, bin[2] / 2 + 2, bin[5] / 2 - 1.5f, 1.5f, 0.75f},
        {105, 130, 105, kDesign, 1.4f + bin[7], bin[6] - 1.3f, 2, 1.5f},
        {105, 130, 106, kVo, bin[2] / 2 + 0.5f, bin[3] / 2 - 3.2f, 2.2f, 0.6f},
        {105, 130, 106.5f, kNe, bin[3] / 2 + 0.5f, bin[2] / 2 - 3.7f, 2.2f, 0.6f},
        {105, 130, 107, kLu, bin[1] / 2 + 0.5f, bin[2] / 2 - 4.2f, 2.2f, 0.6f},
        {105, 130, 107.5f, kSu, bin[3] / 2 + 0.8f, bin[5] / 2 - 4.8f, 2.2f, 0.6f},
        {105, 130, 108, kMo, bin[4] / 2 + 0.9f, bin[3] / 2 - 5.4f, 2.2f, 0.6f},
    };
    const double now = t;
    for (const CreditEntry& entry : credits)
        if (now >= entry.groupFrom && now <= entry.groupTo && t >= entry.shownFrom)
            DrawLayer(m_pCreditTextures[entry.picture], entry.x, entry.y, 11, entry.sx, entry.sy, 1);

    BlendLayers(false);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    DrawLayer(m_pRenderTargetSmall, 0, 0, 2.3f, 2.5f, 2, 1);
}
