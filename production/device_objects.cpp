// The device objects: every texture, mesh, particle script and the music of the asset manifest
// (assets/asset_manifest.h) loaded with its parameters, and the procedural textures, buffers
// and fixed device state.
#include "production/application.h"

#include "production/bump_maps.h"
#include "production/music_clock.h"
#include "production/program_objects.h"
#include "production/sphere.h"
#include "production/text_file.h"
#include "production/timeline_clock.h"
#include "production/vertices.h"

#include "app/media.h"
#include "app/safe_release.h"
#include "assets/asset_manifest.h"

#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace {

// Runs a task on a thread of its own until the end of the scope, or at once where no thread
// can be made.
class Beside {
public:
    template <class Task>
    explicit Beside(Task task) {
        try {
            thread_ = std::thread(task);
        } catch (const std::system_error&) {
            task();
        }
    }
    ~Beside() {
        if (thread_.joinable()) thread_.join();
    }
    Beside(const Beside&) = delete;
    Beside& operator=(const Beside&) = delete;

private:
    std::thread thread_;
};

constexpr D3DCOLOR kColourKey = 0xFF004040;  // opaque RGB 0, 64, 64 becomes transparent black
constexpr DWORD kMediaFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR;
constexpr DWORD kExactSeekFlag = BASS_MP3_SETPOS;

struct FlareSpotSpec {
    int texture;  // index into the flare's textures lf1..lf4
    float size;
    float position;
    D3DXCOLOR colour;
};

const FlareSpotSpec kFlareSpots[] = {
    {0, 1.2f, 1.0f, {1, 1, 1, 1}},       {2, 0.1f, 0.8f, {0.7f, 0.5f, 0, 0.2f}},
    {2, 0.01f, 0.7f, {1, 0, 0, 0.7f}},   {1, 0.05f, 0.6f, {1, 1, 0, 0.5f}},
    {3, 0.13f, 0.5f, {1, 1, 0, 0.5f}},   {1, 0.05f, 0.4f, {1, 0.5f, 0, 1}},
    {2, 0.05f, 0.1f, {1, 1, 0.5f, 0.5f}}, {1, 0.05f, -0.2f, {1, 0, 0, 1}},
    {2, 0.09f, -0.3f, {1, 1, 0.6f, 0.5f}}, {1, 0.15f, -0.4f, {1, 0.7f, 0, 0.3f}},
    {3, 0.15f, -0.7f, {1, 0.5f, 0, 0.2f}}, {2, 0.32f, -1.0f, {1, 0.7f, 0, 0.4f}},
    {3, 0.4f, -1.3f, {1, 0, 0, 0.7f}},
};

}  // namespace

HRESULT CMyD3DApplication::CreateDeviceObjects() {
    HRESULT hr = m_pFontArial9->CreateDeviceObjects(m_pDevice);
    if (FAILED(hr)) return hr;

    IDirect3DTexture8** const requiredMedia[] = {&m_pBaseTexture, &m_pMarkTexture, &m_pBumpSourceTexture,
                                                 &m_pBumpEnvTexture};
    static_assert(std::size(requiredMedia) == std::size(assets::kRequiredMedia));
    for (size_t i = 0; i < std::size(requiredMedia); ++i) {
        const assets::Asset& media = assets::kRequiredMedia[i];
        if (FAILED(CreateTextureFromMedia(m_pDevice, media.path, requiredMedia[i], media.format)))
            return FRAMEERR_MEDIA_NOT_FOUND;
    }

    // Tested in the order of preference for drawing: V8U8 first, then the luminance formats.
    const bool v8u8 = BumpFormatUsable(D3DFMT_V8U8, D3DTEXOPCAPS_BUMPENVMAP);
    const bool l6v5u5 = BumpFormatUsable(D3DFMT_L6V5U5, D3DTEXOPCAPS_BUMPENVMAPLUMINANCE);
    const bool x8l8v8u8 = BumpFormatUsable(D3DFMT_X8L8V8U8, D3DTEXOPCAPS_BUMPENVMAPLUMINANCE);
    if (v8u8)
        m_bumpMapFormat = D3DFMT_V8U8;
    else if (l6v5u5)
        m_bumpMapFormat = D3DFMT_L6V5U5;
    else if (x8l8v8u8)
        m_bumpMapFormat = D3DFMT_X8L8V8U8;
    else
        return E_FAIL;

    if (FAILED(CreateSphereBuffer())) return E_FAIL;
    if (FAILED(CreateBumpMap())) return E_FAIL;
    if (FAILED(CreateTextureFromMedia(m_pDevice, assets::kBumpAlpha.path, &m_pBg2AlphaTexture,
                                      assets::kBumpAlpha.format)))
        return E_FAIL;
    if (FAILED(CreateWaveBumpTexture())) return E_FAIL;

    // The background strip; its first texture pairs are written by the surface scene.
    if (FAILED(m_pDevice->CreateVertexBuffer(4 * sizeof(TwoTextureVertex), D3DUSAGE_WRITEONLY, kTwoTextureFVF,
                                             D3DPOOL_MANAGED, &m_pBackgroundVB)))
        return E_FAIL;
    TwoTextureVertex* strip = nullptr;
    if (SUCCEEDED(m_pBackgroundVB->Lock(0, 0, reinterpret_cast<BYTE**>(&strip), 0))) {
        const D3DXVECTOR3 positions[] = {{-60, -60, 0}, {-60, 60, 0}, {60, -60, 0}, {60, 60, 0}};
        const float second[][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
        for (int i = 0; i < 4; ++i) {
            strip[i].position = positions[i];
            strip[i].normal = D3DXVECTOR3(0, 1, 0);
            strip[i].u1 = strip[i].v1 = 0;
            strip[i].u2 = second[i][0];
            strip[i].v2 = second[i][1];
        }
        m_pBackgroundVB->Unlock();
    }

    m_bValidateFailed = FALSE;
    return S_OK;
}

bool CMyD3DApplication::BumpFormatUsable(D3DFORMAT format, DWORD requiredTextureOp) {
    return SUCCEEDED(m_pDirect3D->CheckDeviceFormat(m_deviceCaps.AdapterOrdinal, m_deviceCaps.DeviceType,
                                                     m_backBufferDesc.Format, 0, D3DRTYPE_TEXTURE, format)) &&
           (m_deviceCaps.TextureOpCaps & requiredTextureOp) != 0;
}

HRESULT CMyD3DApplication::CreateSphereBuffer() {
    SafeRelease(m_pSphereVB);
    m_nSphereVertices = static_cast<int>(sphere::VertexCount(m_bDenseSphere ? sphere::kDense : sphere::kSparse));
    if (FAILED(m_pDevice->CreateVertexBuffer(m_nSphereVertices * sizeof(TwoTextureVertex), D3DUSAGE_WRITEONLY,
                                             kTwoTextureFVF, D3DPOOL_MANAGED, &m_pSphereVB)))
        return E_FAIL;
    return S_OK;
}

HRESULT CMyD3DApplication::CreateBumpMap() {
    D3DSURFACE_DESC desc;
    m_pBumpSourceTexture->GetLevelDesc(0, &desc);
    if (FAILED(m_pDevice->CreateTexture(desc.Width, desc.Height, 1, 0, m_bumpMapFormat, D3DPOOL_MANAGED,
                                        &m_pBumpMapTexture)))
        return E_FAIL;
    D3DLOCKED_RECT source, destination;
    if (FAILED(m_pBumpSourceTexture->LockRect(0, &source, nullptr, 0))) return E_FAIL;
    if (FAILED(m_pBumpMapTexture->LockRect(0, &destination, nullptr, 0))) {
        m_pBumpSourceTexture->UnlockRect(0);
        return E_FAIL;
    }
    bump_maps::WriteFromHeightField(static_cast<const BYTE*>(source.pBits), source.Pitch, desc.Width, desc.Height,
                                    m_bumpMapFormat, static_cast<BYTE*>(destination.pBits), destination.Pitch);
    m_pBumpMapTexture->UnlockRect(0);
    m_pBumpSourceTexture->UnlockRect(0);
    return S_OK;
}

HRESULT CMyD3DApplication::CreateWaveBumpTexture() {
    if (FAILED(m_pDevice->CreateTexture(bump_maps::kWaveSize, bump_maps::kWaveSize, 1, 0, D3DFMT_V8U8,
                                        D3DPOOL_MANAGED, &m_pWaveBumpTexture)))
        return E_FAIL;
    D3DLOCKED_RECT locked;
    if (FAILED(m_pWaveBumpTexture->LockRect(0, &locked, nullptr, 0))) return E_FAIL;
    bump_maps::WriteWave(static_cast<BYTE*>(locked.pBits), locked.Pitch);
    m_pWaveBumpTexture->UnlockRect(0);
    return S_OK;
}

// The audio library and the music stream; once the timeline has started the music, a stream
// made anew plays on from where the production is.
void CMyD3DApplication::OpenMusic() {
    StartAudio();
    OpenMusicStream();
}

void CMyD3DApplication::StartAudio() { BASS_Init(1, 44100, 0, m_hWnd, nullptr); }

void CMyD3DApplication::OpenMusicStream() {
    g_hMusic = BASS_StreamCreateFile(FALSE, assets::kMusic.path, 0, 0, kExactSeekFlag);
    music_clock::Reopened();
}

void CMyD3DApplication::CloseMusic() {
    music_clock::Report();
    BASS_Free();
    g_hMusic = 0;
}

HRESULT CMyD3DApplication::RebuildDeviceObjects() {
    m_fTransitionClock = 0.0f;

    // The audio library starts and the stream opens once per device lifetime: a second start
    // is refused, and a second stream would leave the first playing unreachable. The music
    // decodes beside the loading of everything else, which takes about as long; the library
    // starts first, on this thread, so that what it tells (no sound device) stays a line of
    // its own among the others.
    std::optional<Beside> musicOpening;
    if (g_hMusic == 0) {
        StartAudio();
        musicOpening.emplace([this] { OpenMusicStream(); });
    }

    for (const ProductionEmitter& entry : kProductionEmitters) {
        std::string script, reason;
        const bool read = ReadTextFile(entry.script, script, &reason);
        if (!read)
            platform::TellUser("%s: cannot be read: %s (its particle system is left out)", entry.script,
                               reason.c_str());
        CParticleEmitter& emitter = *entry.emitter;
        emitter.RebuildDeviceObjects(m_pDevice);
        if (!emitter.Compile(script.c_str()) && read)
            platform::TellUser("%s:%d: %s (its particle system is left out)", entry.script,
                               emitter.GetLastErrorLine(), emitter.GetLastError().c_str());
        if (&emitter != &g_TunnelEmitter) emitter.SetPos(D3DXVECTOR3(0, 0, 0));
        emitter.Stop();
        if (&emitter != &g_AlvenEmitter) emitter.Start();  // the alven system is started by the timeline
    }

    m_LensFlare.RebuildDeviceObjects(m_pDevice);
    IDirect3DTexture8* flareTextures[std::size(assets::kFlareTextures)];
    for (size_t i = 0; i < std::size(flareTextures); ++i)
        flareTextures[i] = m_LensFlare.AddTexture(assets::kFlareTextures[i].path);
    for (const FlareSpotSpec& spot : kFlareSpots)
        m_LensFlare.AddSpot(CLensFlareSpot(flareTextures[spot.texture], spot.size, spot.position, spot.colour));

    m_pFontArial9->RebuildDeviceObjects();

    // Meshes load afresh on every rebuild; Destroy first so a reload never leaks the old copy.
    for (const ProductionMesh& entry : kProductionMeshes) {
        (*entry.mesh)->Destroy();
        if (FAILED((*entry.mesh)->Create(m_pDevice, entry.file))) return E_FAIL;
    }
    for (const ProductionMesh& entry : kProductionMeshes) (*entry.mesh)->RebuildDeviceObjects(m_pDevice);

    IDirect3DTexture8** const restoreTextures[] = {
        &m_pEmptyTexture,  &m_pAlvenTexture, &m_pAlven2Texture, &m_pEnvTexture,    &m_pEnv2Texture,
        &m_pBgTexture,     &m_pOg1Texture,   &m_pOg2Texture,    &m_pNameTexture,   &m_pS6OverTexture,
        &m_pBackS3Texture, &m_pEnv3Texture,  &m_pLogoTexture,   &m_pEnvNrTexture,  &m_pDigit1Texture,
        &m_pDigit2Texture, &m_pDigit3Texture, &m_pFrameTexture, &m_pBoxTexture,    &m_pS7CubeTexture,
    };
    static_assert(std::size(restoreTextures) == std::size(assets::kRestoreTextures));
    static_assert(kCreditTextureCount == std::size(assets::kCreditTextures));
    static_assert(kGreetingTextureCount == std::size(assets::kGreetingTextures));
    for (size_t i = 0; i < std::size(restoreTextures); ++i)
        D3DXCreateTextureFromFileA(m_pDevice, assets::kRestoreTextures[i].path, restoreTextures[i]);
    for (int i = 0; i < kCreditTextureCount; ++i)
        D3DXCreateTextureFromFileA(m_pDevice, assets::kCreditTextures[i].path, &m_pCreditTextures[i]);
    for (int i = 0; i < kGreetingTextureCount; ++i)
        D3DXCreateTextureFromFileA(m_pDevice, assets::kGreetingTextures[i].path, &m_pGTextures[i]);

    IDirect3DTexture8** const keyedImages[] = {&m_pImage1Texture, &m_pImage2Texture, &m_pImage3Texture};
    static_assert(std::size(keyedImages) == std::size(assets::kColourKeyedImages));
    for (size_t i = 0; i < std::size(keyedImages); ++i) {
        const assets::Asset& image = assets::kColourKeyedImages[i];
        const HRESULT hr = D3DXCreateTextureFromFileExA(m_pDevice, image.path, 0, 0, 1, 0, image.format,
                                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, kColourKey,
                                                        nullptr, nullptr, keyedImages[i]);
        if (FAILED(hr)) return hr;
    }

    HRESULT hr = D3DXCreateTexture(m_pDevice, 1024, 1024, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &m_pRenderTarget0);
    if (FAILED(hr)) return hr;
    hr = D3DXCreateTexture(m_pDevice, 64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                           &m_pRenderTargetSmall);
    if (FAILED(hr)) return hr;

    delete m_pTransition;
    m_pTransition = nullptr;
    m_pTransition = new CSolidFadeTransition(m_pDevice, nullptr, D3DXCOLOR(1, 0, 0, 1));
    m_pTransition->SetDuration(timeline::kFadeDuration);
    m_fTransitionClock = 0.0f;

    SetFixedDeviceState();
    return S_OK;
}

// The render states, transforms, stage states and light that every frame starts from.
void CMyD3DApplication::SetFixedDeviceState() {
    auto setBaseRenderStates = [this] {
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    };
    setBaseRenderStates();
    for (DWORD stage = 0; stage < 3; ++stage) {
        m_pDevice->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        m_pDevice->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        m_pDevice->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }

    CreateScreenQuad();

    D3DXMATRIX world, projection;
    D3DXMatrixIdentity(&world);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
    const float aspect = static_cast<float>(m_backBufferDesc.Width) / static_cast<float>(m_backBufferDesc.Height);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, aspect, 0.1f, 100.0f);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);

    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    setBaseRenderStates();

    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_SPOT;
    light.Diffuse = {1, 1, 1, 1};
    light.Ambient = {1, 1, 1, 1};
    light.Position = {0, 5, 2};
    light.Direction = {0, -1, 0};
    light.Range = 100.0f;
    light.Falloff = 1.0f;
    light.Attenuation0 = 1.0f;
    light.Theta = D3DX_PI / 4;
    light.Phi = D3DX_PI / 2;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
}

// The unit screen quad: two triangles from -0.5 to 0.5, white, v = 0 at the top.
HRESULT CMyD3DApplication::CreateScreenQuad() {
    const HRESULT hr = m_pDevice->CreateVertexBuffer(m_nScreenQuadVertices * sizeof(ScreenQuadVertex), 0,
                                                     kScreenQuadFVF, D3DPOOL_MANAGED, &m_pScreenQuadVB);
    if (FAILED(hr)) return hr;  // a quad that cannot be made is not locked; layers then draw nothing
    ScreenQuadVertex* quad = nullptr;
    if (FAILED(m_pScreenQuadVB->Lock(0, m_nScreenQuadVertices * sizeof(ScreenQuadVertex),
                                     reinterpret_cast<BYTE**>(&quad), 0)))
        return E_FAIL;
    const ScreenQuadVertex vertices[] = {
        {{-0.5f, 0.5f, 0}, 0xFFFFFFFF, 0, 0}, {{0.5f, 0.5f, 0}, 0xFFFFFFFF, 1, 0},
        {{0.5f, -0.5f, 0}, 0xFFFFFFFF, 1, 1}, {{-0.5f, 0.5f, 0}, 0xFFFFFFFF, 0, 0},
        {{0.5f, -0.5f, 0}, 0xFFFFFFFF, 1, 1}, {{-0.5f, -0.5f, 0}, 0xFFFFFFFF, 0, 1},
    };
    std::copy(std::begin(vertices), std::end(vertices), quad);
    m_pScreenQuadVB->Unlock();
    return S_OK;
}

HRESULT CMyD3DApplication::ReleaseDeviceObjects() {
    SafeRelease(m_pScreenQuadVB);
    for (IDirect3DTexture8** texture :
         {&m_pEmptyTexture, &m_pAlvenTexture, &m_pAlven2Texture, &m_pEnvTexture, &m_pEnv2Texture, &m_pBgTexture,
          &m_pOg1Texture, &m_pOg2Texture, &m_pNameTexture, &m_pS6OverTexture, &m_pBackS3Texture, &m_pEnv3Texture,
          &m_pLogoTexture, &m_pEnvNrTexture, &m_pDigit1Texture, &m_pDigit2Texture, &m_pDigit3Texture,
          &m_pFrameTexture, &m_pBoxTexture})
        SafeRelease(*texture);
    delete m_pTransition;
    m_pTransition = nullptr;
    for (IDirect3DTexture8** texture : {&m_pImage1Texture, &m_pImage2Texture, &m_pImage3Texture, &m_pS7CubeTexture,
                                        &m_pRenderTarget0, &m_pRenderTargetSmall})
        SafeRelease(*texture);
    for (IDirect3DTexture8*& texture : m_pCreditTextures) SafeRelease(texture);
    for (IDirect3DTexture8*& texture : m_pGTextures) SafeRelease(texture);
    m_LensFlare.ReleaseDeviceObjects();
    for (const ProductionEmitter& entry : kProductionEmitters) entry.emitter->ReleaseDeviceObjects();
    for (const ProductionMesh& entry : kProductionMeshes) (*entry.mesh)->ReleaseDeviceObjects();
    m_pFontArial9->ReleaseDeviceObjects();
    return S_OK;
}

HRESULT CMyD3DApplication::DestroyDeviceObjects() {
    CloseMusic();
    m_pFontArial9->DestroyDeviceObjects();
    for (CD3DMesh* mesh : {g_pSquidMesh, g_pHaloMesh, g_pLogoMesh, g_pShapeMesh, g_pBoxyMesh, g_pFemMesh,
                           g_pAlienMesh, g_pAlien2Mesh, g_pCaveMesh, g_pObjFaenMesh, g_pSakligMesh, g_pOneMesh,
                           g_pTwoMesh, g_pThreeMesh, g_pFourMesh, g_pFiveMesh})
        mesh->Destroy();
    for (IDirect3DTexture8** texture : {&m_pBaseTexture, &m_pMarkTexture, &m_pBumpSourceTexture, &m_pBumpEnvTexture,
                                        &m_pBumpMapTexture})
        SafeRelease(*texture);
    SafeRelease(m_pSphereVB);
    SafeRelease(m_pBackgroundVB);
    SafeRelease(m_pWaveBumpTexture);
    SafeRelease(m_pBg2AlphaTexture);
    return S_OK;
}
