// The timeline: every frame fetches the spectrum, runs the schedule, sets the state all
// scenes share and draws the chosen scene.
#include "production/application.h"

#include "production/device_state.h"
#include "production/music_clock.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/schedule.h"
#include "production/timeline_clock.h"
#include "production/vertices.h"

namespace {

constexpr D3DCOLOR kFogColour = 0x00141414;
constexpr float kFogDensity = 0.02f;
constexpr DWORD kStillFrameMilliseconds = 100;  // the still picture is shown again ten times a second

}  // namespace

HRESULT CMyD3DApplication::Render() {
    // 256 magnitudes of a 512-sample FFT; zeros while no music plays.
    float spectrum[512] = {};
    if (g_hMusic) BASS_ChannelGetData(g_hMusic, spectrum, BASS_DATA_FFT512);

    const float t = m_fTime;
    const timeline::ScheduleResult schedule = timeline::EvaluateSchedule(t, g_nScene);
    g_nScene = schedule.scene;
    if (schedule.startMusic && g_hMusic) {
        BASS_StreamPlay(g_hMusic, FALSE, 0);
        BASS_ChannelSetPosition(g_hMusic, 0);
        music_clock::Started(t);
    }
    if (schedule.resetBeatPhase) g_fBeatPhase = 0;
    if (schedule.startAlven) g_AlvenEmitter.Start();

    if (t >= timeline::kEnd) {
        // Nothing changes any more: present the still picture a few times a second, at once when
        // a message (a key, a close) comes, rather than spinning on it. A fixed-step
        // clock (recording, seeking) runs on at once.
        if (!m_bDrawStillFrames) MsgWaitForMultipleObjects(0, nullptr, FALSE, kStillFrameMilliseconds, QS_ALLINPUT);
        FollowPlayOptionsAtEnd();
        return S_OK;
    }

    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGCOLOR, kFogColour);
    m_pDevice->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    m_pDevice->SetRenderState(D3DRS_FOGDENSITY, FloatToBits(kFogDensity));

    if (FAILED(m_pDevice->BeginScene())) return S_OK;
    switch (g_nScene) {
    case timeline::kSceneBlack: RenderBlackScene(); break;
    case timeline::kSceneOpening: RenderOpening(t, spectrum); break;
    case timeline::kSceneShapes: RenderShapes(t); break;
    case timeline::kSceneCountdown: RenderCountdown(t, spectrum); break;
    case timeline::kSceneBumpGrids: RenderBumpGrids(t, spectrum); break;
    case timeline::kSceneFigures: RenderFigures(t); break;
    case timeline::kSceneCave: RenderCave(spectrum); break;
    case timeline::kSceneCredits: RenderCredits(t, spectrum); break;
    case timeline::kSceneNumeralFlash: RenderNumeralFlash(t); break;
    case timeline::kSceneFinale: RenderFinale(spectrum); break;
    default: break;
    }
    if (m_bShowOverlay) DrawOverlay();
    m_pDevice->EndScene();
    return S_OK;
}

// Puts a texture on screen as the unit quad, world = translation x scaling (so the
// translation is scaled too: the quad's centre lands at (tx sx, ty sy, tz sz)).
void CMyD3DApplication::DrawLayer(IDirect3DTexture8* texture, float tx, float ty, float tz, float sx, float sy,
                                  float sz) {
    D3DXMatrixTranslation(&m_matTrans, tx, ty, tz);
    D3DXMatrixScaling(&m_matScale, sx, sy, sz);
    D3DXMatrixMultiply(&m_matTrans, &m_matTrans, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matTrans);
    DrawScreenQuad(texture);
}

// The screen quad with the world transform in force.
void CMyD3DApplication::DrawScreenQuad(IDirect3DTexture8* texture) {
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetStreamSource(0, m_pScreenQuadVB, sizeof(ScreenQuadVertex));
    m_pDevice->SetVertexShader(kScreenQuadFVF);
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
}

// Fog off, depth cleared, view reset: the start of each layer drawn over the picture so far.
void CMyD3DApplication::StartOverlayLayer() {
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ResetViewToIdentity();
}

// The view becomes the identity, held in m_matIdentity (which sphere mapping borrows).
void CMyD3DApplication::ResetViewToIdentity() {
    D3DXMatrixIdentity(&m_matIdentity);
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matIdentity);
}

// View and world reset, lighting, culling and fog off, depth cleared: the start of the black
// scene and of the numeral flashes.
void CMyD3DApplication::PrepareBlackScene() {
    const D3DXVECTOR3 origin(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m_matView, &origin, &origin, &up);  // degenerate; replaced below
    m_pDevice->SetTransform(D3DTS_VIEW, &m_matView);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    StartOverlayLayer();
}

void CMyD3DApplication::RenderBlackScene() { PrepareBlackScene(); }

// Full-screen numerals at 73, 77 and 83 seconds. At exactly 77.0 neither test holds and the
// texture last set on stage 0 stays.
void CMyD3DApplication::RenderNumeralFlash(float t) {
    PrepareBlackScene();
    D3DXMatrixTranslation(&m_matTrans, 0, 0, 2);
    D3DXMatrixScaling(&m_matScale, 1, 1, 1);
    D3DXMatrixMultiply(&m_matTrans, &m_matTrans, &m_matScale);
    m_pDevice->SetTransform(D3DTS_WORLD, &m_matTrans);
    if (t < 77.0f)
        m_pDevice->SetTexture(0, m_pDigit1Texture);
    else if (t > 77.0f && t < 83.0f)
        m_pDevice->SetTexture(0, m_pDigit2Texture);
    else if (t >= 83.0f)
        m_pDevice->SetTexture(0, m_pDigit3Texture);
    m_pDevice->SetStreamSource(0, m_pScreenQuadVB, sizeof(ScreenQuadVertex));
    m_pDevice->SetVertexShader(kScreenQuadFVF);
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
}

// Environment mapping by camera-space normals (ambient is the caller's): texture matrix 0 maps the normal's x, y from
// -1..1 to the texture's 0..1 (v downwards). Held in m_matIdentity, as the scenes share it.
void CMyD3DApplication::SetSphereMapping(IDirect3DTexture8* environment) {
    m_pDevice->SetTexture(0, environment);
    for (DWORD stage = 0; stage < 2; ++stage) {
        m_pDevice->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }
    m_pDevice->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_matIdentity = D3DXMATRIX(0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1);
    m_pDevice->SetTransform(D3DTS_TEXTURE0, &m_matIdentity);
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
}

void CMyD3DApplication::ClearSphereMapping() {
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
}

void CMyD3DApplication::UseMeshMaterials(CD3DMesh* mesh, bool on) { mesh->m_bUseMaterials = on ? TRUE : FALSE; }

// Deletes the running transition and starts `transition`, whose clock begins at once.
void CMyD3DApplication::ReplaceTransition(CTransition* transition, float durationSeconds) {
    delete m_pTransition;
    m_pTransition = transition;
    m_fTransitionClock = 0.0001f;
    m_pTransition->SetDuration(durationSeconds);
}
