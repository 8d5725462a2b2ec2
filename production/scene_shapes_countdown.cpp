// Scene 2, spinning shapes before a swaying camera (33 to 60 s in slots, 153 to 166 s), and
// scene 3, the countdown with circling particles, lens flare and spectrum bars (30 to 57 s).
#include "production/application.h"

#include "production/device_state.h"
#include "production/program_objects.h"
#include "production/scene_state.h"

#include <cmath>

void CMyD3DApplication::RenderShapes(float t) {
    const float p = g_fBeatPhase;
    const D3DXVECTOR3 eye(40 + g_fShakeX, g_fShakeY, 20);
    const D3DXVECTOR3 at(30 + 5 * std::sin(p), 5 * std::cos(p), 0);
    const D3DXVECTOR3 up(std::cos(p), 1 + std::sin(p), std::sin(p / 2));
    D3DXMatrixLookAtLH(&m_matView, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawLayer(m_pBgTexture, 0, 0, 2, 2.5f, 2.5f, 1);

    // Both shapes spin by p / 200 more every frame, so they speed up as the scene runs.
    auto setShapeWorld = [&](float angle) {
        D3DXMATRIX rotation;
        D3DXMatrixRotationY(&rotation, angle);
        D3DXMatrixTranslation(&m_matTrans, 0, 0, 2.2f);
        D3DXMatrixScaling(&m_matScale, 6, 6, 6);
        D3DXMatrixMultiply(&m_matWorld, &rotation, &m_matTrans);
        D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matScale);
        m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    };
    g_fSpin += p / 200;
    setShapeWorld(t > 100.0f ? g_fSpin / 10 : -g_fSpin);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetPointLight(40, 0, 20, 10, 90);
    SetSquareProjection(m_pDevice, 2.0f, 1.0f, 100.0f);
    g_pShapeMesh->Render(m_pDevice, TRUE, TRUE);

    g_fSpin += p / 200;
    setShapeWorld(t >= 100.0f ? g_fSpin / 5 : -g_fSpin);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_pSakligMesh->Render(m_pDevice, TRUE, TRUE);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 100.0f);

    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    g_TunnelEmitter.Render();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    BlendLayers(true);
    DrawLayer(m_pNameTexture, 0.5f, 0.9f, 3, 1.2f, 0.7f, 1);
    BlendLayers(false);

    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void CMyD3DApplication::RenderCountdown(float t, const float* spectrum) {
    const float p = g_fBeatPhase;
    D3DXMatrixIdentity(&m_matWorld);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    const D3DXVECTOR3 eye(10 * std::sin(t), 5 * std::cos(2 * t), 10 * std::cos(t)), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    SetPointLight(10 * std::sin(t / 1.2f), 5 * std::cos(t), 10 * std::cos(t), 5, 200);

    // The box.
    D3DXMATRIX boxWorld, translation;
    D3DXMatrixScaling(&m_matScale, 6, 6, 6);
    D3DXMatrixIdentity(&translation);
    D3DXMatrixMultiply(&boxWorld, &m_matScale, &translation);
    m_pDevice->SetTransform(D3DTS_WORLD, &boxWorld);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetSquareProjection(m_pDevice, 2.0f, 1.0f, 100.0f);
    g_pBoxyMesh->Render(m_pDevice, TRUE, TRUE);

    // Particles circling on the beat phase.
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    SetParticleStages(m_pDevice);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    g_CountdownEmitter.SetPos(D3DXVECTOR3(5 * std::sin(3 * p), 5 * std::cos(3 * p), 0));
    g_CountdownEmitter.Render();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);

    // The numeral, environment-mapped: five, four, three, two, one.
    D3DXMatrixScaling(&m_matScale, 1.5f, 1.5f, 1.5f);
    D3DXMatrixMultiply(&m_matWorld, &m_matScale, &boxWorld);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    SetSphereMapping(m_pEnvNrTexture);
    CD3DMesh* const numerals[] = {g_pOneMesh, g_pTwoMesh, g_pThreeMesh, g_pFourMesh, g_pFiveMesh};
    if (g_nNumeral >= 0 && g_nNumeral < 5) {
        UseMeshMaterials(numerals[g_nNumeral], false);
        numerals[g_nNumeral]->Render(m_pDevice, TRUE, TRUE);
    }
    ClearSphereMapping();

    // The flare's light circles the screen.
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const int width = static_cast<int>(m_backBufferDesc.Width);
    const int height = static_cast<int>(m_backBufferDesc.Height);
    m_LensFlare.Render(static_cast<int>(std::sin(2 * t) * width), static_cast<int>(std::cos(2 * t) * height), width,
                       height, false);

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    // Six bars whose size follows the spectrum.
    const float* bin = spectrum;
    const float barGrowth[kBarCount][2] = {{bin[1], bin[1]}, {bin[1], bin[1]}, {bin[5], bin[2]},
                                           {bin[2], bin[5]}, {bin[3], bin[1]}, {bin[2], bin[3]}};
    for (int i = 0; i < kBarCount; ++i)
        DrawLayer(m_pBackS3Texture, 1.5f, m_fBarY[i], 3, 2.5f + barGrowth[i][0], 2.1f + barGrowth[i][1], 1);

    BlendLayers(true);
    DrawLayer(m_pImage1Texture, 0, 0, 3, 9.4f, 9.4f, 1);
    BlendLayers(false);
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
}
