// The production: the application frame's one derived class. It loads the production's
// assets with the device (device_objects.cpp), advances its animated state every frame
// (update.cpp) and draws the timeline of scenes in step with the music (timeline.cpp and
// one scene_*.cpp per scene).
#pragma once

#include "app/d3dapp.h"
#include "production/capture_options.h"
#include "effects/lens_flare.h"
#include "effects/transition.h"
#include "platform/d3dx8.h"
#include "render/texture_font.h"

#include <cstddef>

// The production's state as seen from outside (Inspect): what the per-frame update advances
// and what loading the device objects decided.
struct ProductionSnapshot {
    static constexpr int kBarCount = 6;

    float transitionClock;      // seconds since the running transition started; 0 = none running
    bool hasTransition;         // a transition is made, ready for the scenes that draw one
    float beatTimer;            // seconds since the last beat event
    float barY[kBarCount];      // scrolling bar offsets of the countdown
    float surfaceZ;             // sphere distance of the surface scene
    float morphPhase;           // sphere morph phase, radians
    float caveClock;            // cave flight clock, seconds
    float spinRate[3];          // credits figure's turn rates about x, y, z, radians per frame
    float spin[3];              // its angles, radians
    D3DFORMAT bumpMapFormat;    // the format the bump map was made in
    int sphereVertices;         // vertices of the sphere buffer
    std::size_t flareSpots;     // spots of the lens flare
};

class CMyD3DApplication : public CD3DApplication {
public:
    CMyD3DApplication();
    ~CMyD3DApplication() override;

    // Records the production instead of playing it (capture.cpp); returns the exit status.
    INT Capture(HINSTANCE instance, const CaptureOptions& options);
    // Plays it with the command line's options (player.cpp); returns the exit status.
    INT Play(HINSTANCE instance, const PlayOptions& options);

    // A copy of the state the update and the device objects leave, for looking at from outside.
    ProductionSnapshot Inspect() const;

    // The frame's hooks, public as the frame declares them.
    HRESULT CheckDeviceCaps(D3DCAPS8* caps, DWORD behaviorFlags, D3DFORMAT backBufferFormat) override;
    HRESULT InitOnce() override;
    HRESULT CreateDeviceObjects() override;
    HRESULT RebuildDeviceObjects() override;
    HRESULT UpdateFrame() override;
    HRESULT Render() override;
    HRESULT ReleaseDeviceObjects() override;
    HRESULT DestroyDeviceObjects() override;
    HRESULT Shutdown() override;
    LRESULT HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr int kCreditTextureCount = 14;
    static constexpr int kGreetingTextureCount = 8;
    static constexpr int kBarCount = ProductionSnapshot::kBarCount;

    bool ChooseCaptureDevice();
    bool ChoosePlayDevice();
    void FollowPlayOptionsAtEnd();
    void OpenMusic();  // StartAudio, then OpenMusicStream
    void StartAudio();
    void OpenMusicStream();
    void CloseMusic();
    // The animation state of the update back to a fresh production's (application.cpp).
    void ResetAnimationState();

    // Watching (player_controls.cpp): a key while playing; true when it was one of the player's.
    bool HandlePlayerKey(UINT message, WPARAM key);
    void ChangeVolume(float step);
    void DrawOverlay();
    // Seeking (seek.cpp): the production begun afresh and run ahead to production time
    // `target` seconds; its first picture is the one a recording shows at that time.
    HRESULT SeekTo(float target);
    void ShowSeekProgress(float fraction);

    // Device objects (device_objects.cpp).
    HRESULT CreateSphereBuffer();
    HRESULT CreateBumpMap();
    HRESULT CreateWaveBumpTexture();
    HRESULT CreateScreenQuad();
    void SetFixedDeviceState();
    bool BumpFormatUsable(D3DFORMAT format, DWORD requiredTextureOp);

    // Per-frame update (update.cpp).
    void UpdateScene(float t, float dt);
    void RecycleTransition();
    void FillSphere();
    void BlendLayers(bool on);
    void SetPointLight(float x, float y, float z, float level, float range);

    // Timeline and shared drawing (timeline.cpp).
    void DrawLayer(IDirect3DTexture8* texture, float tx, float ty, float tz, float sx, float sy, float sz);
    void DrawScreenQuad(IDirect3DTexture8* texture);
    void StartOverlayLayer();
    void ResetViewToIdentity();
    void PrepareBlackScene();
    void SetSphereMapping(IDirect3DTexture8* environment);
    void ClearSphereMapping();
    void UseMeshMaterials(class CD3DMesh* mesh, bool on);
    void ReplaceTransition(CTransition* transition, float durationSeconds);

    // The scenes, one file each; `spectrum` holds 256 magnitudes, lowest band first.
    void RenderBlackScene();
    void RenderNumeralFlash(float t);
    void RenderOpening(float t, const float* spectrum);
    void RenderOpeningOffscreen(const float* spectrum);
    void RenderShapes(float t);
    void RenderCountdown(float t, const float* spectrum);
    void RenderBumpGrids(float t, const float* spectrum);
    void RenderFigures(float t);
    void RenderCave(const float* spectrum);
    void RenderCredits(float t, const float* spectrum);
    void RenderCreditsOffscreen(float t, const float* spectrum);
    void DrawCreditsFigure(float t, const float* spectrum);
    void SetCreditsCamera(float t);
    void RenderFinale(const float* spectrum);

    // Textures made with the device (survive resets).
    IDirect3DTexture8* m_pBaseTexture;
    IDirect3DTexture8* m_pMarkTexture;
    IDirect3DTexture8* m_pBumpSourceTexture;
    IDirect3DTexture8* m_pBumpEnvTexture;
    D3DFORMAT m_bumpMapFormat;
    IDirect3DVertexBuffer8* m_pSphereVB;
    int m_nSphereVertices;
    IDirect3DTexture8* m_pBumpMapTexture;
    IDirect3DTexture8* m_pBg2AlphaTexture;
    IDirect3DTexture8* m_pWaveBumpTexture;
    IDirect3DVertexBuffer8* m_pBackgroundVB;

    // Device objects remade on every rebuild.
    IDirect3DTexture8* m_pEmptyTexture;
    IDirect3DTexture8* m_pAlvenTexture;
    IDirect3DTexture8* m_pAlven2Texture;
    IDirect3DTexture8* m_pEnvTexture;
    IDirect3DTexture8* m_pEnv2Texture;
    IDirect3DTexture8* m_pBgTexture;
    IDirect3DTexture8* m_pOg1Texture;
    IDirect3DTexture8* m_pOg2Texture;
    IDirect3DTexture8* m_pNameTexture;
    IDirect3DTexture8* m_pS6OverTexture;
    IDirect3DTexture8* m_pBackS3Texture;
    IDirect3DTexture8* m_pEnv3Texture;
    IDirect3DTexture8* m_pLogoTexture;
    IDirect3DTexture8* m_pEnvNrTexture;
    IDirect3DTexture8* m_pDigit1Texture;
    IDirect3DTexture8* m_pDigit2Texture;
    IDirect3DTexture8* m_pDigit3Texture;
    IDirect3DTexture8* m_pFrameTexture;
    IDirect3DTexture8* m_pBoxTexture;
    IDirect3DTexture8* m_pS7CubeTexture;
    IDirect3DTexture8* m_pCreditTextures[kCreditTextureCount];
    IDirect3DTexture8* m_pGTextures[kGreetingTextureCount];
    IDirect3DTexture8* m_pImage1Texture;
    IDirect3DTexture8* m_pImage2Texture;
    IDirect3DTexture8* m_pImage3Texture;
    IDirect3DTexture8* m_pRenderTarget0;
    IDirect3DTexture8* m_pRenderTargetSmall;
    IDirect3DVertexBuffer8* m_pScreenQuadVB;
    int m_nScreenQuadVertices;

    const CaptureOptions* m_pCapture;  // set while recording
    const PlayOptions* m_pPlay;        // set while playing with options

    // Watching.
    float m_fVolume;       // music volume, 0..1
    bool m_bMuted;
    bool m_bShowOverlay;   // the help overlay with the keys and the production's state

    CTextureFont* m_pFontArial9;
    CLensFlare m_LensFlare;
    CTransition* m_pTransition;

    // Animation state (update.cpp), seconds unless said.
    float m_fTransitionClock;  // since the current transition started; 0 = none running
    float m_fBeatTimer;        // since the last beat event
    float m_fBarY[kBarCount];  // scrolling bar offsets of the countdown
    float m_fSceneAngle;       // surface scene clock
    float m_fSurfaceZ;         // sphere distance, pulses on each beat
    float m_fMorphPhase;       // sphere morph phase, radians
    float m_fCaveClock;        // cave flight clock
    float m_fSpinRateX, m_fSpinRateY, m_fSpinRateZ;  // radians per frame
    float m_fSpinX, m_fSpinY, m_fSpinZ;              // radians
    float m_fShutter;      // shutter bar width of the opening
    float m_fCameraAngle;  // radians: the creature camera of the opening

    // Switches of the surface scene.
    BOOL m_bDenseSphere;
    BOOL m_bUseBaseTexture;
    BOOL m_bCanBumpMap;
    BOOL m_bUseEnvMap;
    BOOL m_bValidateFailed;

    // Scratch matrices the scenes share; they keep their values between frames.
    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matTrans;
    D3DXMATRIX m_matScale;
    D3DXMATRIX m_matScale2;
    D3DXMATRIX m_matIdentity;
};
