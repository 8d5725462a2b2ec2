// The per-frame update: advances the animated state of the scene the previous frame chose.
#include "production/application.h"

#include "platform/crt_rand.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/schedule.h"
#include "production/sphere.h"
#include "production/timeline_clock.h"

namespace {

// r(n): 0..n-1 from the program-wide generator shared with the particle system.
int RandomBelow(int n) { return crt::rand() % n; }

void AdvanceBeatPhase(float dt) { g_fBeatPhase += dt / timeline::kBeatPeriod; }

// Moves a shake offset one step toward zero (per frame): up by `step` when at or below zero,
// then down by `step` when at or above zero.
void SettleShake(float& offset, float step) {
    if (offset <= 0) offset += step;
    if (offset >= 0) offset -= step;
}

}  // namespace

HRESULT CMyD3DApplication::UpdateFrame() {
    if (m_fElapsedTime < timeline::kMinimumFrameDelta) m_fElapsedTime = timeline::kMinimumFrameDelta;
    RecycleTransition();
    UpdateScene(m_fTime, m_fElapsedTime);
    return S_OK;
}

// A running transition advances; seven seconds after it started it is replaced by a solid fade
// of the background picture, and the clock stops until a scene starts the next one.
void CMyD3DApplication::RecycleTransition() {
    if (m_fTransitionClock <= 0) return;
    m_fTransitionClock += m_fElapsedTime;
    if (m_pTransition) m_pTransition->Update(m_fElapsedTime);
    if (m_fTransitionClock > timeline::kTransitionLifetime) {
        delete m_pTransition;
        m_pTransition = nullptr;
        m_pTransition = new CSolidFadeTransition(m_pDevice, m_pBgTexture, D3DXCOLOR(1, 0, 0, 1));
        m_pTransition->SetDuration(timeline::kFadeDuration);
        m_fTransitionClock = 0;
    }
}

void CMyD3DApplication::UpdateScene(float t, float dt) {
    switch (g_nScene) {
    case timeline::kSceneOpening:
        g_nFlash -= 5;  // per frame, no lower limit here
        g_TunnelEmitter.Update(t, dt);
        AdvanceBeatPhase(dt);
        g_AlvenEmitter.Update(t, dt);
        break;

    case timeline::kSceneShapes:
        g_TunnelEmitter.Update(t, dt);
        AdvanceBeatPhase(dt);
        m_fBeatTimer += dt;
        if (m_fBeatTimer >= 0.5f && t >= 45.0f && t <= timeline::kLastShakeBeat) {
            m_fBeatTimer = 0;
            g_nFlash = 255;
            g_fShakeX += RandomBelow(2) - 2;
            g_fShakeY += RandomBelow(2) - 2;
        }
        if (t >= 100.0f) g_fShakeX = g_fShakeY = 0;
        if (g_fShakeY <= 0) g_fShakeY += 0.1f;
        if (g_fShakeX <= 0) g_fShakeX += 0.1f;
        if (g_fShakeY >= 0) g_fShakeY -= 0.1f;
        if (g_fShakeX >= 0) g_fShakeX -= 0.1f;
        break;

    case timeline::kSceneCountdown:
        AdvanceBeatPhase(dt);
        g_fNumeralClock += dt;
        g_CountdownEmitter.Update(t, dt);
        if (g_fNumeralClock >= 3.0f) {
            g_nNumeral -= 1;
            g_fNumeralClock = 0;
        }
        for (int i = 0; i < kBarCount; ++i) {
            m_fBarY[i] += dt / timeline::kScrollPeriod;
            if (i < 2 && m_fBarY[i] >= 3.1f) m_fBarY[i] = -3.0f;
            if (i >= 2 && m_fBarY[i] >= 3.0f) m_fBarY[i] = -3.1f;
        }
        break;

    case timeline::kSceneBumpGrids: {
        m_fSceneAngle += dt / timeline::kScrollPeriod;
        m_fSurfaceZ += dt / 0.5f;
        m_fBeatTimer += dt;
        if (m_fBeatTimer >= 1.0f) {
            m_fBeatTimer = 0;
            m_fSurfaceZ = 5.0f;
            if (t < 87.4f) m_fMorphPhase += 0.75f;
            g_nShakeBeats += 1;
        }
        if (g_nShakeBeats >= 3) {
            g_fShakeX = static_cast<float>(RandomBelow(10) - 5);
            g_fShakeY = static_cast<float>(RandomBelow(10) - 5);
            g_nShakeBeats = 0;
        }
        SettleShake(g_fShakeY, 0.8f);
        SettleShake(g_fShakeX, 0.8f);
        m_fMorphPhase += dt / timeline::kMorphPeriod;
        if (m_fSurfaceZ >= 7.0f) m_fSurfaceZ = 7.0f;
        g_fSphereAngle += dt;
        D3DXMATRIX world, view;
        D3DXMatrixRotationY(&world, -g_fSphereAngle);
        m_pDevice->SetTransform(D3DTS_WORLD, &world);
        const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        m_pDevice->SetTransform(D3DTS_VIEW, &view);
        FillSphere();
        break;
    }

    case timeline::kSceneFigures:
        if (!g_bSceneFiveEntered) {
            g_bSceneFiveEntered = true;
            g_nFlash = 255;
        }
        g_nFlash -= 5;
        m_fBeatTimer += dt;
        g_TunnelEmitter.Update(t, dt);
        AdvanceBeatPhase(dt);
        if (g_nFlash <= 0) g_nFlash = 0;
        if (m_fBeatTimer >= 4.0f && t <= timeline::kLastShakeBeat) {
            m_fBeatTimer = 0;
            g_nFlash = 255;
            g_fShakeX += RandomBelow(3) - 3;
            g_fShakeY += RandomBelow(3) - 3;
        }
        break;

    case timeline::kSceneCave:
        m_fCaveClock += dt;
        g_CaveEmitter.Update(t, dt);
        g_fCavePathClock += dt;
        if (g_fCavePathClock >= timeline::kCavePathDuration) {
            g_nCavePath += 1;
            g_fCavePathClock = 0;
        }
        if (g_nCavePath >= 8) g_nCavePath = 7;
        break;

    case timeline::kSceneCredits:
        g_nFlash -= 5;
        m_fBeatTimer += dt;
        g_TunnelEmitter.Update(t, dt);
        AdvanceBeatPhase(dt);
        if (g_nFlash <= 0) g_nFlash = 0;
        if (m_fBeatTimer >= 0.5f && t <= timeline::kLastCreditsBeat) {
            m_fBeatTimer = 0;
            g_nFlash = 255;
            g_fShakeX = static_cast<float>(RandomBelow(20) - 10);
            g_fShakeY = static_cast<float>(RandomBelow(20) - 10);
            m_fSpinRateX += 0.1f;
            m_fSpinRateY += 0.1f;
            m_fSpinRateZ += 0.1f;
            g_nPhaseBeats += 1;
            if (g_nPhaseBeats >= 2) {
                g_nPhaseBeats = 0;
                g_fPhaseRateX += RandomBelow(4) - 2;
                g_fPhaseRateZ += RandomBelow(4) - 2;
                g_fPhaseRateX /= 5;
                g_fPhaseRateZ /= 5;
            }
        }
        for (float* rate : {&g_fPhaseRateX, &g_fPhaseRateZ, &m_fSpinRateX, &m_fSpinRateY, &m_fSpinRateZ})
            *rate -= dt / 5;
        for (float* rate : {&g_fPhaseRateX, &g_fPhaseRateZ})
            if (*rate <= 0) *rate = 0;
        for (float* rate : {&m_fSpinRateX, &m_fSpinRateY, &m_fSpinRateZ})
            if (*rate <= 0.001f) *rate = 0.001f;
        // Integrated once per frame, not scaled by dt.
        g_fPhaseX += g_fPhaseRateX;
        g_fPhaseZ += g_fPhaseRateZ;
        m_fSpinX += m_fSpinRateX;
        m_fSpinY += m_fSpinRateY;
        m_fSpinZ += m_fSpinRateZ;
        break;

    case timeline::kSceneFinale:
        g_nFlash -= 5;  // per frame, no lower limit here
        g_TunnelEmitter.Update(t, dt);
        AdvanceBeatPhase(dt);
        g_AlvenEmitter.Update(t, dt);
        g_DarkElfEmitter.Update(t, dt);
        break;

    default:  // the black scene, the numeral flashes and unknown numbers have no update
        break;
    }
}

// Rewrites the sphere for the current world and view transforms and morph phase.
void CMyD3DApplication::FillSphere() {
    if (!m_pSphereVB) return;
    D3DXMATRIX world, view, worldView;
    m_pDevice->GetTransform(D3DTS_WORLD, &world);
    m_pDevice->GetTransform(D3DTS_VIEW, &view);
    D3DXMatrixMultiply(&worldView, &world, &view);
    TwoTextureVertex* vertices = nullptr;
    if (FAILED(m_pSphereVB->Lock(0, 0, reinterpret_cast<BYTE**>(&vertices), 0))) return;
    sphere::Fill(m_bDenseSphere ? sphere::kDense : sphere::kSparse, m_fMorphPhase, worldView, vertices);
    m_pSphereVB->Unlock();
}

// On: stage 0 draws the texture with its own alpha, blended over what is there.
// Off: back to texture x diffuse without alpha, blending off.
void CMyD3DApplication::BlendLayers(bool on) {
    if (on) {
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        return;
    }
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

// Light 0 becomes a white point light of the given level and range; lighting on, dim ambient.
void CMyD3DApplication::SetPointLight(float x, float y, float z, float level, float range) {
    D3DMATERIAL8 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    m_pDevice->SetMaterial(&material);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {level, level, level, level};
    light.Position = {x, y, z};
    light.Range = range;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0x00202020);
}
