// Reference counts: Release returns what remains, resources hold their device, and a
// production-like life ends with the device at zero.
#include "device_fixture.h"

namespace {

using d3d8test::DeviceTest;
using d3d8test::OffscreenParams;

using RefCountTest = DeviceTest;

TEST_F(RefCountTest, ResourcesHoldTheirDevice) {
    EXPECT_EQ(device->AddRef(), 2u);
    EXPECT_EQ(device->Release(), 1u);
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(device->AddRef(), 3u) << "one for the user, one held by the texture";
    device->Release();
    IDirect3DDevice8* viaTexture = nullptr;
    ASSERT_EQ(tex->GetDevice(&viaTexture), D3D_OK);
    EXPECT_EQ(viaTexture, device);
    EXPECT_EQ(viaTexture->Release(), 2u);
    EXPECT_EQ(tex->AddRef(), 2u);
    EXPECT_EQ(tex->Release(), 1u);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(recorded.forgotten.size(), 1u) << "the rasterizer hears of the texture's end";
}

TEST_F(RefCountTest, DeviceReleasedFirstLivesUntilItsLastResourceGoes) {
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(64);
    EXPECT_EQ(device->Release(), 1u) << "the buffer still holds the device";
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK) << "the buffer stays usable";
    vb->Unlock();
    EXPECT_EQ(vb->Release(), 0u);
    device = nullptr;  // gone with the buffer
}

TEST_F(RefCountTest, BindingsAndStateBlocksDoNotShowInCounts) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    device->SetTexture(0, tex);
    device->BeginStateBlock();
    device->SetTexture(1, tex);
    DWORD block = 0;
    device->EndStateBlock(&block);
    EXPECT_EQ(tex->AddRef(), 2u);
    tex->Release();
    EXPECT_EQ(tex->Release(), 0u) << "released while bound and recorded";
    EXPECT_TRUE(recorded.forgotten.empty()) << "still in use by the device";
    // Applying the block binds the texture the user let go; drawing with it is safe.
    ASSERT_EQ(device->ApplyStateBlock(block), D3D_OK);
    IDirect3DBaseTexture8* got = nullptr;
    ASSERT_EQ(device->GetTexture(1, &got), D3D_OK);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Release(), 0u);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    device->DeleteStateBlock(block);
    EXPECT_EQ(recorded.forgotten.size(), 1u);
}

// The life of the production's device objects, as the frame and the production drive it:
// create, rebuild, render through a render-target texture, reset, render, tear down.
TEST_F(RefCountTest, ProductionLikeSequenceEndsAtZero) {
    // CreateDeviceObjects: managed textures and buffers.
    IDirect3DTexture8* glyphs = nullptr;
    IDirect3DTexture8* bump = nullptr;
    IDirect3DVertexBuffer8* quad = nullptr;
    ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &glyphs), D3D_OK);
    ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(144, 0, 0x142, D3DPOOL_MANAGED, &quad), D3D_OK);

    IDirect3DTexture8* target = nullptr;
    IDirect3DVertexBuffer8* textVb = nullptr;
    DWORD saved = 0, text = 0;
    auto rebuild = [&] {
        ASSERT_EQ(device->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target),
                  D3D_OK);
        ASSERT_EQ(device->CreateVertexBuffer(8400, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &textVb),
                  D3D_OK);
        for (DWORD* block : {&saved, &text}) {
            ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
            device->SetTexture(0, glyphs);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            ASSERT_EQ(device->EndStateBlock(block), D3D_OK);
        }
    };
    auto render = [&] {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        IDirect3DSurface8* keptColor = nullptr;
        IDirect3DSurface8* keptDepth = nullptr;
        IDirect3DSurface8* level = nullptr;
        ASSERT_EQ(device->GetRenderTarget(&keptColor), D3D_OK);
        ASSERT_EQ(device->GetDepthStencilSurface(&keptDepth), D3D_OK);
        ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
        ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        device->SetVertexShader(0x142);
        device->SetStreamSource(0, quad, 24);
        device->SetTexture(0, bump);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        ASSERT_EQ(device->SetRenderTarget(keptColor, keptDepth), D3D_OK);
        keptColor->Release();
        keptDepth->Release();
        level->Release();
        device->SetTexture(0, target);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        device->CaptureStateBlock(saved);
        device->ApplyStateBlock(text);
        BYTE* p = nullptr;
        ASSERT_EQ(textVb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
        textVb->Unlock();
        device->ApplyStateBlock(saved);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    };
    auto release = [&] {
        EXPECT_EQ(target->Release(), 0u);
        target = nullptr;
        EXPECT_EQ(textVb->Release(), 0u);
        textVb = nullptr;
        EXPECT_EQ(device->DeleteStateBlock(saved), D3D_OK);
        EXPECT_EQ(device->DeleteStateBlock(text), D3D_OK);
    };

    rebuild();
    render();
    // The frame reads the back buffer's description after creation and each reset.
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    back->Release();

    // A reset while default-pool objects are held fails and changes nothing.
    D3DPRESENT_PARAMETERS pp = OffscreenParams(96, 80);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    release();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(glyphs->LockRect(0, &lr, nullptr, 0), D3D_OK) << "managed textures survive a reset";
    glyphs->UnlockRect(0);
    rebuild();
    render();
    release();

    // DestroyDeviceObjects, then the device itself; the bump texture is still bound.
    EXPECT_EQ(glyphs->Release(), 0u);
    EXPECT_EQ(bump->Release(), 0u);
    EXPECT_EQ(quad->Release(), 0u);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
}

TEST_F(RefCountTest, ResetRestoresDefaultsAndResizes) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(64);
    device->SetStreamSource(0, vb, 16);
    D3DPRESENT_PARAMETERS pp = OffscreenParams(40, 30, false);
    ASSERT_EQ(device->Reset(&pp), D3D_OK) << "managed buffers may stay held";
    DWORD v = 0;
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, static_cast<DWORD>(TRUE));
    device->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_FALSE)) << "no depth buffer now";
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 1;
    device->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr);
    D3DVIEWPORT8 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 40u);
    EXPECT_EQ(vp.Height, 30u);
    IDirect3DSurface8* depth = reinterpret_cast<IDirect3DSurface8*>(0x1);
    EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
    EXPECT_EQ(depth, nullptr);
    EXPECT_EQ(device->Reset(nullptr), D3DERR_INVALIDCALL);
    vb->Release();
}

TEST_F(RefCountTest, RefusedResetLeavesTheDeviceAsItWas) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DPRESENT_PARAMETERS pp = OffscreenParams(32, 32);
    pp.AutoDepthStencilFormat = D3DFMT_D24X4S4;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    pp = OffscreenParams(0, 32);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    pp = OffscreenParams(32, 32);
    pp.SwapEffect = static_cast<D3DSWAPEFFECT>(0);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    DWORD v = 0;
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, static_cast<DWORD>(FALSE));
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC d;
    back->GetDesc(&d);
    EXPECT_EQ(d.Width, 64u);
    back->Release();
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
}

TEST_F(RefCountTest, HoldingTheBackBufferBlocksReset) {
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DPRESENT_PARAMETERS pp = OffscreenParams();
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(back->Release(), 0u);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST_F(RefCountTest, LostDeviceCycle) {
    ASSERT_TRUE(d3d8::testing::SimulateDeviceLoss(device, true));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = OffscreenParams();
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK) << "work is accepted and dropped";
    EXPECT_TRUE(recorded.clears.empty());
    d3d8::testing::SimulateDeviceLoss(device, false);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

}  // namespace
