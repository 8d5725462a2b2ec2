// The production driven by its tests: an off-screen REF device made as the frame would make it
// (optionally behind a recording device), frames driven as the frame drives them, and the
// program-wide state reset.
#pragma once

#include "production/application.h"
#include "production/scene_state.h"

#include "platform/crt_rand.h"
#include "platform/d3d8/testing.h"
#include "tests/support/present_params.h"
#include "tests/support/recording_device.h"

#include <gtest/gtest.h>

#include <memory>

// The production with the frame's device and clock within the tests' reach (the frame keeps
// them for its derived class); the production's own state is read through Inspect().
struct TestProduction : CMyD3DApplication {
    using CD3DApplication::m_backBufferDesc;
    using CD3DApplication::m_deviceCaps;
    using CD3DApplication::m_fElapsedTime;
    using CD3DApplication::m_fTime;
    using CD3DApplication::m_pDevice;
    using CD3DApplication::m_pDirect3D;
};

// Drives the production the way the frame does.
struct ProductionTestAccess {
    TestProduction app;
    std::unique_ptr<fake::RecordingDevice> recorder;  // in front of the device when asked for

    ~ProductionTestAccess() { DropDevice(); }

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
