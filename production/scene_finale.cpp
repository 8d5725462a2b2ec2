// Scene 9 (204.3 to 219 s): a full-screen picture, the logo mesh turning with the lowest band
// of the spectrum, and particles in front.
#include "production/application.h"

#include "production/device_state.h"
#include "production/program_objects.h"

void CMyD3DApplication::RenderFinale(const float* spectrum) {
    const D3DXVECTOR3 origin(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &origin, &origin, &up);  // degenerate; replaced at once
    ResetViewToIdentity();
    DrawLayer(m_pAlven2Texture, 0, 0, 3, 3.4f, 2.5f, 1);

    m_pDevice->SetTransform(D3DTS_VIEW, &m_matIdentity);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    SetSphereMapping(m_pEnvTexture);

    // The logo's angle in radians is bin 0's raw value. Lighting is left as it is: on, with
    // the opening's light, in the scene's first frame, and off after that.
    D3DXMATRIX rotation, move, scale;
    D3DXMatrixRotationY(&rotation, spectrum[0]);
    D3DXMatrixTranslation(&move, 0, 0, 12);
    D3DXMatrixScaling(&scale, 0.2f, 0.2f, 0.2f);
    m_matWorld = rotation * move * scale;
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    UseMeshMaterials(g_pLogoMesh, false);
    g_pLogoMesh->Render(m_pDevice, TRUE, TRUE);

    ClearSphereMapping();
    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetParticleStages(m_pDevice);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    g_DarkElfEmitter.SetPos(D3DXVECTOR3(0, 0, -75));
    g_DarkElfEmitter.Render();
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}
