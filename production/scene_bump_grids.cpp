// Scene 4 (61.8 to 87.4 s and 166 to 178.5 s): a bump-distorted scrolling background, the
// bump- and environment-mapped morphing sphere, then the object grids (object_grids.h) seen by
// a camera the spectrum moves, under a colour-keyed frame picture.
#include "production/application.h"

#include "production/device_state.h"
#include "production/object_grids.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/vertices.h"

#include <cmath>

namespace {

void SetBumpMatrix(IDirect3DDevice8* device, DWORD stage, float m00, float m11) {
    device->SetTextureStageState(stage, D3DTSS_BUMPENVMAT00, FloatToBits(m00));
    device->SetTextureStageState(stage, D3DTSS_BUMPENVMAT01, FloatToBits(0.0f));
    device->SetTextureStageState(stage, D3DTSS_BUMPENVMAT10, FloatToBits(0.0f));
    device->SetTextureStageState(stage, D3DTSS_BUMPENVMAT11, FloatToBits(m11));
}

void DisableStage(IDirect3DDevice8* device, DWORD stage) {
    device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void SetStage(IDirect3DDevice8* device, DWORD stage, IDirect3DTexture8* texture, DWORD texCoordIndex,
              D3DTEXTUREOP colourOp, DWORD arg2) {
    device->SetTexture(stage, texture);
    device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, texCoordIndex);
    device->SetTextureStageState(stage, D3DTSS_COLOROP, colourOp);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
}

}  // namespace

void CMyD3DApplication::RenderBumpGrids(float t, const float* spectrum) {
    const float q = m_fSceneAngle;

    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
    ResetViewToIdentity();
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    SetBumpMatrix(m_pDevice, 0, 0.01f, 0.01f);

    // The background scrolls by half a unit a second.
    TwoTextureVertex* strip = nullptr;
    if (m_pBackgroundVB && SUCCEEDED(m_pBackgroundVB->Lock(0, 0, reinterpret_cast<BYTE**>(&strip), 0))) {
        const float scroll = 0.5f * t;
        const float first[][2] = {{0, scroll + 2}, {0, scroll}, {1, scroll}, {1, scroll + 2}};
        for (int i = 0; i < 4; ++i) {
            strip[i].u1 = first[i][0];
            strip[i].v1 = first[i][1];
        }
        m_pBackgroundVB->Unlock();
    }
    SetStage(m_pDevice, 0, m_pWaveBumpTexture, 0, D3DTOP_BUMPENVMAP, D3DTA_CURRENT);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    SetStage(m_pDevice, 1, m_pBg2AlphaTexture, 1, D3DTOP_SELECTARG1, D3DTA_CURRENT);
    m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    DisableStage(m_pDevice, 2);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    D3DXMATRIX rotation;
    D3DXMatrixTranslation(&m_matTrans, g_fShakeX, g_fShakeY, 140);
    D3DXMatrixRotationZ(&rotation, 0);
    D3DXMatrixMultiply(&m_matWorld, &m_matTrans, &rotation);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetStreamSource(0, m_pBackgroundVB, sizeof(TwoTextureVertex));
    m_pDevice->SetVertexShader(kTwoTextureFVF);
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // The morphing sphere: base texture, bump map, environment map.
    D3DXMATRIX rotationX, rotationY;
    D3DXMatrixRotationX(&rotationX, 1.5f * q);
    D3DXMatrixRotationY(&rotationY, 1.5f * q);
    D3DXMatrixTranslation(&m_matTrans, -1, 1, m_fSurfaceZ);
    D3DXMatrixMultiply(&m_matWorld, &rotationX, &rotationY);
    D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &m_matTrans);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    DisableStage(m_pDevice, 1);
    SetStage(m_pDevice, 0, m_bUseBaseTexture ? m_pMarkTexture : m_pBaseTexture, 1, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
    if (m_bCanBumpMap && m_bUseEnvMap) {
        const D3DTEXTUREOP bumpOp = m_bumpMapFormat == D3DFMT_V8U8 ? D3DTOP_BUMPENVMAP : D3DTOP_BUMPENVMAPLUMINANCE;
        SetStage(m_pDevice, 1, m_pBumpMapTexture, 1, bumpOp, D3DTA_CURRENT);
        SetBumpMatrix(m_pDevice, 1, 0.5f, 0.5f);
        m_pDevice->SetTextureStageState(1, D3DTSS_BUMPENVLSCALE, FloatToBits(4.0f));
        m_pDevice->SetTextureStageState(1, D3DTSS_BUMPENVLOFFSET, FloatToBits(0.0f));
        SetStage(m_pDevice, 2, m_pBumpEnvTexture, 0, D3DTOP_ADD, D3DTA_CURRENT);
    } else if (m_bUseEnvMap) {
        SetStage(m_pDevice, 1, m_pBumpEnvTexture, 0, D3DTOP_ADD, D3DTA_CURRENT);
        DisableStage(m_pDevice, 2);
    } else {
        DisableStage(m_pDevice, 1);
        DisableStage(m_pDevice, 2);
    }
    m_pDevice->SetStreamSource(0, m_pSphereVB, sizeof(TwoTextureVertex));
    DWORD passes = 0;
    m_bValidateFailed = FAILED(m_pDevice->ValidateDevice(&passes));
    if (t >= 60.0f && t <= 73.0f) m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, m_nSphereVertices - 2);

    // The grid camera moves with spectrum bins 15, 16 and 180.
    const float low = std::sqrt(spectrum[15] * spectrum[16]);
    const D3DXVECTOR3 eye(low + 5 * std::sin(q), std::fabs(spectrum[180]) + 5 * std::sin(q / 2),
                          low - 10 * std::cos(q));
    const D3DXVECTOR3 at(0, 0, 11), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);
    SetSquareProjection(m_pDevice, D3DX_PI / 4, 1.0f, 1000.0f);
    SetStage(m_pDevice, 0, m_pBoxTexture, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
    DisableStage(m_pDevice, 1);
    DisableStage(m_pDevice, 2);

    UseMeshMaterials(g_pObjFaenMesh, false);
    bool lit = false;
    for (const object_grids::Placement& object : object_grids::At(t, q)) {
        if (object.lit && !lit) {
            SetPointLight(50, 0, -50, 10, 200);
            lit = true;
        }
        m_matWorld = object.world;
        m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
        g_pObjFaenMesh->Render(m_pDevice, TRUE, TRUE);
    }

    StartOverlayLayer();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    BlendLayers(true);
    DrawLayer(m_pImage2Texture, 0, 0, 11, 9.4f, 9.4f, 1);
    BlendLayers(false);
}
