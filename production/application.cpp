#include "production/application.h"

#include "production/music_clock.h"
#include "production/sphere.h"

#include <algorithm>
#include <iterator>

namespace {

// The opening's creature camera: eye (2 cos a, 5 sin a, -10 sin a). One radian looks at the
// creature from above and in front at about ten units, and spins it at 0.84 of the beat phase.
constexpr float kCreatureCameraAngle = 1.0f;

constexpr float kInitialBarY[] = {3.0f, 1.95f, 0.9f, -0.15f, -1.2f, -2.25f};

}  // namespace

CMyD3DApplication::CMyD3DApplication()
    : m_pBaseTexture(nullptr),
      m_pMarkTexture(nullptr),
      m_pBumpSourceTexture(nullptr),
      m_pBumpEnvTexture(nullptr),
      m_bumpMapFormat(D3DFMT_V8U8),
      m_pSphereVB(nullptr),
      m_nSphereVertices(0),
      m_pBumpMapTexture(nullptr),
      m_pBg2AlphaTexture(nullptr),
      m_pWaveBumpTexture(nullptr),
      m_pBackgroundVB(nullptr),
      m_pEmptyTexture(nullptr),
      m_pAlvenTexture(nullptr),
      m_pAlven2Texture(nullptr),
      m_pEnvTexture(nullptr),
      m_pEnv2Texture(nullptr),
      m_pBgTexture(nullptr),
      m_pOg1Texture(nullptr),
      m_pOg2Texture(nullptr),
      m_pNameTexture(nullptr),
      m_pS6OverTexture(nullptr),
      m_pBackS3Texture(nullptr),
      m_pEnv3Texture(nullptr),
      m_pLogoTexture(nullptr),
      m_pEnvNrTexture(nullptr),
      m_pDigit1Texture(nullptr),
      m_pDigit2Texture(nullptr),
      m_pDigit3Texture(nullptr),
      m_pFrameTexture(nullptr),
      m_pBoxTexture(nullptr),
      m_pS7CubeTexture(nullptr),
      m_pCreditTextures{},
      m_pGTextures{},
      m_pImage1Texture(nullptr),
      m_pImage2Texture(nullptr),
      m_pImage3Texture(nullptr),
      m_pRenderTarget0(nullptr),
      m_pRenderTargetSmall(nullptr),
      m_pScreenQuadVB(nullptr),
      m_nScreenQuadVertices(6),
      m_pCapture(nullptr),
      m_pPlay(nullptr),
      m_fVolume(1.0f),
      m_bMuted(false),
      m_bShowOverlay(false),
      m_pFontArial9(new CTextureFont("Arial", 9, FONT_BOLD)),
      m_pTransition(nullptr),
      m_bDenseSphere(TRUE),
      m_bUseBaseTexture(TRUE),
      m_bCanBumpMap(TRUE),
      m_bUseEnvMap(TRUE),
      m_bValidateFailed(FALSE) {
    m_windowTitle = "Morvelt";
    m_bUseDepthBuffer = TRUE;
    ResetAnimationState();
}

void CMyD3DApplication::ResetAnimationState() {
    m_fTransitionClock = 0.0f;
    m_fBeatTimer = 0.0f;
    std::copy(std::begin(kInitialBarY), std::end(kInitialBarY), m_fBarY);
    m_fSceneAngle = 0.0f;
    m_fSurfaceZ = 7.0f;
    m_fMorphPhase = 0.0f;
    m_fCaveClock = 0.0f;
    m_fSpinRateX = m_fSpinRateY = m_fSpinRateZ = 0.0f;
    m_fSpinX = m_fSpinY = m_fSpinZ = 0.0f;
    m_fShutter = 0.0f;
    m_fCameraAngle = kCreatureCameraAngle;
}

ProductionSnapshot CMyD3DApplication::Inspect() const {
    ProductionSnapshot s{};
    s.transitionClock = m_fTransitionClock;
    s.hasTransition = m_pTransition != nullptr;
    s.beatTimer = m_fBeatTimer;
    std::copy(std::begin(m_fBarY), std::end(m_fBarY), s.barY);
    s.surfaceZ = m_fSurfaceZ;
    s.morphPhase = m_fMorphPhase;
    s.caveClock = m_fCaveClock;
    const float rates[] = {m_fSpinRateX, m_fSpinRateY, m_fSpinRateZ}, angles[] = {m_fSpinX, m_fSpinY, m_fSpinZ};
    std::copy(std::begin(rates), std::end(rates), s.spinRate);
    std::copy(std::begin(angles), std::end(angles), s.spin);
    s.bumpMapFormat = m_bumpMapFormat;
    s.sphereVertices = m_nSphereVertices;
    s.flareSpots = m_LensFlare.m_spots.size();
    return s;
}

CMyD3DApplication::~CMyD3DApplication() {
    delete m_pTransition;
    delete m_pFontArial9;
}

// Accepts only devices with bump environment mapping on a signed format they can sample,
// and never the pure device. Luminance formats are preferred here; the format actually used
// is chosen later with V8U8 first.
HRESULT CMyD3DApplication::CheckDeviceCaps(D3DCAPS8* caps, DWORD behaviorFlags, D3DFORMAT backBufferFormat) {
    if (behaviorFlags & D3DCREATE_PUREDEVICE) return E_FAIL;
    auto textureFormatPasses = [&](D3DFORMAT format) {
        return SUCCEEDED(m_pDirect3D->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType, backBufferFormat,
                                                         0, D3DRTYPE_TEXTURE, format));
    };
    if (caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAPLUMINANCE) {
        if (textureFormatPasses(D3DFMT_X8L8V8U8)) return S_OK;
        if (textureFormatPasses(D3DFMT_L6V5U5)) return S_OK;
    }
    if ((caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP) && textureFormatPasses(D3DFMT_V8U8)) return S_OK;
    return E_FAIL;
}

// The four-headed arrow is the class cursor of the window from start-up on.
HRESULT CMyD3DApplication::InitOnce() {
    if (m_pCapture && !ChooseCaptureDevice()) return E_FAIL;
    if (m_pPlay && !ChoosePlayDevice()) return E_FAIL;
    music_clock::FollowFrameClock();
    SetClassLong(m_hWnd, GCL_HCURSOR, static_cast<LONG>(reinterpret_cast<LONG_PTR>(LoadCursor(nullptr, IDC_SIZEALL))));
    return S_OK;
}

LRESULT CMyD3DApplication::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && m_bReady && HandlePlayerKey(message, wParam)) return 0;
    return CD3DApplication::HandleMessage(hWnd, message, wParam, lParam);
}

HRESULT CMyD3DApplication::Shutdown() {
    delete m_pFontArial9;
    m_pFontArial9 = nullptr;
    return S_OK;
}
