// IDirect3D8: adapters, their modes, format and device-type checks, device creation.
#pragma once

#include "platform/d3d8/adapters.h"
#include "platform/d3d8/interfaces.h"

#include <vector>

namespace d3d8 {

class Direct3D8 final : public IDirect3D8 {
public:
    Direct3D8();

    ULONG AddRef() override;
    ULONG Release() override;

    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                            BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

    // The adapter, or null when `adapter` is out of range.
    const AdapterDesc* Adapter(UINT adapter) const;
    // The mode list of `adapter` has a full-screen mode of this size and format.
    bool HasMode(UINT adapter, UINT width, UINT height, D3DFORMAT format) const;

private:
    ~Direct3D8() override = default;

    ULONG refs_ = 1;
    std::vector<AdapterDesc> adapters_;
};

}  // namespace d3d8
