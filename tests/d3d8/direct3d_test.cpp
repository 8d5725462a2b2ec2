// The Direct3D object: adapters, modes, the checks device enumeration makes, creation.
#include "device_fixture.h"

#include "platform/d3d8/backend.h"
#include "platform/d3d8/gl/gl_rasterizer.h"

#include <algorithm>

namespace {

using d3d8test::OffscreenParams;

class Direct3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = d3d8::testing::ForceVirtualAdapter(true);  // the same adapter with or without a display
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(d3d->Release(), 0u);
        d3d8::testing::ForceVirtualAdapter(previous_);
    }
    IDirect3D8* d3d = nullptr;

private:
    bool previous_ = false;
};

TEST(Direct3DCreate, OnlySdkVersion120GivesAnObject) {
    EXPECT_EQ(Direct3DCreate8(0), nullptr);
    EXPECT_EQ(Direct3DCreate8(220), nullptr);
    IDirect3D8* d3d = Direct3DCreate8(120);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->AddRef(), 2u);
    EXPECT_EQ(d3d->Release(), 1u);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(Direct3DTest, VirtualAdapterDescribesItself) {
    ASSERT_EQ(d3d->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER8 id;
    ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_STREQ(id.Description, "Software adapter");
    D3DDISPLAYMODE desktop;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &desktop), D3D_OK);
    EXPECT_EQ(desktop.Width, 1024u);
    EXPECT_EQ(desktop.Height, 768u);
    EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);
}

TEST_F(Direct3DTest, ModesSpan640x480To1920x1080InBothFormats) {
    const UINT count = d3d->GetAdapterModeCount(0);
    ASSERT_GT(count, 0u);
    bool has800x600Of16Bit = false, has1920x1080Of32Bit = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE m;
        ASSERT_EQ(d3d->EnumAdapterModes(0, i, &m), D3D_OK);
        EXPECT_GE(m.Width, 640u);
        EXPECT_GE(m.Height, 480u);
        EXPECT_LE(m.Width, 1920u);
        EXPECT_LE(m.Height, 1080u);
        EXPECT_TRUE(m.Format == D3DFMT_X8R8G8B8 || m.Format == D3DFMT_R5G6B5);
        has800x600Of16Bit |= m.Width == 800 && m.Height == 600 && m.Format == D3DFMT_R5G6B5;
        has1920x1080Of32Bit |= m.Width == 1920 && m.Height == 1080 && m.Format == D3DFMT_X8R8G8B8;
    }
    EXPECT_TRUE(has800x600Of16Bit);
    EXPECT_TRUE(has1920x1080Of32Bit);
}

TEST_F(Direct3DTest, OutOfRangeAdaptersAndModesAreRefused) {
    D3DDISPLAYMODE m{};
    D3DADAPTER_IDENTIFIER8 id;
    D3DCAPS8 caps;
    EXPECT_EQ(d3d->GetAdapterModeCount(1), 0u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, d3d->GetAdapterModeCount(0), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->EnumAdapterModes(1, 0, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->EnumAdapterModes(0, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(3, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_REF, &caps), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDeviceType(1, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DTest, RefIsAvailableAndHalOnlyWithItsRasterizer) {
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, FALSE),
              D3DERR_NOTAVAILABLE);
    // Windowed devices show on the desktop, which is X8R8G8B8.
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_R5G6B5, D3DFMT_R5G6B5, TRUE), D3DERR_NOTAVAILABLE);
    if (d3d8::GlRasterizerAvailable()) return;  // the OpenGL rasterizer is built and works here
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);

    D3DCAPS8 caps;
    caps.MaxTextureWidth = 77;
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(caps.MaxTextureWidth, 0u) << "caps are cleared on failure";

    D3DPRESENT_PARAMETERS pp = OffscreenParams();
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(0x1);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
}

TEST_F(Direct3DTest, RefCapsCoverWhatTheProductionNeeds) {
    D3DCAPS8 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(caps.AdapterOrdinal, 0u);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
    EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP);
    EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAPLUMINANCE);
    EXPECT_EQ(caps.MaxTextureWidth, 4096u);
    EXPECT_EQ(caps.MaxTextureHeight, 4096u);
    EXPECT_EQ(caps.MaxTextureBlendStages, 8u);
    EXPECT_EQ(caps.MaxSimultaneousTextures, 8u);
    EXPECT_EQ(caps.MaxActiveLights, 8u);
    EXPECT_EQ(caps.SrcBlendCaps & 0x7ffu, 0x7ffu) << "all 11 blend factors";
    EXPECT_GE(caps.MaxPointSize, 500.0f);
}

TEST_F(Direct3DTest, DepthFormatsD16D24X8D24S8D32AreSupportedOthersNot) {
    for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f),
                  D3D_OK)
            << f;
        EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_REF, D3DFMT_R5G6B5, D3DFMT_R5G6B5, f), D3D_OK) << f;
    }
    for (D3DFORMAT f : {D3DFMT_D15S1, D3DFMT_D24X4S4, D3DFMT_D16_LOCKABLE}) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f),
                  D3DERR_NOTAVAILABLE)
            << f;
        EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, f),
                  D3DERR_NOTAVAILABLE)
            << f;
    }
}

TEST_F(Direct3DTest, TextureFormatsIncludeTheBumpFormats) {
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_V8U8, D3DFMT_L6V5U5,
                        D3DFMT_X8L8V8U8})
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, f), D3D_OK) << f;
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_P8, D3DFMT_Q8W8V8U8, D3DFMT_D16})
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, f),
                  D3DERR_NOTAVAILABLE)
            << f;
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_R5G6B5, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_V8U8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_2_SAMPLES),
              D3DERR_NOTAVAILABLE);
}

TEST_F(Direct3DTest, CreateDeviceRefusesBadArguments) {
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS pp = OffscreenParams();
    const DWORD hw = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, &pp, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, nullptr, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_REF, nullptr, hw, &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, 0, &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw | D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw | D3DCREATE_PUREDEVICE, &pp, &device),
              D3DERR_INVALIDCALL);

    D3DPRESENT_PARAMETERS noSize = OffscreenParams(0, 0);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, &noSize, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS badDepth = OffscreenParams();
    badDepth.AutoDepthStencilFormat = D3DFMT_D15S1;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, &badDepth, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS multi = OffscreenParams();
    multi.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, &multi, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS fullNoWindow = OffscreenParams(800, 600);
    fullNoWindow.Windowed = FALSE;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, hw, &fullNoWindow, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS fullNoMode = OffscreenParams(801, 600);
    fullNoMode.Windowed = FALSE;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, reinterpret_cast<HWND>(0x10), hw, &fullNoMode, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->AddRef(), 2u) << "failed creations keep no reference";
    d3d->Release();
}

TEST_F(Direct3DTest, CreateDeviceFillsInWhatItChose) {
    D3DPRESENT_PARAMETERS pp = OffscreenParams(32, 16);
    pp.BackBufferCount = 0;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 16u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    back->Release();
    EXPECT_EQ(d3d->Release(), 1u) << "the device holds the Direct3D object";
    EXPECT_EQ(device->Release(), 0u);
    d3d = Direct3DCreate8(D3D_SDK_VERSION);  // for TearDown
}

TEST_F(Direct3DTest, FullScreenDeviceUsesAListedMode) {
    D3DPRESENT_PARAMETERS pp = OffscreenParams(800, 600);
    pp.Windowed = FALSE;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, reinterpret_cast<HWND>(0x10), D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                &pp, &device),
              D3D_OK);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(device->GetDisplayMode(&mode), D3D_OK);
    EXPECT_EQ(mode.Width, 800u);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(device->Release(), 0u);
}

// The frame's enumeration with the production's device check, as far as the model takes
// part: REF must pass with a luminance bump format in every display format.
TEST_F(Direct3DTest, ProductionDeviceCheckAcceptsRef) {
    D3DCAPS8 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3D_OK);
    for (D3DFORMAT display : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        ASSERT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, display, display, FALSE), D3D_OK);
        ASSERT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAPLUMINANCE);
        EXPECT_EQ(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, display, 0, D3DRTYPE_TEXTURE,
                                         D3DFMT_X8L8V8U8),
                  D3D_OK);
        D3DFORMAT chosen = D3DFMT_UNKNOWN;
        for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}) {
            if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, display, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth) ==
                    D3D_OK &&
                d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_REF, display, display, depth) == D3D_OK) {
                chosen = depth;
                break;
            }
        }
        EXPECT_EQ(chosen, D3DFMT_D16);
    }
}

}  // namespace
