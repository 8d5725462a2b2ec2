// Shared by the frame's tests: an application that records its hooks, and a fixture that
// gives every case a fresh fake Direct3D, a fake clock, an empty queue and captured boxes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/d3dapp.h"
#include "app/frame_timer.h"
#include "app/testing.h"
#include "tests/app/fake_d3d.h"

class TestApp : public CD3DApplication {
public:
    using CD3DApplication::ChooseDepthStencilFormat;
    using CD3DApplication::EnumerateDevices;
    using CD3DApplication::InitializeDevice;
    using CD3DApplication::RenderFrame;
    using CD3DApplication::ResetDevice;
    using CD3DApplication::ShowDeviceDialog;
    using CD3DApplication::SwitchDisplayMode;
    using CD3DApplication::m_adapterCount;
    using CD3DApplication::m_adapterIndex;
    using CD3DApplication::m_adapters;
    using CD3DApplication::m_bActive;
    using CD3DApplication::m_backBufferDesc;
    using CD3DApplication::m_bReady;
    using CD3DApplication::m_bStepPending;
    using CD3DApplication::m_bTimeRunning;
    using CD3DApplication::m_bUseDepthBuffer;
    using CD3DApplication::m_bWindowed;
    using CD3DApplication::m_bShowDeviceCursor;
    using CD3DApplication::m_clientRect;
    using CD3DApplication::m_deviceStats;
    using CD3DApplication::m_fElapsedTime;
    using CD3DApplication::m_fFPS;
    using CD3DApplication::m_frameStats;
    using CD3DApplication::m_framesGivenUp;
    using CD3DApplication::m_fTime;
    using CD3DApplication::m_hWnd;
    using CD3DApplication::m_minDepthBits;
    using CD3DApplication::m_minStencilBits;
    using CD3DApplication::m_pDevice;
    using CD3DApplication::m_pDirect3D;
    using CD3DApplication::m_presentParams;
    using CD3DApplication::m_windowBounds;

    std::vector<std::string> hooks;
    std::function<HRESULT(D3DCAPS8*, DWORD, D3DFORMAT)> checkCaps;
    std::function<void()> onRender;
    std::function<void(UINT msg, WPARAM wParam)> onMessage;
    HRESULT createObjectsResult = S_OK;
    HRESULT updateResult = S_OK;
    HRESULT renderResult = S_OK;
    int updates = 0;
    int renders = 0;

    HRESULT CheckDeviceCaps(D3DCAPS8* caps, DWORD behavior, D3DFORMAT format) override {
        return checkCaps ? checkCaps(caps, behavior, format) : S_OK;
    }
    HRESULT InitOnce() override { return Log("InitOnce", S_OK); }
    HRESULT CreateDeviceObjects() override { return Log("CreateDeviceObjects", createObjectsResult); }
    HRESULT RebuildDeviceObjects() override { return Log("RebuildDeviceObjects", S_OK); }
    HRESULT UpdateFrame() override {
        ++updates;
        return updateResult;
    }
    HRESULT Render() override {
        ++renders;
        if (onRender) onRender();
        return renderResult;
    }
    HRESULT ReleaseDeviceObjects() override { return Log("ReleaseDeviceObjects", S_OK); }
    HRESULT DestroyDeviceObjects() override { return Log("DestroyDeviceObjects", S_OK); }
    HRESULT Shutdown() override { return Log("Shutdown", S_OK); }

    LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (onMessage) onMessage(msg, wParam);
        return CD3DApplication::HandleMessage(hWnd, msg, wParam, lParam);
    }

    int Count(const std::string& hook) const {
        int n = 0;
        for (auto& h : hooks) n += h == hook;
        return n;
    }

private:
    HRESULT Log(const char* name, HRESULT hr) {
        hooks.push_back(name);
        return hr;
    }
};

struct Box {
    std::string caption, text;
    UINT type;
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Moves the fake clock on by `seconds`.
    void Advance(double seconds);

    // Creates the application (fails the test when Create fails).
    void CreateApp(TestApp& app);

    platform::FakeClock clock_;
    std::vector<Box> boxes_;
};
