// The production opened up for its tests: hooks and state reachable through a subclass, an
// off-screen REF device made as the frame would make it (optionally behind a recording
// device), frames driven as the frame drives them, and the program-wide state reset.
#pragma once

#include "production/application.h"
#include "production/scene_state.h"

#include "platform/crt_rand.h"
#include "platform/d3d8/testing.h"
#include "tests/support/present_params.h"
#include "tests/support/recording_device.h"

#include <gtest/gtest.h>

#include <memory>

// The production with its hooks and state opened up for the tests.
struct TestProduction : CMyD3DApplication {
    using CMyD3DApplication::CheckDeviceCaps;
    using CMyD3DApplication::CreateDeviceObjects;
    using CMyD3DApplication::CreateSphereBuffer;
    using CMyD3DApplication::DestroyDeviceObjects;
    using CMyD3DApplication::RebuildDeviceObjects;
    using CMyD3DApplication::ReleaseDeviceObjects;
    using CMyD3DApplication::Render;
    using CMyD3DApplication::RenderBumpGrids;
    using CMyD3DApplication::UpdateFrame;
    using CMyD3DApplication::m_backBufferDesc;
    using CMyD3DApplication::m_bumpMapFormat;
    using CMyD3DApplication::m_deviceCaps;
    using CMyD3DApplication::m_fBarY;
    using CMyD3DApplication::m_fBeatTimer;
    using CMyD3DApplication::m_fCaveClock;
    using CMyD3DApplication::m_fElapsedTime;
    using CMyD3DApplication::m_fMorphPhase;
    using CMyD3DApplication::m_fSpinRateX;
    using CMyD3DApplication::m_fSpinY;
    using CMyD3DApplication::m_fSurfaceZ;
    using CMyD3DApplication::m_fTime;
    using CMyD3DApplication::m_fTransitionClock;
    using CMyD3DApplication::m_LensFlare;
    using CMyD3DApplication::kCreditTextureCount;
    using CMyD3DApplication::kGreetingTextureCount;
    using CMyD3DApplication::m_nSphereVertices;
    using CMyD3DApplication::m_pBackS3Texture;
    using CMyD3DApplication::m_pCreditTextures;
    using CMyD3DApplication::m_pDevice;
    using CMyD3DApplication::m_pDigit1Texture;
    using CMyD3DApplication::m_pDigit2Texture;
    using CMyD3DApplication::m_pDigit3Texture;
    using CMyD3DApplication::m_pDirect3D;
    using CMyD3DApplication::m_pEnvNrTexture;
    using CMyD3DApplication::m_pFrameTexture;
    using CMyD3DApplication::m_pGTextures;
    using CMyD3DApplication::m_pImage1Texture;
    using CMyD3DApplication::m_pImage2Texture;
    using CMyD3DApplication::m_pLogoTexture;
    using CMyD3DApplication::m_pRenderTarget0;
    using CMyD3DApplication::m_pS6OverTexture;
    using CMyD3DApplication::m_pSphereVB;
    using CMyD3DApplication::m_pTransition;
};

// Drives the production the way the frame does.
struct ProductionTestAccess {
    TestProduction app;
    std::unique_ptr<fake::RecordingDevice> recorder;  // in front of the device when asked for

    ~ProductionTestAccess() {
        if (app.m_pSphereVB) app.m_pSphereVB->Release();  // made by the tests of the surface scene
        app.m_pSphereVB = nullptr;
        DropDevice();
    }

    // An off-screen 320 x 240 REF device with a depth buffer, as the frame would make it; with
    // `record`, the production talks to it through `recorder`.
    void MakeDevice(bool record = false) {
        d3d8::testing::ForceVirtualAdapter(true);
        app.m_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(app.m_pDirect3D, nullptr);
        D3DPRESENT_PARAMETERS pp = TestPresentParams(320, 240, D3DFMT_D24X8);
        ASSERT_EQ(app.m_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                                &app.m_pDevice),
                  D3D_OK);
        if (record) {
            recorder = std::make_unique<fake::RecordingDevice>(app.m_pDevice);
            app.m_pDevice = recorder.get();
        }
        app.m_pDevice->GetDeviceCaps(&app.m_deviceCaps);
        IDirect3DSurface8* backBuffer = nullptr;
        app.m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        backBuffer->GetDesc(&app.m_backBufferDesc);
        backBuffer->Release();
    }

    // Releases the device; returns the count its last Release reported.
    ULONG DropDevice() {
        ULONG remaining = 0;
        if (app.m_pDevice) remaining = app.m_pDevice->Release();
        if (app.m_pDirect3D) app.m_pDirect3D->Release();
        app.m_pDevice = nullptr;
        app.m_pDirect3D = nullptr;
        return remaining;
    }

    void Frame(int scene, float t, float dt) {
        g_nScene = scene;
        app.m_fTime = t;
        app.m_fElapsedTime = dt;
        app.UpdateFrame();
    }

    TestProduction* operator->() { return &app; }
};

// Every program-wide value of the scenes back to its start (as the program sets them), and
// the random sequence too.
inline void ResetSceneStateAndRandom() {
    ResetSceneState();
    crt::srand(1);
}
