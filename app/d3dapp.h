// The application frame: main window, Direct3D object and device, the device list, the frame
// clock and the message loop. A program derives one class from CD3DApplication and overrides
// the hooks (slots 1 to 9); the frame calls them in a fixed order and draws nothing itself.
#pragma once

#include "app/device_list.h"
#include "platform/d3d8.h"
#include "platform/win32.h"

// The frame's own result codes.
constexpr HRESULT FRAMEERR_NO_DIRECT3D = MAKE_HRESULT_VALUE(0x82000001u);
constexpr HRESULT FRAMEERR_NO_COMPATIBLE_DEVICES = MAKE_HRESULT_VALUE(0x82000003u);
constexpr HRESULT FRAMEERR_NO_WINDOWABLE_DEVICES = MAKE_HRESULT_VALUE(0x82000004u);
constexpr HRESULT FRAMEERR_NO_HARDWARE_DEVICE = MAKE_HRESULT_VALUE(0x82000005u);
constexpr HRESULT FRAMEERR_HAL_NOT_COMPATIBLE = MAKE_HRESULT_VALUE(0x82000006u);
constexpr HRESULT FRAMEERR_NO_WINDOWED_HAL = MAKE_HRESULT_VALUE(0x82000007u);
constexpr HRESULT FRAMEERR_NO_DESKTOP_HAL = MAKE_HRESULT_VALUE(0x82000008u);
constexpr HRESULT FRAMEERR_NO_HAL_THIS_MODE = MAKE_HRESULT_VALUE(0x82000009u);
constexpr HRESULT FRAMEERR_NONZERO_REFCOUNT = MAKE_HRESULT_VALUE(0x8200000Au);
constexpr HRESULT FRAMEERR_MEDIA_NOT_FOUND = MAKE_HRESULT_VALUE(0x8200000Bu);
constexpr HRESULT FRAMEERR_RESIZE_FAILED = MAKE_HRESULT_VALUE(0x8200000Cu);

// Kinds of ReportError: fatal (box, then the main window closes), a switch to the reference
// device (box with the reference-device note), or a plain warning.
constexpr DWORD REPORT_WARNING = 0;
constexpr DWORD REPORT_FATAL = 1;
constexpr DWORD REPORT_SWITCHED_TO_REF = 2;

// The device dialog's result when it was left by "Exit", Escape or its close box (IDOK: a new
// choice to apply; IDCANCEL: "Run" without a change).
constexpr INT_PTR DEVICE_DIALOG_EXIT = 3;

class CD3DApplication {
public:
    CD3DApplication();

    // Hooks, in slot order.
    virtual HRESULT ApplyWindowStyle();
    virtual HRESULT CheckDeviceCaps(D3DCAPS8* pCaps, DWORD behavior, D3DFORMAT format);
    virtual HRESULT InitOnce();
    virtual HRESULT CreateDeviceObjects();
    virtual HRESULT RebuildDeviceObjects();
    virtual HRESULT UpdateFrame();
    virtual HRESULT Render();
    virtual HRESULT ReleaseDeviceObjects();
    virtual HRESULT DestroyDeviceObjects();
    virtual HRESULT Shutdown();
    virtual HRESULT Create(HINSTANCE hInstance);
    virtual INT Run();
    virtual LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Pause(BOOL pause);
    virtual ~CD3DApplication();

    // Shows the message box for `code` (see the kinds above); returns `code` unchanged.
    HRESULT ReportError(HRESULT code, DWORD type);
    // Reports an exception caught at the frame's boundary: its text to the debugger output
    // every time, the warning box the first time only (a failing frame tends to repeat).
    void ReportException(const char* text);

    // The device selection dialog's procedure; the application object is its parameter.
    static INT_PTR CALLBACK DeviceDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    HRESULT EnumerateDevices();
    BOOL ChooseDepthStencilFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT backBufferFormat,
                                  D3DFORMAT* pDepthStencilFormat);
    HRESULT RenderFrame();
    // Runs one of the frame's hooks. An exception escaping it gives up the rest of the frame,
    // not the program: it is reported (the first time), *thrown is set and the result is S_OK.
    HRESULT RunFrameHook(HRESULT (CD3DApplication::*hook)(), bool* thrown);
    HRESULT InitializeDevice();
    HRESULT ResetDevice();
    HRESULT SwitchDisplayMode();
    HRESULT FallBackToWindowed();
    void ShutdownDevice();
    // The present parameters that follow the current adapter, device and mode.
    void ApplyChoiceToPresentParams();
    // After a device is made or reset: the back buffer's description, and full-screen the
    // device cursor.
    void AdoptBackBuffer();
    // The device objects and the device go; a device that other references keep alive is
    // reported as fatal and its error returned.
    HRESULT DropDevice();
    // While time stands still, a new or reset device still gets one frame drawn.
    void ReanchorStoppedClock();
    // S_OK, or S_FALSE when the user left the dialog by "Exit" (nothing applied).
    HRESULT ShowDeviceDialog();
    void RefreshDeviceDialog(HWND hDlg);

    AdapterInfo m_adapters[kMaxAdapters];
    DWORD m_adapterCount;
    DWORD m_adapterIndex;
    BOOL m_bWindowed;
    BOOL m_bActive;
    BOOL m_bReady;
    BOOL m_bTimeRunning;
    BOOL m_bStepPending;
    BOOL m_bShowStartDialog;  // Run begins with the device dialog (a choice made beforehand leaves it out)
    BOOL m_bDrawStillFrames;  // draw a frame even when no time has passed (a fixed-step recording clock starts at 0)
    DWORD m_framesGivenUp;    // frames whose hook threw, so that a recording can refuse them
    BOOL m_bExceptionReported;  // the warning box for an exception is shown once
    LONG m_pauseCount;        // the nesting depth of Pause
    DWORD m_statsFrames;      // frames since the frame rate was last worked out, at m_statsLastTime
    FLOAT m_statsLastTime;
    D3DPRESENT_PARAMETERS m_presentParams;
    HWND m_hWnd;
    HWND m_hWndFocus;
    IDirect3D8* m_pDirect3D;
    IDirect3DDevice8* m_pDevice;
    D3DCAPS8 m_deviceCaps;
    D3DSURFACE_DESC m_backBufferDesc;
    DWORD m_behaviorFlags;
    DWORD m_windowStyle;
    RECT m_windowBounds;
    RECT m_clientRect;
    FLOAT m_fTime;
    FLOAT m_fElapsedTime;
    FLOAT m_fFPS;
    char m_deviceStats[90];
    char m_frameStats[40];
    const char* m_windowTitle;
    BOOL m_bUseDepthBuffer;
    DWORD m_minDepthBits;
    DWORD m_minStencilBits;
    DWORD m_createWidth;
    DWORD m_createHeight;
    BOOL m_bShowDeviceCursor;
};

// The one application object of the process (set by the constructor).
extern CD3DApplication* g_pApp;

// The window procedure of the main window: passes everything to g_pApp->HandleMessage.
LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
