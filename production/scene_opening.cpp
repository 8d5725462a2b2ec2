// Scene 1, the opening (1.2 to 30 s) and its reprise (190 to 204.3 s): a creature and halo
// rendered into a texture, dissolves, shutter bars, letterbox, the turning title, particles.
#include "production/application.h"

#include "production/device_state.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/timeline_clock.h"

#include <algorithm>
#include <cmath>

void CMyD3DApplication::RenderOpening(float t, const float* spectrum) {
    const float dt = m_fElapsedTime;
    if (g_nFlash < 0) g_nFlash = 0;

    StartOverlayLayer();

    RenderOpeningOffscreen(spectrum);

    // The screen.
    StartOverlayLayer();
    D3DXMatrixTranslation(&m_matTrans, 0, 0, 4.8f);
    D3DXMatrixScaling(&m_matScale, 2.5f, 2, 1);
    D3DXMatrixMultiply(&m_matWorld, &m_matTrans, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // First transition: the dissolve from the empty picture to the creature.
    if (t < 15.2f) {
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        if (t >= 10.2f && m_pTransition) m_pTransition->Render(m_matWorld);
        if (t >= 10.1f && t <= 10.2f)
            ReplaceTransition(new CDissolveTransition(m_pDevice, m_pEmptyTexture, m_pRenderTarget0), 5.0f);
    }
    // Second transition, in the reprise: the dissolve to the alven picture.
    if (t > 190.0f) {
        if (t <= 190.1f)
            ReplaceTransition(new CDissolveTransition(m_pDevice, m_pEmptyTexture, m_pAlvenTexture), 10.0f);
        if (m_pTransition) m_pTransition->Render(m_matWorld);
    }

    // Shutter bars: the creature picture in two mirrored bars, with the frame over them.
    if ((t >= 15.2f && t <= 15.3f) || (t >= 21.5f && t <= 21.6f)) m_fShutter = 0;
    if (t >= 15.2f && t <= 30.8f) {
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        DrawLayer(m_pRenderTarget0, 0, 0, 2.4f, 2.5f, 2, 1);
        auto drawBars = [&](float x0, float y0, float x1, float y1) {
            m_fShutter = std::max(m_fShutter - dt / 0.5f, -0.6f);
            for (const auto& bar : {std::pair<float, float>(x0, y0), std::pair<float, float>(x1, y1)}) {
                m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
                DrawLayer(m_pRenderTarget0, bar.first, bar.second, 2.3f, m_fShutter, 0.5f, 1);
                m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                DrawScreenQuad(m_pFrameTexture);
            }
            m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        };
        if (t >= 15.2f && t <= 20.2f) drawBars(-1.4f, 0.5f, 1.4f, -0.5f);
        if (t >= 21.6f && t <= 26.8f) drawBars(-1.4f, -0.5f, 1.4f, 0.5f);
    }

    // The reprise's picture over everything before the letterbox.
    if (t >= 197.1f && t <= 250.0f) {
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        DrawLayer(m_pAlvenTexture, 0, 0, 2.4f, 2.5f, 2, 1);
    }

    if (t <= 100.0f) {
        StartOverlayLayer();
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        DrawLayer(m_pEmptyTexture, 0, 1.3f, 1.5f, 2, 0.5f, 1);
        DrawLayer(m_pEmptyTexture, 0, -1.3f, 1.5f, 2, 0.5f, 1);
    }

    // The title turns in and comes to rest.
    if (t <= 26.8f) {
        StartOverlayLayer();
        BlendLayers(true);
        g_fTitleAngle = std::max(g_fTitleAngle - dt / timeline::kTitleTurnPeriod, 0.1f);
        D3DXMATRIX rotation;
        D3DXMatrixRotationY(&rotation, g_fTitleAngle);
        D3DXMatrixTranslation(&m_matTrans, 0, 0, 2);
        D3DXMatrixScaling(&m_matScale, 1, 0.5f, 1);
        D3DXMatrixMultiply(&m_matWorld, &rotation, &m_matTrans);
        D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matScale);
        m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
        DrawScreenQuad(m_pLogoTexture);
        BlendLayers(false);
    }

    m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ResetViewToIdentity();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    g_AlvenEmitter.SetPos(D3DXVECTOR3(0, 0, 100));
    g_AlvenEmitter.Render();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);

    // The light the next frame's meshes see.
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 1, 1, 1};
    light.Position = {2, 2, -10.75f};
    light.Range = 2000.0f;
    light.Attenuation0 = 1.0f;
    m_pDevice->SetLight(0, &light);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->LightEnable(0, TRUE);
}

// The creature and halo into the 1024 x 1024 target, without a depth buffer.
void CMyD3DApplication::RenderOpeningOffscreen(const float* spectrum) {
    const RenderTargetScope offscreen(m_pDevice, m_pRenderTarget0);

    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    ResetViewToIdentity();

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawLayer(m_pBgTexture, 0, 0, 2, 2.5f, 2.5f, 1);

    // The halo floats on spectrum bin 20.
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, -g_fBeatPhase);
    D3DXMatrixTranslation(&m_matTrans, 0, spectrum[20], 2.2f);
    D3DXMatrixScaling(&m_matScale, 6, 6, 6);
    D3DXMatrixMultiply(&m_matWorld, &rotation, &m_matTrans);
    D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_pHaloMesh->Render(m_pDevice, TRUE, TRUE);

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ResetViewToIdentity();

    const float a = m_fCameraAngle;
    const D3DXVECTOR3 eye(2 * std::cos(a), 5 * std::sin(a), -10 * std::sin(a)), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);
    D3DXMatrixRotationZ(&m_matWorld, -g_fBeatPhase * std::sin(a));
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);

    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    SetSphereMapping(m_pEnvTexture);

    D3DXMatrixScaling(&m_matScale, 1.2f, 1.2f, 1.2f);
    D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    UseMeshMaterials(g_pSquidMesh, false);
    g_pSquidMesh->Render(m_pDevice, TRUE, TRUE);

    m_pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    D3DXMatrixScaling(&m_matScale, 1.1f, 1.1f, 1.1f);
    D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    g_pSquidMesh->Render(m_pDevice, TRUE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);

    ClearSphereMapping();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
