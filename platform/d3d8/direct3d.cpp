// The Direct3D object: the adapters of this machine (or the virtual one), their modes,
// the checks the frame's device enumeration makes, and device creation.
#include "platform/d3d8/direct3d.h"

#include "platform/d3d8/backend.h"
#include "platform/d3d8/caps.h"
#include "platform/d3d8/device.h"
#include "platform/d3d8/object.h"

#include <cstring>

IDirect3D8* Direct3DCreate8(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) {
        d3d8::Report("Direct3DCreate8", "wrong SDK version (expected 120)");
        return nullptr;
    }
    return new d3d8::Direct3D8();
}

namespace d3d8 {

namespace {

void CopyText(char (&to)[MAX_DEVICE_IDENTIFIER_STRING], const std::string& from) {
    const size_t n = std::min<size_t>(from.size(), MAX_DEVICE_IDENTIFIER_STRING - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

}  // namespace

Direct3D8::Direct3D8() : adapters_(EnumerateAdapters()) {}

ULONG Direct3D8::AddRef() { return ++refs_; }

ULONG Direct3D8::Release() {
    if (refs_ == 0) {
        Report("IDirect3D8::Release", "object has no references left; call ignored");
        return 0;
    }
    if (--refs_ > 0) return refs_;
    delete this;
    return 0;
}

const AdapterDesc* Direct3D8::Adapter(UINT adapter) const {
    return adapter < adapters_.size() ? &adapters_[adapter] : nullptr;
}

bool Direct3D8::HasMode(UINT adapter, UINT width, UINT height, D3DFORMAT format) const {
    const AdapterDesc* a = Adapter(adapter);
    if (!a) return false;
    for (const D3DDISPLAYMODE& m : a->modes)
        if (m.Width == width && m.Height == height && m.Format == format) return true;
    return false;
}

UINT Direct3D8::GetAdapterCount() { return static_cast<UINT>(adapters_.size()); }

HRESULT Direct3D8::GetAdapterIdentifier(UINT Adapter, DWORD /*Flags*/, D3DADAPTER_IDENTIFIER8* pIdentifier) {
    const AdapterDesc* a = this->Adapter(Adapter);
    if (!pIdentifier || !a) {
        Report("IDirect3D8::GetAdapterIdentifier", "null pointer or adapter out of range");
        return D3DERR_INVALIDCALL;
    }
    std::memset(pIdentifier, 0, sizeof *pIdentifier);
    CopyText(pIdentifier->Driver, a->driver);
    CopyText(pIdentifier->Description, a->description);
    pIdentifier->DriverVersion.QuadPart = 1;
    return D3D_OK;
}

UINT Direct3D8::GetAdapterModeCount(UINT Adapter) {
    const AdapterDesc* a = this->Adapter(Adapter);
    return a ? static_cast<UINT>(a->modes.size()) : 0;
}

HRESULT Direct3D8::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
    const AdapterDesc* a = this->Adapter(Adapter);
    if (!pMode || !a || Mode >= a->modes.size()) {
        Report("IDirect3D8::EnumAdapterModes", "null pointer, adapter or mode out of range");
        return D3DERR_INVALIDCALL;
    }
    *pMode = a->modes[Mode];
    return D3D_OK;
}

HRESULT Direct3D8::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    const AdapterDesc* a = this->Adapter(Adapter);
    if (!pMode || !a) {
        Report("IDirect3D8::GetAdapterDisplayMode", "null pointer or adapter out of range");
        return D3DERR_INVALIDCALL;
    }
    *pMode = a->desktopMode;
    return D3D_OK;
}

HRESULT Direct3D8::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                   D3DFORMAT BackBufferFormat, BOOL Windowed) {
    const AdapterDesc* a = this->Adapter(Adapter);
    if (!a) return D3DERR_INVALIDCALL;
    if (!IsDeviceTypeAvailable(CheckType)) return D3DERR_NOTAVAILABLE;
    if (!IsBackBufferCompatible(DisplayFormat, BackBufferFormat)) return D3DERR_NOTAVAILABLE;
    if (Windowed && DisplayFormat != a->desktopMode.Format) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D8::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                     D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    if (!this->Adapter(Adapter)) return D3DERR_INVALIDCALL;
    if (!IsDeviceTypeAvailable(DeviceType) || !IsDisplayFormat(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    const bool rt = (Usage & D3DUSAGE_RENDERTARGET) != 0;
    const bool depth = (Usage & D3DUSAGE_DEPTHSTENCIL) != 0;
    if (rt && depth) return D3DERR_NOTAVAILABLE;
    switch (RType) {
    case D3DRTYPE_SURFACE:
        if (depth) return IsSupportedDepthFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        if (rt) return IsRenderTargetFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return IsTextureFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_TEXTURE:
        if (depth) return D3DERR_NOTAVAILABLE;
        if (rt) return IsRenderTargetFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return IsTextureFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_VERTEXBUFFER:
        return CheckFormat == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_INDEXBUFFER:
        return (CheckFormat == D3DFMT_INDEX16 || CheckFormat == D3DFMT_INDEX32) ? D3D_OK : D3DERR_NOTAVAILABLE;
    default:
        return D3DERR_NOTAVAILABLE;  // volumes and cube textures
    }
}

HRESULT Direct3D8::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                              BOOL /*Windowed*/, D3DMULTISAMPLE_TYPE MultiSampleType) {
    if (!this->Adapter(Adapter)) return D3DERR_INVALIDCALL;
    if (!IsDeviceTypeAvailable(DeviceType)) return D3DERR_NOTAVAILABLE;
    if (!IsRenderTargetFormat(SurfaceFormat) && !IsSupportedDepthFormat(SurfaceFormat)) return D3DERR_NOTAVAILABLE;
    return MultiSampleType == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                          D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) {
    if (!this->Adapter(Adapter)) return D3DERR_INVALIDCALL;
    if (!IsDeviceTypeAvailable(DeviceType) || !IsDisplayFormat(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    if (!IsRenderTargetFormat(RenderTargetFormat) || !IsSupportedDepthFormat(DepthStencilFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D8::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
    if (!pCaps) return D3DERR_INVALIDCALL;
    std::memset(pCaps, 0, sizeof *pCaps);
    if (!this->Adapter(Adapter)) return D3DERR_INVALIDCALL;
    if (!IsDeviceTypeAvailable(DeviceType)) return D3DERR_NOTAVAILABLE;
    *pCaps = DeviceCaps(DeviceType);
    pCaps->AdapterOrdinal = Adapter;
    return D3D_OK;
}

HRESULT Direct3D8::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                D3DPRESENT_PARAMETERS* pPresentationParameters,
                                IDirect3DDevice8** ppReturnedDeviceInterface) {
    const char* where = "IDirect3D8::CreateDevice";
    if (!ppReturnedDeviceInterface) {
        Report(where, "null device pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppReturnedDeviceInterface = nullptr;
    if (!this->Adapter(Adapter) || !pPresentationParameters) {
        Report(where, "adapter out of range or null presentation parameters");
        return D3DERR_INVALIDCALL;
    }
    if (!IsDeviceTypeAvailable(DeviceType)) return D3DERR_NOTAVAILABLE;
    const DWORD vp = BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                      D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING) {
        Report(where, "exactly one vertex-processing flag is needed");
        return D3DERR_INVALIDCALL;
    }
    if ((BehaviorFlags & D3DCREATE_PUREDEVICE) && !(DeviceCaps(DeviceType).DevCaps & D3DDEVCAPS_PUREDEVICE)) {
        Report(where, "pure devices are not available");
        return D3DERR_INVALIDCALL;
    }
    const HWND presentWindow =
        pPresentationParameters->hDeviceWindow ? pPresentationParameters->hDeviceWindow : hFocusWindow;
    std::unique_ptr<Rasterizer> rasterizer = CreateRasterizer(DeviceType, presentWindow);
    if (!rasterizer) {
        Report(where, "the rasterizer for the device type could not be made");
        return D3DERR_NOTAVAILABLE;
    }
    return Device::Create(this, Adapter, DeviceType, hFocusWindow, BehaviorFlags, pPresentationParameters,
                          std::move(rasterizer), ppReturnedDeviceInterface);
}

}  // namespace d3d8
