// The device list: every adapter, its device types and the display modes the program accepts.
#pragma once

#include "platform/d3d8.h"

constexpr DWORD kMaxAdapters = 10;
constexpr DWORD kMaxDevicesPerAdapter = 5;
constexpr DWORD kMaxModesPerDevice = 150;
constexpr DWORD kMaxScratchModes = 100;    // distinct modes of one adapter while enumerating
constexpr DWORD kMaxScratchFormats = 20;   // distinct back-buffer formats of one adapter

// One usable display mode of a device.
struct ModeInfo {
    DWORD width;                   // pixels
    DWORD height;                  // pixels
    D3DFORMAT format;              // back-buffer format
    DWORD behavior;                // D3DCREATE_*_VERTEXPROCESSING (and PUREDEVICE) to create with
    D3DFORMAT depthStencilFormat;  // automatic depth/stencil format; 0 without a depth buffer
};

// One device type on an adapter.
struct DeviceInfo {
    D3DDEVTYPE deviceType;
    D3DCAPS8 caps;
    const char* description;  // "HAL" or "REF"
    BOOL canDoWindowed;       // can render into a window in the desktop format
    DWORD modeCount;
    ModeInfo modes[kMaxModesPerDevice];
    DWORD currentMode;        // the chosen full-screen mode
    BOOL windowed;            // the chosen way of running on this device
    D3DMULTISAMPLE_TYPE multiSampleType;
};

// One adapter.
struct AdapterInfo {
    D3DADAPTER_IDENTIFIER8 identifier;
    D3DDISPLAYMODE desktopMode;
    DWORD deviceCount;
    DeviceInfo devices[kMaxDevicesPerAdapter];
    DWORD currentDevice;
};

// Sort order of the device list's modes: format value descending, then width, then height
// ascending. Arguments point to D3DDISPLAYMODE records; the result is < 0, 0 or > 0.
int CompareModes(const void* arg1, const void* arg2);
