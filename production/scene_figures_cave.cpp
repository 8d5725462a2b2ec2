// Scene 5 (138.9 to 153 s): an environment-mapped figure before a row of 41 pulsing figures
// over a background that flashes on the beat. Scene 6 (113 to 139 s): a flight through the
// cave along eight camera paths, with particles, letterbox, frame, pulse picture and greetings.
#include "production/application.h"

#include "production/device_state.h"
#include "production/program_objects.h"
#include "production/scene_state.h"

#include <cmath>

namespace {

// Rotation about x, y and z by `angle`, then uniform scaling, then translation.
D3DXMATRIX TumbleScaleMove(float angle, float scale, const D3DXVECTOR3& position) {
    D3DXMATRIX rx, ry, rz, s, m;
    D3DXMatrixRotationX(&rx, angle);
    D3DXMatrixRotationY(&ry, angle);
    D3DXMatrixRotationZ(&rz, angle);
    D3DXMatrixScaling(&s, scale, scale, scale);
    D3DXMatrixTranslation(&m, position.x, position.y, position.z);
    return rx * ry * rz * s * m;
}

struct CavePath {
    D3DXVECTOR3 eye, target, light;
};

// Camera and light of each path; c is the cave clock, which keeps running across paths.
CavePath CavePathAt(int path, float c) {
    const D3DXVECTOR3 nearLight(0, 15, 10 - 3 * c), farLight(-120, 15, -110);
    switch (path) {
    case 0: return {{0, 20, 10 - 20 * c}, {5, 15, 5 * c - 100}, nearLight};
    case 1:
    case 6: return {{-10, 20, 5 * c - 80}, {5, 14, 5 * c - 85}, nearLight};
    case 2: return {{0, 20, -110}, {-41, 15, 200}, nearLight};
    case 4:
        return {{20 * std::sin(c), 20, 2.5f * c - 110}, {-100 * std::sin(c), 15, 200 * std::cos(c)}, farLight};
    case 5:
        return {{20 * std::sin(c), 5 * std::sin(c / 3) + 10, 3 * c - 110},
                {-50 * std::sin(c), 30, 10 * std::cos(c)},
                farLight};
    default:  // paths 3 and 7
        return {{-c, 20, 2.5f * c - 110}, {-100, 15, 200}, farLight};
    }
}

}  // namespace

void CMyD3DApplication::RenderFigures(float t) {
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Grey(g_nFlash), 1.0f, 0);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
    ResetViewToIdentity();

    SetPointLight(50, 0, -50, 10, 200);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    SetSphereMapping(m_pEnv3Texture);

    UseMeshMaterials(g_pAlienMesh, false);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_matWorld = TumbleScaleMove(t / 10, 2, D3DXVECTOR3(-1, 1, 5));
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    g_pAlienMesh->Render(m_pDevice, TRUE, TRUE);

    ClearSphereMapping();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 0.1f, 1000.0f);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);

    // The diagonal row: 41 figures from k = 10 down to -10, pulsing with sin(4t + k).
    UseMeshMaterials(g_pFemMesh, false);
    for (int step = 0; step <= 40; ++step) {
        const float k = 10.0f - 0.5f * step;
        m_pDevice->SetTexture(0, m_pEnv2Texture);
        m_matWorld = TumbleScaleMove(k / 2, std::sin(4 * t + k) + 1, D3DXVECTOR3(3 * k, 2 * k, 2 * k + 40));
        m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        g_pFemMesh->Render(m_pDevice, TRUE, TRUE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }

    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    StartOverlayLayer();
    BlendLayers(true);
    DrawLayer(m_pOg1Texture, 0, 0, 11, 9.4f, 9.4f, 1);
    BlendLayers(false);
}

void CMyD3DApplication::RenderCave(const float* spectrum) {
    const float c = m_fCaveClock;
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00020500, 1.0f, 0);

    const CavePath path = CavePathAt(g_nCavePath, c);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &path.eye, &path.target, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);
    SetPointLight(path.light.x, path.light.y, path.light.z, 10, 1000);

    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    D3DXMatrixScaling(&m_matWorld, 1.5f, 1.5f, 1.5f);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    g_pCaveMesh->Render(m_pDevice, TRUE, TRUE);

    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetParticleStages(m_pDevice);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    g_CaveEmitter.SetPos(D3DXVECTOR3(0, 10, -90));
    g_CaveEmitter.Render();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);

    ClearSphereMapping();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 0.1f, 1000.0f);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);

    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawLayer(m_pEmptyTexture, 0, 1.3f, 1.5f, 2, 0.5f, 1);
    DrawLayer(m_pEmptyTexture, 0, -1.3f, 1.5f, 2, 0.5f, 1);

    m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matIdentity);
    BlendLayers(true);
    DrawLayer(m_pOg2Texture, 0, 0, 11, 9.4f, 9.4f, 1);
    BlendLayers(false);

    // The pulse picture and the greeting turn with bin 0 and grow with the low bands.
    const float* bin = spectrum;
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    D3DXMATRIX rotation;
    D3DXMatrixRotationZ(&rotation, bin[0]);
    D3DXMatrixTranslation(&m_matTrans, 0, 0, 8);
    D3DXMatrixScaling(&m_matScale, bin[1] + bin[0] + 2 * bin[2] + 2, 2 * bin[0] + bin[3] + 2, 1);
    m_matWorld = m_matTrans * rotation * m_matScale;
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    DrawScreenQuad(m_pS6OverTexture);

    BlendLayers(true);
    D3DXMatrixScaling(&m_matScale2, 5 - bin[5] / 2, 3 - bin[9] / 2, 1);
    m_matWorld = m_matTrans * rotation * m_matScale2;
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    if (g_nCavePath >= 0 && g_nCavePath < kGreetingTextureCount) DrawScreenQuad(m_pGTextures[g_nCavePath]);
    BlendLayers(false);
}
