#include "tests/app/fake_d3d.h"

#include "tests/app/null_device.h"

#include <cstring>
#include <memory>
#include <vector>

namespace fake {

namespace {

Setup g_setup;
Calls g_calls;
std::vector<IUnknown*> g_held;  // references kept on behalf of "someone else"

DeviceTypeSetup& TypeSetup(UINT adapter, D3DDEVTYPE type) {
    AdapterSetup& a = g_setup.adapters.at(adapter);
    return type == D3DDEVTYPE_HAL ? a.hal : a.ref;
}

class Surface : public IDirect3DSurface8 {
public:
    Surface(UINT width, UINT height, D3DFORMAT format, int pad, bool cursor)
        : width_(width), height_(height), format_(format), pitch_(static_cast<int>(width * 4) + pad), cursor_(cursor) {
        bits_.assign(static_cast<size_t>(pitch_) * height, 0xCD);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    HRESULT GetDesc(D3DSURFACE_DESC* d) override {
        std::memset(d, 0, sizeof(*d));
        d->Format = format_;
        d->Type = D3DRTYPE_SURFACE;
        d->Width = width_;
        d->Height = height_;
        return S_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT* r, const RECT*, DWORD) override {
        r->Pitch = pitch_;
        r->pBits = bits_.data();
        return S_OK;
    }
    HRESULT UnlockRect() override {
        if (cursor_) {
            g_calls.cursorPixels.clear();
            for (UINT y = 0; y < height_; ++y)
                for (UINT x = 0; x < width_; ++x) {
                    DWORD v;
                    std::memcpy(&v, bits_.data() + static_cast<size_t>(pitch_) * y + x * 4, 4);
                    g_calls.cursorPixels.push_back(v);
                }
            g_calls.cursorWidth = width_;
            g_calls.cursorHeight = height_;
        }
        return S_OK;
    }

private:
    ~Surface() override = default;
    ULONG refs_ = 1;
    UINT width_, height_;
    D3DFORMAT format_;
    int pitch_;
    bool cursor_;
    std::vector<BYTE> bits_;
};

// Only what the frame uses; the rest is NullDevice's.
class Device : public fake::NullDevice {
public:
    explicit Device(const D3DPRESENT_PARAMETERS& pp) : params_(pp) { ++g_calls.devicesAlive; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    HRESULT TestCooperativeLevel() override { return g_setup.cooperativeLevel; }
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override {
        std::memset(caps, 0, sizeof(*caps));
        return S_OK;
    }
    HRESULT GetDisplayMode(D3DDISPLAYMODE* m) override {
        m->Width = params_.BackBufferWidth;
        m->Height = params_.BackBufferHeight;
        m->RefreshRate = 60;
        m->Format = params_.Windowed ? g_setup.adapters[0].desktop.Format : params_.BackBufferFormat;
        return S_OK;
    }
    HRESULT SetCursorProperties(UINT x, UINT y, IDirect3DSurface8*) override {
        ++g_calls.setCursorProperties;
        g_calls.cursorHotX = x;
        g_calls.cursorHotY = y;
        return S_OK;
    }
    void SetCursorPosition(UINT, UINT, DWORD) override { ++g_calls.setCursorPosition; }
    BOOL ShowCursor(BOOL) override {
        ++g_calls.showCursor;
        return FALSE;
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS* pp) override {
        ++g_calls.reset;
        g_calls.resetParams.push_back(*pp);
        if (FAILED(g_setup.resetResult)) return g_setup.resetResult;
        params_ = *pp;
        return S_OK;
    }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override {
        ++g_calls.present;
        if (g_setup.onPresent) g_setup.onPresent(params_, g_calls.lastClearColour);
        return S_OK;
    }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8** s) override {
        *s = new Surface(params_.BackBufferWidth, params_.BackBufferHeight, params_.BackBufferFormat, 0, false);
        return S_OK;
    }
    HRESULT CreateImageSurface(UINT w, UINT h, D3DFORMAT f, IDirect3DSurface8** s) override {
        *s = new Surface(w, h, f, g_setup.imageSurfacePitchPad, true);
        return S_OK;
    }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR c, float, DWORD) override {
        ++g_calls.clear;
        g_calls.lastClearColour = c;
        return S_OK;
    }

private:
    ~Device() override { --g_calls.devicesAlive; }
    ULONG refs_ = 1;
    D3DPRESENT_PARAMETERS params_;
};

class Direct3D : public IDirect3D8 {
public:
    Direct3D() { ++g_calls.direct3dAlive; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    UINT GetAdapterCount() override { return static_cast<UINT>(g_setup.adapters.size()); }
    HRESULT GetAdapterIdentifier(UINT a, DWORD, D3DADAPTER_IDENTIFIER8* id) override {
        std::memset(id, 0, sizeof(*id));
        std::strncpy(id->Description, g_setup.adapters.at(a).description.c_str(), sizeof(id->Description) - 1);
        return S_OK;
    }
    UINT GetAdapterModeCount(UINT a) override { return static_cast<UINT>(g_setup.adapters.at(a).modes.size()); }
    HRESULT EnumAdapterModes(UINT a, UINT m, D3DDISPLAYMODE* mode) override {
        *mode = g_setup.adapters.at(a).modes.at(m);
        return S_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT a, D3DDISPLAYMODE* mode) override {
        *mode = g_setup.adapters.at(a).desktop;
        return S_OK;
    }
    HRESULT CheckDeviceType(UINT a, D3DDEVTYPE t, D3DFORMAT display, D3DFORMAT, BOOL) override {
        const DeviceTypeSetup& s = TypeSetup(a, t);
        return s.exists && s.formats.count(display) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceFormat(UINT a, D3DDEVTYPE t, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT check) override {
        ++g_calls.checkDeviceFormat;
        g_calls.depthFormatsTried.push_back(check);
        return TypeSetup(a, t).depthFormats.count(check) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE t, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE m) override {
        return TypeSetup(a, t).multiSample.count(static_cast<int>(m)) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDepthStencilMatch(UINT a, D3DDEVTYPE t, D3DFORMAT, D3DFORMAT, D3DFORMAT ds) override {
        return TypeSetup(a, t).depthFormats.count(ds) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT a, D3DDEVTYPE t, D3DCAPS8* caps) override {
        *caps = TypeSetup(a, t).caps;
        caps->DeviceType = t;
        return S_OK;
    }
    HRESULT CreateDevice(UINT a, D3DDEVTYPE t, HWND, DWORD behavior, D3DPRESENT_PARAMETERS* pp,
                         IDirect3DDevice8** device) override {
        *device = NULL;
        ++g_calls.createDevice;
        g_calls.createdTypes.push_back(t);
        g_calls.createParams.push_back(*pp);
        g_calls.createBehavior.push_back(behavior);
        HRESULT hr = TypeSetup(a, t).createResult;
        if (FAILED(hr)) return hr;
        Device* d = new Device(*pp);
        for (ULONG i = 0; i < g_setup.extraDeviceReferences; ++i) {
            d->AddRef();
            g_held.push_back(d);
        }
        *device = d;
        return S_OK;
    }

private:
    ~Direct3D() override { --g_calls.direct3dAlive; }
    ULONG refs_ = 1;
};

}  // namespace

AdapterSetup TypicalAdapter() {
    AdapterSetup a;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
        for (auto [w, h] : {std::pair<UINT, UINT>{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}})
            for (UINT hz : {60u, 75u}) a.modes.push_back({w, h, hz, f});
    a.hal.caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED;
    a.hal.caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    a.hal.formats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    a.hal.depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};
    a.hal.multiSample = {0, 2, 4};
    a.ref = a.hal;
    a.ref.caps.DevCaps = 0;
    a.ref.multiSample = {0};
    return a;
}

Setup& CurrentSetup() { return g_setup; }
Calls& CurrentCalls() { return g_calls; }

void ResetAll() {
    g_setup = Setup{};
    g_calls = Calls{};
}

void ReleaseHeldReferences() {
    std::vector<IUnknown*> held;
    held.swap(g_held);
    for (IUnknown* object : held) object->Release();
}

IDirect3D8* CreateDirect3D() { return new Direct3D(); }

}  // namespace fake

// The program-wide entry point, answered by the fake in the frame's tests.
IDirect3D8* Direct3DCreate8(UINT version) {
    if (version != D3D_SDK_VERSION) return NULL;
    return fake::CreateDirect3D();
}
