#include "app/d3dapp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "app/frame_timer.h"
#include "app/media.h"
#include "app/safe_release.h"
#include "app/testing.h"
#include "resources/resource_ids.h"

CD3DApplication* g_pApp = NULL;

namespace {

// The text of the exception being handled; call inside a catch block.
const char* CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (const char* text) {
        return text ? text : "exception without text";
    } catch (...) {
        return "unknown exception";
    }
}

// Appends `text` to a fixed buffer, cutting it short rather than overrunning.
template <size_t N>
void Append(char (&buffer)[N], const char* text) {
    size_t used = std::strlen(buffer);
    if (used + 1 >= N) return;
    std::strncat(buffer, text, N - 1 - used);
}

}  // namespace

namespace frame_test {

void ResetProcessState() {
    ResetFrameTimer();
    ResetDialogState();
}

}  // namespace frame_test

CD3DApplication::CD3DApplication() {
    g_pApp = this;
    std::memset(m_adapters, 0, sizeof(m_adapters));
    m_adapterCount = 0;
    m_adapterIndex = 0;
    m_bWindowed = TRUE;
    m_bActive = FALSE;
    m_bReady = FALSE;
    m_bTimeRunning = TRUE;
    m_bStepPending = FALSE;
    m_bShowStartDialog = TRUE;
    m_bDrawStillFrames = FALSE;
    m_framesGivenUp = 0;
    m_pauseCount = 0;
    m_statsFrames = 0;
    m_statsLastTime = 0.0f;
    m_bExceptionReported = FALSE;
    std::memset(&m_presentParams, 0, sizeof(m_presentParams));
    m_hWnd = NULL;
    m_hWndFocus = NULL;
    m_pDirect3D = NULL;
    m_pDevice = NULL;
    std::memset(&m_deviceCaps, 0, sizeof(m_deviceCaps));
    std::memset(&m_backBufferDesc, 0, sizeof(m_backBufferDesc));
    m_behaviorFlags = 0;
    m_windowStyle = 0;
    m_windowBounds = RECT{0, 0, 0, 0};
    m_clientRect = RECT{0, 0, 0, 0};
    m_fTime = 0.0f;
    m_fElapsedTime = 0.0f;
    m_fFPS = 0.0f;
    m_deviceStats[0] = '\0';
    m_frameStats[0] = '\0';
    m_windowTitle = "Morvelt";
    m_bUseDepthBuffer = FALSE;
    m_minDepthBits = 16;
    m_minStencilBits = 0;
    m_createWidth = 1024;
    m_createHeight = 768;
    m_bShowDeviceCursor = FALSE;
}

// The window procedure must not reach an object that is gone.
CD3DApplication::~CD3DApplication() {
    if (g_pApp == this) g_pApp = NULL;
}

HRESULT CD3DApplication::CheckDeviceCaps(D3DCAPS8*, DWORD, D3DFORMAT) { return S_OK; }
HRESULT CD3DApplication::InitOnce() { return S_OK; }
HRESULT CD3DApplication::CreateDeviceObjects() { return S_OK; }
HRESULT CD3DApplication::RebuildDeviceObjects() { return S_OK; }
HRESULT CD3DApplication::UpdateFrame() { return S_OK; }
HRESULT CD3DApplication::Render() { return S_OK; }
HRESULT CD3DApplication::ReleaseDeviceObjects() { return S_OK; }
HRESULT CD3DApplication::DestroyDeviceObjects() { return S_OK; }
HRESULT CD3DApplication::Shutdown() { return S_OK; }

LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_pApp == NULL) return DefWindowProc(hWnd, msg, wParam, lParam);
    try {
        return g_pApp->HandleMessage(hWnd, msg, wParam, lParam);
    } catch (...) {
        g_pApp->ReportException(CurrentExceptionText());
        return 0;
    }
}

HRESULT CD3DApplication::RunFrameHook(HRESULT (CD3DApplication::*hook)(), bool* thrown) {
    try {
        return (this->*hook)();
    } catch (...) {
        ReportException(CurrentExceptionText());
        ++m_framesGivenUp;
        *thrown = true;
        return S_OK;
    }
}

void CD3DApplication::ReportException(const char* text) {
    char line[512];
    std::snprintf(line, sizeof(line), "frame: exception: %s\n", text);
    OutputDebugStringA(line);
    if (m_bExceptionReported) return;
    m_bExceptionReported = TRUE;
    ReportError(E_FAIL, REPORT_WARNING);
}

HRESULT CD3DApplication::Create(HINSTANCE hInstance) {
    HRESULT hr;

    m_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (m_pDirect3D == NULL) return ReportError(FRAMEERR_NO_DIRECT3D, REPORT_FATAL);

    if (FAILED(hr = EnumerateDevices())) {
        SafeRelease(m_pDirect3D);
        return ReportError(hr, REPORT_FATAL);
    }

    if (m_hWnd == NULL) {
        WNDCLASS wc = {0,
                       WindowProc,
                       0,
                       0,
                       hInstance,
                       LoadIcon(hInstance, MAKEINTRESOURCE(IDI_MAIN_ICON)),
                       LoadCursor(NULL, IDC_ARROW),
                       static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
                       NULL,
                       "D3D Window"};
        RegisterClass(&wc);

        m_windowStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
        RECT rc = {0, 0, static_cast<LONG>(m_createWidth), static_cast<LONG>(m_createHeight)};
        AdjustWindowRect(&rc, m_windowStyle, TRUE);
        m_hWnd = CreateWindowEx(0, "D3D Window", m_windowTitle, m_windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, NULL, NULL, hInstance, NULL);
        // Without a window nothing below can work: report it instead of carrying on.
        if (m_hWnd == NULL) {
            SafeRelease(m_pDirect3D);
            return ReportError(E_FAIL, REPORT_FATAL);
        }
    }

    if (m_hWndFocus == NULL) m_hWndFocus = m_hWnd;

    m_windowStyle = static_cast<DWORD>(GetWindowLong(m_hWnd, GWL_STYLE));
    GetWindowRect(m_hWnd, &m_windowBounds);
    GetClientRect(m_hWnd, &m_clientRect);

    if (FAILED(hr = InitOnce())) {
        SafeRelease(m_pDirect3D);
        return ReportError(hr, REPORT_FATAL);
    }

    if (FAILED(hr = InitializeDevice())) {
        SafeRelease(m_pDirect3D);
        return ReportError(hr, REPORT_FATAL);
    }

    FrameTimer(TIMER_START);
    m_bReady = TRUE;
    return S_OK;
}

INT CD3DApplication::Run() {
    HACCEL hAccel = LoadAccelerators(GetModuleHandle(NULL), MAKEINTRESOURCE(IDR_MAIN_ACCEL));

    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    msg.message = WM_NULL;
    PeekMessage(&msg, NULL, 0U, 0U, PM_NOREMOVE);

    Pause(TRUE);
    const HRESULT chosen = m_bShowStartDialog ? ShowDeviceDialog() : S_OK;
    Pause(FALSE);
    // "Exit" in the start-up dialog ends the program before anything plays.
    if (chosen == S_FALSE && IsWindow(m_hWnd)) SendMessage(m_hWnd, WM_CLOSE, 0, 0);

    while (msg.message != WM_QUIT) {
        BOOL gotMessage;
        if (m_bActive) {
            gotMessage = PeekMessage(&msg, NULL, 0U, 0U, PM_REMOVE);
        } else {
            const BOOL got = GetMessage(&msg, NULL, 0U, 0U);
            if (got < 0) {
                // No message can ever come (no video at all) and nothing is drawn while
                // inactive: waiting on would spin for ever, so the program closes.
                if (IsWindow(m_hWnd)) SendMessage(m_hWnd, WM_CLOSE, 0, 0);
                break;
            }
            gotMessage = got > 0;
        }

        if (gotMessage) {
            if (hAccel == NULL || !TranslateAccelerator(m_hWnd, hAccel, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        } else if (msg.message != WM_QUIT && m_bActive && m_bReady) {
            if (FAILED(RenderFrame())) SendMessage(m_hWnd, WM_CLOSE, 0, 0);
        }
    }
    if (hAccel != NULL) DestroyAcceleratorTable(hAccel);
    return static_cast<INT>(msg.wParam);
}

HRESULT CD3DApplication::RenderFrame() {
    HRESULT hr;
    if (m_pDevice == NULL) return E_FAIL;

    if (FAILED(hr = m_pDevice->TestCooperativeLevel())) {
        if (hr == D3DERR_DEVICELOST) return S_OK;
        if (hr == D3DERR_DEVICENOTRESET) {
            if (m_bWindowed) {
                AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
                m_pDirect3D->GetAdapterDisplayMode(m_adapterIndex, &pAdapter->desktopMode);
                m_presentParams.BackBufferFormat = pAdapter->desktopMode.Format;
            }
            return ResetDevice();
        }
        return hr;
    }

    FLOAT appTime = FrameTimer(TIMER_GETAPPTIME);
    FLOAT elapsedTime = FrameTimer(TIMER_GETELAPSEDTIME);
    if (elapsedTime == 0.0f && m_bTimeRunning && !m_bDrawStillFrames) return S_OK;

    if (m_bTimeRunning || m_bStepPending) {
        m_fTime = appTime;
        m_fElapsedTime = elapsedTime;
        bool thrown = false;
        if (FAILED(hr = RunFrameHook(&CD3DApplication::UpdateFrame, &thrown))) return hr;
        if (thrown) return S_OK;
        m_bStepPending = FALSE;
    }

    bool thrown = false;
    if (FAILED(hr = RunFrameHook(&CD3DApplication::Render, &thrown))) return hr;
    if (thrown) {
        m_pDevice->EndScene();  // the scene the hook may have left open
        return S_OK;
    }

    FLOAT absoluteTime = FrameTimer(TIMER_GETABSOLUTETIME);
    ++m_statsFrames;
    if (absoluteTime - m_statsLastTime > 1.0f) {
        m_fFPS = static_cast<FLOAT>(m_statsFrames) / (absoluteTime - m_statsLastTime);
        static const bool printStats = std::getenv("MORVELT_PRINT_FPS") != nullptr;  // for measuring
        if (printStats) std::fprintf(stderr, "%.2f fps\n", static_cast<double>(m_fFPS));
        m_statsLastTime = absoluteTime;
        m_statsFrames = 0;

        D3DDISPLAYMODE mode;
        std::memset(&mode, 0, sizeof(mode));
        m_pDevice->GetDisplayMode(&mode);
        std::snprintf(m_frameStats, sizeof(m_frameStats), "%.02f fps (%dx%dx%d)", static_cast<double>(m_fFPS),
                      static_cast<int>(m_backBufferDesc.Width), static_cast<int>(m_backBufferDesc.Height),
                      mode.Format == D3DFMT_X8R8G8B8 ? 32 : 16);
        if (m_bUseDepthBuffer) {
            AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
            DeviceInfo* pDevice = &pAdapter->devices[pAdapter->currentDevice];
            ModeInfo* pMode = &pDevice->modes[pDevice->currentMode];
            switch (pMode->depthStencilFormat) {
                case D3DFMT_D32: Append(m_frameStats, " (D32)"); break;
                case D3DFMT_D15S1: Append(m_frameStats, " (D15S1)"); break;
                case D3DFMT_D24S8: Append(m_frameStats, " (D24S8)"); break;
                case D3DFMT_D24X8: Append(m_frameStats, " (D24X8)"); break;
                case D3DFMT_D24X4S4: Append(m_frameStats, " (D24X4S4)"); break;
                case D3DFMT_D16: Append(m_frameStats, " (D16)"); break;
                default: break;
            }
        }
    }

    m_pDevice->Present(NULL, NULL, NULL, NULL);
    return S_OK;
}

HRESULT CD3DApplication::InitializeDevice() {
    AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
    DeviceInfo* pDevice = &pAdapter->devices[pAdapter->currentDevice];
    ModeInfo* pMode = &pDevice->modes[pDevice->currentMode];

    ApplyWindowStyle();

    std::memset(&m_presentParams, 0, sizeof(m_presentParams));
    m_presentParams.BackBufferCount = 1;
    m_presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_presentParams.EnableAutoDepthStencil = m_bUseDepthBuffer;
    ApplyChoiceToPresentParams();

    HRESULT hr = m_pDirect3D->CreateDevice(m_adapterIndex, pDevice->deviceType, m_hWndFocus, pMode->behavior,
                                           &m_presentParams, &m_pDevice);
    if (SUCCEEDED(hr)) {
        if (m_bWindowed) {
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_windowBounds.left, m_windowBounds.top,
                         m_windowBounds.right - m_windowBounds.left, m_windowBounds.bottom - m_windowBounds.top,
                         SWP_SHOWWINDOW);
        }

        m_pDevice->GetDeviceCaps(&m_deviceCaps);
        m_behaviorFlags = pMode->behavior;

        const bool hal = pDevice->deviceType == D3DDEVTYPE_HAL;
        m_deviceStats[0] = '\0';
        if (pDevice->deviceType == D3DDEVTYPE_REF)
            Append(m_deviceStats, "REF");
        else if (hal)
            Append(m_deviceStats, "HAL");
        else if (pDevice->deviceType == D3DDEVTYPE_SW)
            Append(m_deviceStats, "SW");

        const DWORD behavior = pMode->behavior;
        if ((behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (behavior & D3DCREATE_PUREDEVICE))
            Append(m_deviceStats, hal ? " (pure hw vp)" : " (simulated pure hw vp)");
        else if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING)
            Append(m_deviceStats, hal ? " (hw vp)" : " (simulated hw vp)");
        else if (behavior & D3DCREATE_MIXED_VERTEXPROCESSING)
            Append(m_deviceStats, hal ? " (mixed vp)" : " (simulated mixed vp)");
        else if (behavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
            Append(m_deviceStats, " (sw vp)");

        if (hal) {
            Append(m_deviceStats, ": ");
            Append(m_deviceStats, pAdapter->identifier.Description);
        }

        AdoptBackBuffer();

        hr = CreateDeviceObjects();
        if (SUCCEEDED(hr)) {
            hr = RebuildDeviceObjects();
            if (SUCCEEDED(hr)) {
                m_bActive = TRUE;
                return S_OK;
            }
        }

        ReleaseDeviceObjects();
        DestroyDeviceObjects();
        SafeRelease(m_pDevice);
    }

    if (pDevice->deviceType == D3DDEVTYPE_HAL) {
        ReportError(hr, REPORT_SWITCHED_TO_REF);

        m_adapterIndex = 0;
        pAdapter = &m_adapters[0];
        for (DWORD i = 0; i < pAdapter->deviceCount; ++i) {
            if (pAdapter->devices[i].deviceType == D3DDEVTYPE_REF) {
                pAdapter->currentDevice = i;
                m_bWindowed = pAdapter->devices[i].windowed;
                break;
            }
        }
        if (pAdapter->devices[pAdapter->currentDevice].deviceType == D3DDEVTYPE_REF) return InitializeDevice();
    }
    return hr;
}

HRESULT CD3DApplication::ResetDevice() {
    HRESULT hr;
    if (m_pDevice == NULL) return E_FAIL;

    if (FAILED(hr = ReleaseDeviceObjects())) return hr;
    if (FAILED(hr = m_pDevice->Reset(&m_presentParams))) return hr;

    AdoptBackBuffer();

    if (FAILED(hr = RebuildDeviceObjects())) return hr;

    ReanchorStoppedClock();
    return S_OK;
}

HRESULT CD3DApplication::ApplyWindowStyle() {
    if (m_bWindowed)
        SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(m_windowStyle));
    else
        SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
    return S_OK;
}

HRESULT CD3DApplication::SwitchDisplayMode() {
    AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
    DeviceInfo* pDevice = &pAdapter->devices[pAdapter->currentDevice];

    if (!m_bWindowed && !pDevice->canDoWindowed) return FallBackToWindowed();

    m_bReady = FALSE;
    m_bWindowed = !m_bWindowed;
    pDevice->windowed = m_bWindowed;
    ApplyWindowStyle();

    ApplyChoiceToPresentParams();

    if (SUCCEEDED(ResetDevice())) {
        if (m_bWindowed) {
            // The saved window rectangle, frame included, so the window comes back at the size
            // it had (the back buffer is only the client part of it).
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_windowBounds.left, m_windowBounds.top,
                         m_windowBounds.right - m_windowBounds.left, m_windowBounds.bottom - m_windowBounds.top,
                         SWP_SHOWWINDOW);
        }
        m_bReady = TRUE;
        return S_OK;
    }

    if (m_bWindowed) return FallBackToWindowed();
    return E_FAIL;
}

HRESULT CD3DApplication::FallBackToWindowed() {
    AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
    DeviceInfo* pDevice = &pAdapter->devices[pAdapter->currentDevice];

    if (!pDevice->canDoWindowed) {
        bool found = false;
        for (DWORD a = 0; a < m_adapterCount && !found; ++a) {
            for (DWORD d = 0; d < m_adapters[a].deviceCount; ++d) {
                if (m_adapters[a].devices[d].canDoWindowed) {
                    m_adapterIndex = a;
                    m_adapters[a].currentDevice = d;
                    pAdapter = &m_adapters[a];
                    pDevice = &pAdapter->devices[d];
                    found = true;
                    break;
                }
            }
        }
        if (!found) return E_FAIL;
    }

    pDevice->windowed = TRUE;
    m_bWindowed = TRUE;
    m_bReady = FALSE;

    HRESULT hr = DropDevice();
    if (FAILED(hr)) return hr;

    hr = InitializeDevice();
    if (SUCCEEDED(hr)) {
        m_bReady = TRUE;
        return S_OK;
    }
    return ReportError(hr, REPORT_FATAL);
}

void CD3DApplication::ShutdownDevice() {
    m_bActive = FALSE;
    m_bReady = FALSE;
    if (m_pDevice != NULL) {
        ReleaseDeviceObjects();
        DestroyDeviceObjects();
        SafeRelease(m_pDevice);
    }
    // Also without a device (it failed, or a fatal error dropped it): the Direct3D object
    // would otherwise outlive the window.
    SafeRelease(m_pDirect3D);
    Shutdown();
}

void CD3DApplication::ApplyChoiceToPresentParams() {
    const AdapterInfo& adapter = m_adapters[m_adapterIndex];
    const DeviceInfo& device = adapter.devices[adapter.currentDevice];
    const ModeInfo& mode = device.modes[device.currentMode];
    m_presentParams.Windowed = device.windowed;
    m_presentParams.MultiSampleType = device.multiSampleType;
    m_presentParams.AutoDepthStencilFormat = mode.depthStencilFormat;
    m_presentParams.hDeviceWindow = m_hWnd;
    if (m_bWindowed) {
        m_presentParams.BackBufferWidth = static_cast<UINT>(m_clientRect.right - m_clientRect.left);
        m_presentParams.BackBufferHeight = static_cast<UINT>(m_clientRect.bottom - m_clientRect.top);
        m_presentParams.BackBufferFormat = adapter.desktopMode.Format;
    } else {
        m_presentParams.BackBufferWidth = mode.width;
        m_presentParams.BackBufferHeight = mode.height;
        m_presentParams.BackBufferFormat = mode.format;
    }
}

void CD3DApplication::AdoptBackBuffer() {
    IDirect3DSurface8* pBackBuffer = NULL;
    if (SUCCEEDED(m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBackBuffer)) && pBackBuffer) {
        pBackBuffer->GetDesc(&m_backBufferDesc);
        pBackBuffer->Release();
    }

    if (m_bShowDeviceCursor && !m_bWindowed) {
        HCURSOR hCursor = reinterpret_cast<HCURSOR>(GetClassLong(m_hWnd, GCL_HCURSOR));
        SetDeviceCursor(m_pDevice, hCursor);
        m_pDevice->ShowCursor(TRUE);
    }
}

HRESULT CD3DApplication::DropDevice() {
    ReleaseDeviceObjects();
    DestroyDeviceObjects();
    if (m_pDevice != NULL) {
        ULONG remaining = m_pDevice->Release();
        m_pDevice = NULL;
        if (remaining > 0) return ReportError(FRAMEERR_NONZERO_REFCOUNT, REPORT_FATAL);
    }
    return S_OK;
}

void CD3DApplication::ReanchorStoppedClock() {
    if (m_bTimeRunning) return;
    m_bStepPending = TRUE;
    FrameTimer(TIMER_START);
    FrameTimer(TIMER_STOP);
}

void CD3DApplication::Pause(BOOL pause) {
    m_pauseCount += pause ? 1 : -1;
    m_bReady = m_pauseCount == 0 ? TRUE : FALSE;
    if (pause && m_pauseCount == 1 && m_bTimeRunning) FrameTimer(TIMER_STOP);
    if (m_pauseCount == 0 && m_bTimeRunning) FrameTimer(TIMER_START);
}

LRESULT CD3DApplication::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            m_bActive = (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE) ? FALSE : TRUE;
            break;

        case WM_PAINT:
            if (m_pDevice != NULL && !m_bReady && m_bWindowed) m_pDevice->Present(NULL, NULL, NULL, NULL);
            break;

        case WM_CLOSE: {
            ShutdownDevice();
            HMENU hMenu = GetMenu(hWnd);
            if (hMenu != NULL) DestroyMenu(hMenu);
            DestroyWindow(hWnd);
            PostQuitMessage(0);
            return 0;
        }

        case WM_SETCURSOR:
            if (m_bActive && m_bReady && !m_bWindowed) {
                SetCursor(NULL);
                if (m_bShowDeviceCursor && m_pDevice != NULL) m_pDevice->ShowCursor(TRUE);
                return TRUE;
            }
            break;

        case WM_GETMINMAXINFO: {
            MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = 100;
            info->ptMinTrackSize.y = 100;
            break;
        }

        case WM_CONTEXTMENU:
            if (m_bWindowed) {
                HMENU hMenu = LoadMenu(GetModuleHandle(NULL), MAKEINTRESOURCE(IDR_POPUP));
                HMENU hPopup = GetSubMenu(hMenu, 0);
                if (hPopup != NULL) {
                    // Screen position of the click; coordinates left of or above the primary
                    // screen are negative.
                    TrackPopupMenuEx(hPopup, TPM_VERTICAL, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), hWnd, NULL);
                }
                if (hMenu != NULL) DestroyMenu(hMenu);
            }
            break;

        case WM_NCHITTEST:
            if (!m_bWindowed) return HTCLIENT;
            break;

        case WM_SYSCOMMAND:
            switch (wParam) {
                case SC_MOVE:
                case SC_SIZE:
                case SC_MAXIMIZE:
                case SC_KEYMENU:
                case SC_MONITORPOWER:
                    if (!m_bWindowed) return 1;
                    break;
                default:
                    break;
            }
            break;

        case WM_MOUSEMOVE:
            if (m_bActive && m_bReady && m_pDevice != NULL) {
                POINT cursor;
                GetCursorPos(&cursor);
                ScreenToClient(m_hWnd, &cursor);
                m_pDevice->SetCursorPosition(static_cast<UINT>(cursor.x), static_cast<UINT>(cursor.y), 0);
            }
            break;

        case WM_ENTERMENULOOP:
            Pause(TRUE);
            break;

        case WM_EXITMENULOOP:
            Pause(FALSE);
            break;

        // While paused (the start-up dialog, a menu) the pause owns the clock: a window manager
        // placing or sizing the window then must not start it under the pause.
        case WM_ENTERSIZEMOVE:
            if (m_bTimeRunning && m_pauseCount == 0) FrameTimer(TIMER_STOP);
            break;

        case WM_EXITSIZEMOVE:
            if (m_bTimeRunning && m_pauseCount == 0) FrameTimer(TIMER_START);
            if (m_bActive && m_bWindowed) {
                RECT oldClient = m_clientRect;
                GetWindowRect(m_hWnd, &m_windowBounds);
                GetClientRect(m_hWnd, &m_clientRect);
                if (oldClient.right - oldClient.left != m_clientRect.right - m_clientRect.left ||
                    oldClient.bottom - oldClient.top != m_clientRect.bottom - m_clientRect.top) {
                    m_bReady = FALSE;
                    m_presentParams.BackBufferWidth = static_cast<UINT>(m_clientRect.right - m_clientRect.left);
                    m_presentParams.BackBufferHeight = static_cast<UINT>(m_clientRect.bottom - m_clientRect.top);
                    if (FAILED(ResetDevice())) {
                        ReportError(FRAMEERR_RESIZE_FAILED, REPORT_FATAL);
                        return 0;
                    }
                    m_bReady = TRUE;
                }
            }
            break;

        // A window manager's move arrives as WM_MOVE alone, without the size-move bracket:
        // the place the window comes back to from full-screen follows it.
        case WM_MOVE:
            if (m_bActive && m_bWindowed) GetWindowRect(m_hWnd, &m_windowBounds);
            break;

        case WM_POWERBROADCAST:
            if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) return TRUE;
            break;

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_CHANGEDEVICE:
                    if (m_bActive && m_bReady) {
                        Pause(TRUE);
                        if (SUCCEEDED(ShowDeviceDialog())) Pause(FALSE);
                    }
                    return 0;

                case IDM_TOGGLEFULLSCREEN:
                    if (m_bActive && m_bReady) {
                        if (FAILED(SwitchDisplayMode())) ReportError(FRAMEERR_RESIZE_FAILED, REPORT_FATAL);
                    }
                    return 0;

                case IDM_TOGGLESTART:
                    m_bTimeRunning = !m_bTimeRunning;
                    FrameTimer(m_bTimeRunning ? TIMER_START : TIMER_STOP);
                    break;

                case IDM_SINGLESTEP:
                    FrameTimer(m_bTimeRunning ? TIMER_STOP : TIMER_ADVANCE);
                    m_bTimeRunning = FALSE;
                    m_bStepPending = TRUE;
                    break;

                case IDM_EXIT:
                    SendMessage(hWnd, WM_CLOSE, 0, 0);
                    return 0;

                default:
                    break;
            }
            break;

        default:
            break;
    }
    return DefWindowProc(hWnd, msg, wParam, lParam);
}

HRESULT CD3DApplication::ReportError(HRESULT code, DWORD type) {
    char message[512];
    const char* text;
    switch (code) {
        case FRAMEERR_NO_DIRECT3D:
            text = "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is "
                   "correctly installed on your\nsystem.  Also make sure that this program\nwas compiled with "
                   "header files that match\nthe installed DirectX DLLs.";
            break;
        case FRAMEERR_NO_COMPATIBLE_DEVICES: text = "Could not find any compatible Direct3D\ndevices."; break;
        case FRAMEERR_NO_WINDOWABLE_DEVICES:
            text = "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change "
                   "your desktop settings to a\n16- or 32-bit display mode and re-run this\nsample.";
            break;
        case FRAMEERR_NO_HARDWARE_DEVICE: text = "No hardware-accelerated Direct3D devices\nwere found."; break;
        case FRAMEERR_HAL_NOT_COMPATIBLE:
            text = "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator.";
            break;
        case FRAMEERR_NO_WINDOWED_HAL:
            text = "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is "
                   "running to see a\nlist of available devices and modes.";
            break;
        case FRAMEERR_NO_DESKTOP_HAL:
            text = "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
                   "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes.";
            break;
        case FRAMEERR_NO_HAL_THIS_MODE:
            text = "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
                   "with the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist "
                   "of available devices and modes.";
            break;
        case FRAMEERR_NONZERO_REFCOUNT:
            text = "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).";
            break;
        case FRAMEERR_MEDIA_NOT_FOUND: text = "Could not load required media."; break;
        case FRAMEERR_RESIZE_FAILED: text = "Could not reset the Direct3D device."; break;
        case E_OUTOFMEMORY: text = "Not enough memory."; break;
        case D3DERR_OUTOFVIDEOMEMORY: text = "Not enough video memory."; break;
        default: text = "Generic application error. Enable\ndebug output for detailed information."; break;
    }
    std::snprintf(message, sizeof(message), "%s", text);

    if (type == REPORT_FATAL) {
        Append(message, "\n\nThis sample will now exit.");
        MessageBox(NULL, message, m_windowTitle, MB_ICONERROR | MB_OK);
        if (m_hWnd != NULL) SendMessage(m_hWnd, WM_CLOSE, 0, 0);
    } else if (type == REPORT_SWITCHED_TO_REF) {
        Append(message,
               "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
               "Direct3D feature set, but runs very slowly.");
        MessageBox(NULL, message, m_windowTitle, MB_ICONWARNING | MB_OK);
    } else {
        MessageBox(NULL, message, m_windowTitle, MB_ICONWARNING | MB_OK);
    }
    return code;
}
