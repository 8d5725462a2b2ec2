// The device: creation and lifetime, presentation parameters, Reset, Present, render
// targets, scenes, the device cursor and the lost-device states.
#include "platform/d3d8/device.h"

#include "platform/d3d8/caps.h"
#include "platform/d3d8/direct3d.h"
#include "platform/d3d8/present.h"
#include "platform/d3d8/recording.h"
#include "platform/d3d8/state_block.h"
#include "platform/d3d8/testing.h"
#include "platform/win32/display.h"
#include "platform/win32/window.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace d3d8 {

namespace {

constexpr UINT kMaxBackBufferSize = 8192;  // pixels in either direction

}  // namespace

// ---- Creation and lifetime -------------------------------------------------------------

Device::Device(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
               std::unique_ptr<Rasterizer> rasterizer)
    : d3d_(d3d),
      adapter_(adapter),
      type_(type),
      caps_(DeviceCaps(type)),
      focusWindow_(focusWindow),
      behaviorFlags_(behaviorFlags),
      rasterizer_(std::move(rasterizer)) {
    caps_.AdapterOrdinal = adapter;
    d3d_->AddRef();
}

HRESULT Device::Create(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* params, std::unique_ptr<Rasterizer> rasterizer,
                       IDirect3DDevice8** out) {
    auto* device = new Device(d3d, adapter, type, focusWindow, behaviorFlags, std::move(rasterizer));
    const HRESULT hr = device->ValidatePresentParameters("IDirect3D8::CreateDevice", params);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    try {
        device->CreateImplicitSurfaces(*params);
    } catch (const std::bad_alloc&) {
        Report("IDirect3D8::CreateDevice", "out of memory for the back buffer");
        device->Release();
        return E_OUTOFMEMORY;
    }
    device->ResetState();
    device->ApplyWindowMode(*params);
    *out = device;
    return D3D_OK;
}

Device::~Device() {
    // Drop every internal use; objects the user no longer holds go with it.
    recording_.reset();
    stateBlocks_.clear();
    for (auto& t : textures_) t.Reset(nullptr);
    for (auto& s : streams_) s.buffer.Reset(nullptr);
    indices_.Reset(nullptr);
    renderTarget_.Reset(nullptr);
    depthStencil_.Reset(nullptr);
    backBuffer_.Reset(nullptr);
    autoDepth_.Reset(nullptr);
    if (!children_.empty()) Report("IDirect3DDevice8::Release", "objects outlive their device");
    if (fullScreen_) platform::LeaveFullScreen(PresentWindow());  // the desktop as it was
    rasterizer_.reset();
    d3d_->Release();
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
    if (refs_ == 0) {
        Report("IDirect3DDevice8::Release", "device has no references left; call ignored");
        return 0;
    }
    if (--refs_ > 0) return refs_;
    for (Counted* child : children_) {
        if (child->PublicCount() > 0) {
            // Only reachable by releasing more often than AddRef: the objects still point
            // at the device, so it stays (leaked) rather than leaving them dangling.
            Report("IDirect3DDevice8::Release", "released more often than referenced; device kept alive");
            return 0;
        }
    }
    delete this;
    return 0;
}

HRESULT Device::ValidatePresentParameters(const char* where, D3DPRESENT_PARAMETERS* p) const {
    if (!p) {
        Report(where, "null presentation parameters");
        return D3DERR_INVALIDCALL;
    }
    const AdapterDesc* adapter = d3d_->Adapter(adapter_);
    D3DPRESENT_PARAMETERS v = *p;
    if (v.BackBufferCount == 0) v.BackBufferCount = 1;
    if (v.BackBufferCount > 1) {
        Report(where, "more than one back buffer is not implemented");
        return D3DERR_INVALIDCALL;
    }
    if (v.MultiSampleType != D3DMULTISAMPLE_NONE) {
        Report(where, "multisampling is not available");
        return D3DERR_INVALIDCALL;
    }
    if (v.SwapEffect < D3DSWAPEFFECT_DISCARD || v.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC) {
        Report(where, "unknown swap effect");
        return D3DERR_INVALIDCALL;
    }
    const HWND window = v.hDeviceWindow ? v.hDeviceWindow : focusWindow_;
    if (v.Windowed) {
        if (v.BackBufferFormat == D3DFMT_UNKNOWN) v.BackBufferFormat = adapter->desktopMode.Format;
        if (v.BackBufferWidth == 0 || v.BackBufferHeight == 0) {
            Report(where, window ? "taking the back-buffer size from the window is not implemented; give a size"
                                 : "a device without a window needs an explicit back-buffer size");
            return D3DERR_INVALIDCALL;
        }
        if (!IsBackBufferFormat(v.BackBufferFormat)) {
            Report(where, "back-buffer format not supported");
            return D3DERR_INVALIDCALL;
        }
    } else {
        if (!window) {
            Report(where, "full-screen needs a window");
            return D3DERR_INVALIDCALL;
        }
        if (!d3d_->HasMode(adapter_, v.BackBufferWidth, v.BackBufferHeight, v.BackBufferFormat)) {
            Report(where, "no such full-screen mode on the adapter");
            return D3DERR_INVALIDCALL;
        }
    }
    if (v.BackBufferWidth > kMaxBackBufferSize || v.BackBufferHeight > kMaxBackBufferSize) {
        Report(where, "back buffer larger than 8192 pixels");
        return D3DERR_INVALIDCALL;
    }
    if (v.EnableAutoDepthStencil && !IsSupportedDepthFormat(v.AutoDepthStencilFormat)) {
        Report(where, "automatic depth-stencil format not supported");
        return D3DERR_INVALIDCALL;
    }
    *p = v;
    return D3D_OK;
}

void Device::CreateImplicitSurfaces(const D3DPRESENT_PARAMETERS& params) {
    SurfaceDesc color;
    color.width = params.BackBufferWidth;
    color.height = params.BackBufferHeight;
    color.format = params.BackBufferFormat;
    color.usage = D3DUSAGE_RENDERTARGET;
    color.pool = D3DPOOL_DEFAULT;
    // Both are made before anything changes, so running out of memory leaves the device as it was.
    InternalRef<Surface> back(new Surface(this, color));
    InternalRef<Surface> depth;
    if (params.EnableAutoDepthStencil) {
        SurfaceDesc d = color;
        d.format = params.AutoDepthStencilFormat;
        d.usage = D3DUSAGE_DEPTHSTENCIL;
        d.lockable = false;
        depth.Reset(new Surface(this, d));
    }
    params_ = params;
    backBuffer_ = back;
    autoDepth_ = depth;
    renderTarget_ = back;
    depthStencil_ = depth;
    TargetsChanged();
}

void Device::TargetsChanged() {
    targets_.color = &renderTarget_->Data();
    targets_.depth = depthStencil_ ? &depthStencil_->Data() : nullptr;
}

void Device::ApplyWindowMode(const D3DPRESENT_PARAMETERS& params) {
    const HWND window = PresentWindow();
    if (!params.Windowed) {
        fullScreen_ = platform::EnterFullScreen(window, static_cast<int>(params.BackBufferWidth),
                                                static_cast<int>(params.BackBufferHeight),
                                                static_cast<int>(params.FullScreen_RefreshRateInHz));
    } else if (fullScreen_) {
        platform::LeaveFullScreen(window);
        fullScreen_ = false;
    }
}

bool Device::WaitForRefresh() const {
    static const bool waitingOff = [] {  // for measuring; read once, not every frame
        const char* vsync = std::getenv("MORVELT_VSYNC");
        return vsync && std::strcmp(vsync, "0") == 0;
    }();
    if (waitingOff) return false;
    // Full-screen follows the asked interval; a window shows whole frames where it can.
    return params_.Windowed || params_.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
}

void Device::FollowWindowFocus() {
    if (!fullScreen_) return;
    const bool away = platform::FullScreenWindowAway(PresentWindow());
    if (away && cooperative_ == Cooperative::kOk) {
        cooperative_ = Cooperative::kLost;
        lostToAway_ = true;
    } else if (!away && lostToAway_ && cooperative_ == Cooperative::kLost) {
        cooperative_ = Cooperative::kNotReset;
        lostToAway_ = false;
    }
}

void Device::SimulateLoss(bool lost) {
    if (lost)
        cooperative_ = Cooperative::kLost;
    else if (cooperative_ == Cooperative::kLost)
        cooperative_ = Cooperative::kNotReset;
}

// ---- Device-wide queries ---------------------------------------------------------------

HRESULT Device::TestCooperativeLevel() {
    FollowWindowFocus();
    switch (cooperative_) {
    case Cooperative::kLost: return D3DERR_DEVICELOST;
    case Cooperative::kNotReset: return D3DERR_DEVICENOTRESET;
    default: return D3D_OK;
    }
}

UINT Device::GetAvailableTextureMem() { return 256u * 1024u * 1024u; }

HRESULT Device::GetDirect3D(IDirect3D8** ppD3D8) {
    if (!ppD3D8) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *ppD3D8 = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = caps_;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    if (!pMode) return D3DERR_INVALIDCALL;
    if (params_.Windowed)
        *pMode = d3d_->Adapter(adapter_)->desktopMode;
    else
        *pMode = {params_.BackBufferWidth, params_.BackBufferHeight, 60, params_.BackBufferFormat};
    return D3D_OK;
}

// ---- Reset and presentation --------------------------------------------------------------

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
    const char* where = "IDirect3DDevice8::Reset";
    if (cooperative_ == Cooperative::kLost) return D3DERR_DEVICELOST;
    UINT held = 0;
    for (Counted* child : children_)
        if (child->IsDefaultPool() && child->PublicCount() > 0) ++held;
    if (held > 0) {
        Report(where, "default-pool resources (or the back buffer) are still held; release them first");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = ValidatePresentParameters(where, pPresentationParameters);
    if (FAILED(hr)) return hr;

    try {
        CreateImplicitSurfaces(*pPresentationParameters);
    } catch (const std::bad_alloc&) {
        Report(where, "out of memory for the back buffer; the device keeps its old one");
        return E_OUTOFMEMORY;
    }
    recording_.reset();
    inScene_ = false;
    ResetState();
    cooperative_ = Cooperative::kOk;
    lostToAway_ = false;
    ApplyWindowMode(*pPresentationParameters);
    return D3D_OK;
}

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const void* /*pDirtyRegion*/) {
    const char* where = "IDirect3DDevice8::Present";
    FollowWindowFocus();
    if (cooperative_ != Cooperative::kOk) return D3DERR_DEVICELOST;
    if (pSourceRect || pDestRect) {
        Report(where, "source and destination rectangles are not implemented");
        return D3DERR_INVALIDCALL;
    }
    if (inScene_) {
        Report(where, "called between BeginScene and EndScene");
        return D3DERR_INVALIDCALL;
    }
    HWND window = hDestWindowOverride ? hDestWindowOverride : PresentWindow();
    rasterizer_->EndFrame();
    if (!window || !IsWindowVisible(window)) return D3D_OK;  // nothing to see (a recording's window)
    if (!rasterizing_) return D3D_OK;  // a frame run without its picture shows nothing new
    const bool wait = WaitForRefresh();
    if (!rasterizer_->ShowInOwnWindow(backBuffer_->Data(), window, wait)) {
        rasterizer_->ReadBack(backBuffer_->Data());
        ShowInWindow(backBuffer_->Data(), window, wait);
    }
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface8** ppBackBuffer) {
    const char* where = "IDirect3DDevice8::GetBackBuffer";
    if (!ppBackBuffer) {
        Report(where, "null surface pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppBackBuffer = nullptr;
    if (BackBuffer != 0 || Type != D3DBACKBUFFER_TYPE_MONO) {
        Report(where, "only back buffer 0 of type MONO exists");
        return D3DERR_INVALIDCALL;
    }
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_.Get();
    return D3D_OK;
}

// ---- Render targets and scenes ---------------------------------------------------------

HRESULT Device::SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) {
    const char* where = "IDirect3DDevice8::SetRenderTarget";
    Surface* color = renderTarget_.Get();
    if (pRenderTarget) {
        color = dynamic_cast<Surface*>(pRenderTarget);
        if (!color || color->OwnerDevice() != this || !(color->Desc().usage & D3DUSAGE_RENDERTARGET)) {
            Report(where, "not a render target of this device");
            return D3DERR_INVALIDCALL;
        }
    }
    Surface* depth = nullptr;
    if (pNewZStencil) {
        depth = dynamic_cast<Surface*>(pNewZStencil);
        if (!depth || depth->OwnerDevice() != this || !depth->IsDepth()) {
            Report(where, "not a depth-stencil surface of this device");
            return D3DERR_INVALIDCALL;
        }
        if (depth->Desc().width < color->Desc().width || depth->Desc().height < color->Desc().height) {
            Report(where, "depth-stencil surface smaller than the render target");
            return D3DERR_INVALIDCALL;
        }
    }
    renderTarget_.Reset(color);
    depthStencil_.Reset(depth);
    TargetsChanged();
    SetFullViewport();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** ppRenderTarget) {
    if (!ppRenderTarget) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *ppRenderTarget = renderTarget_.Get();
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) {
    if (!ppZStencilSurface) return D3DERR_INVALIDCALL;
    *ppZStencilSurface = nullptr;
    if (!depthStencil_) return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    *ppZStencilSurface = depthStencil_.Get();
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) {
        Report("IDirect3DDevice8::BeginScene", "already in a scene");
        return D3DERR_INVALIDCALL;
    }
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) {
        Report("IDirect3DDevice8::EndScene", "not in a scene");
        return D3DERR_INVALIDCALL;
    }
    inScene_ = false;
    return D3D_OK;
}

// ---- Device cursor -------------------------------------------------------------------

HRESULT Device::SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface8* pCursorBitmap) {
    const char* where = "IDirect3DDevice8::SetCursorProperties";
    auto* surface = dynamic_cast<Surface*>(pCursorBitmap);
    if (!surface || surface->OwnerDevice() != this || surface->Desc().format != D3DFMT_A8R8G8B8) {
        Report(where, "cursor must be an A8R8G8B8 surface of this device");
        return D3DERR_INVALIDCALL;
    }
    const SurfaceData& s = surface->Data();
    if (XHotSpot >= s.width || YHotSpot >= s.height) {
        Report(where, "hot spot outside the cursor image");
        return D3DERR_INVALIDCALL;
    }
    ReadBack(s);  // drawing still queued or held by the rasterizer reaches memory first
    cursorImage_.resize(static_cast<size_t>(s.width) * s.height);
    for (UINT y = 0; y < s.height; ++y)
        std::memcpy(&cursorImage_[static_cast<size_t>(y) * s.width], s.bits + static_cast<size_t>(y) * s.pitch,
                    s.width * 4);
    cursorWidth_ = s.width;
    cursorHeight_ = s.height;
    cursorHotX_ = XHotSpot;
    cursorHotY_ = YHotSpot;
    static bool said = false;
    if (!said) {
        said = true;
        Report(where, "the device cursor image is kept but not drawn over the picture");
    }
    return D3D_OK;
}

void Device::SetCursorPosition(UINT XScreenSpace, UINT YScreenSpace, DWORD /*Flags*/) {
    cursorX_ = XScreenSpace;
    cursorY_ = YScreenSpace;
}

BOOL Device::ShowCursor(BOOL bShow) {
    const BOOL previous = cursorVisible_ ? TRUE : FALSE;
    cursorVisible_ = bShow != FALSE;
    return previous;
}

bool SetRasterizing(IDirect3DDevice8* device, bool on) {
    auto* d = dynamic_cast<Device*>(device);
    if (!d) return false;
    d->SetRasterizing(on);
    return true;
}

namespace testing {

bool SimulateDeviceLoss(IDirect3DDevice8* device, bool lost) {
    auto* d = dynamic_cast<Device*>(device);
    if (!d) return false;
    d->SimulateLoss(lost);
    return true;
}

}  // namespace testing

}  // namespace d3d8
