// Textures, surfaces and buffers: creation checks, mip chains, lock rules, copies.
#include "device_fixture.h"

namespace {

using d3d8test::DeviceTest;

using ResourceTest = DeviceTest;

TEST_F(ResourceTest, TextureWithZeroLevelsGetsTheFullChain) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(256, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 9u);  // 256x64 .. 1x1
    D3DSURFACE_DESC d;
    ASSERT_EQ(tex->GetLevelDesc(2, &d), D3D_OK);
    EXPECT_EQ(d.Width, 64u);
    EXPECT_EQ(d.Height, 16u);
    ASSERT_EQ(tex->GetLevelDesc(8, &d), D3D_OK);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(tex->GetLevelDesc(9, &d), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->GetType(), D3DRTYPE_TEXTURE);
    tex->Release();
}

TEST_F(ResourceTest, CreateTextureRefusesBadArguments) {
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(device->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr) << "out-pointer cleared first";
    EXPECT_EQ(device->CreateTexture(8192, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_V8U8, D3DPOOL_DEFAULT, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D16, D3DPOOL_DEFAULT, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, static_cast<D3DPOOL>(7), &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, TextureLockRules) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 8, 2, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 32);
    ASSERT_NE(lr.pBits, nullptr);
    static_cast<BYTE*>(lr.pBits)[0] = 0x7f;
    D3DLOCKED_RECT again{};
    EXPECT_EQ(tex->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL) << "locking twice";
    EXPECT_EQ(again.pBits, nullptr);
    EXPECT_EQ(tex->LockRect(1, &again, nullptr, 0), D3D_OK) << "another level locks independently";
    EXPECT_EQ(tex->UnlockRect(1), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL) << "unlocking an unlocked level";
    EXPECT_EQ(tex->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->UnlockRect(2), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);

    // A sub-rectangle points into the level at its corner.
    const RECT r{3, 2, 5, 4};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, D3DLOCK_READONLY), D3D_OK);
    D3DLOCKED_RECT whole{};
    tex->UnlockRect(0);
    tex->LockRect(0, &whole, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(static_cast<BYTE*>(lr.pBits), static_cast<BYTE*>(whole.pBits) + 2 * 32 + 3 * 2);
    EXPECT_EQ(static_cast<BYTE*>(whole.pBits)[0], 0x7f) << "contents kept";
    tex->UnlockRect(0);
    for (const RECT& bad : {RECT{0, 0, 17, 8}, RECT{4, 4, 4, 6}, RECT{-1, 0, 2, 2}, RECT{0, 0, 2, 9}})
        EXPECT_EQ(tex->LockRect(0, &lr, &bad, 0), D3DERR_INVALIDCALL);
    tex->Release();
}

TEST_F(ResourceTest, LevelSurfacesShareTheTexturesStorageAndCount) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    IDirect3DSurface8* level1 = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(1, &level1), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 3u) << "the level surface counts on its texture";
    tex->Release();
    D3DLOCKED_RECT viaSurface{}, viaTexture{};
    ASSERT_EQ(level1->LockRect(&viaSurface, nullptr, 0), D3D_OK);
    EXPECT_EQ(tex->LockRect(1, &viaTexture, nullptr, 0), D3DERR_INVALIDCALL) << "the same level is locked";
    level1->UnlockRect();
    ASSERT_EQ(tex->LockRect(1, &viaTexture, nullptr, 0), D3D_OK);
    EXPECT_EQ(viaTexture.pBits, viaSurface.pBits);
    tex->UnlockRect(1);
    IDirect3DSurface8* none = reinterpret_cast<IDirect3DSurface8*>(0x1);
    EXPECT_EQ(tex->GetSurfaceLevel(3, &none), D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(tex->Release(), 1u);
    EXPECT_EQ(level1->Release(), 0u) << "releasing the level's reference frees the texture";
}

TEST_F(ResourceTest, VertexBufferLockRules) {
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(64, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DUSAGE_WRITEONLY);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    ASSERT_NE(p, nullptr);
    p[63] = 0xab;
    BYTE* q = reinterpret_cast<BYTE*>(0x1);
    EXPECT_EQ(vb->Lock(0, 0, &q, 0), D3DERR_INVALIDCALL) << "locking twice";
    EXPECT_EQ(q, nullptr);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(16, 0, &q, D3DLOCK_READONLY), D3D_OK) << "size 0 locks to the end";
    EXPECT_EQ(q, p + 16);
    EXPECT_EQ(q[47], 0xab);
    vb->Unlock();
    EXPECT_EQ(vb->Lock(60, 8, &q, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(65, 0, &q, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0xfffffff0u, 0x20, &q, 0), D3DERR_INVALIDCALL) << "offset + size overflow";
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    D3DVERTEXBUFFER_DESC d;
    ASSERT_EQ(vb->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Size, 64u);
    EXPECT_EQ(d.FVF, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    EXPECT_EQ(d.Usage, D3DUSAGE_WRITEONLY);
    vb->Release();
}

TEST_F(ResourceTest, DiscardLocksGiveFreshStorageAndNoOverwriteKeepsIt) {
    IDirect3DVertexBuffer8* vb =
        MakeVertexBuffer(8000, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT);
    BYTE* first = nullptr;
    BYTE* second = nullptr;
    BYTE* third = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &first, D3DLOCK_DISCARD), D3D_OK);
    vb->Unlock();
    ASSERT_EQ(vb->Lock(0, 0, &second, D3DLOCK_DISCARD), D3D_OK);
    vb->Unlock();
    EXPECT_NE(first, second);
    ASSERT_EQ(vb->Lock(0, 0, &third, D3DLOCK_NOOVERWRITE), D3D_OK);
    vb->Unlock();
    EXPECT_EQ(third, second);
    vb->Release();
}

TEST_F(ResourceTest, BufferCreationChecks) {
    IDirect3DVertexBuffer8* vb = reinterpret_cast<IDirect3DVertexBuffer8*>(0x1);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(device->CreateVertexBuffer(8, 0, 0x212, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL)
        << "shorter than one vertex";
    EXPECT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_NORMAL, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(64, 0x80000000u, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, nullptr), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_D16, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateIndexBuffer(2, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib), D3D_OK);
    D3DINDEXBUFFER_DESC d;
    ASSERT_EQ(ib->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Format, D3DFMT_INDEX32);
    EXPECT_EQ(d.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(ib->GetType(), D3DRTYPE_INDEXBUFFER);
    ib->Release();
}

TEST_F(ResourceTest, BackBufferAndRenderTargetsReadBackWithReadOnlyLocks) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff102030u, 1.0f, 0), D3D_OK);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 64 * 4);
    EXPECT_EQ(static_cast<const DWORD*>(lr.pBits)[63 * 64 + 63], 0xff102030u);
    EXPECT_EQ(back->UnlockRect(), D3D_OK);
    back->Release();

    IDirect3DSurface8* rt = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &rt), D3D_OK);
    EXPECT_EQ(rt->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL) << "not lockable for writing";
    EXPECT_EQ(rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    rt->UnlockRect();
    rt->Release();

    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(depth->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL) << "depth is not lockable";
    D3DSURFACE_DESC d;
    depth->GetDesc(&d);
    EXPECT_EQ(d.Format, D3DFMT_D16);
    EXPECT_EQ(d.Usage, D3DUSAGE_DEPTHSTENCIL);
    depth->Release();
}

TEST_F(ResourceTest, SurfaceCreationChecks) {
    IDirect3DSurface8* s = reinterpret_cast<IDirect3DSurface8*>(0x1);
    EXPECT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_V8U8, D3DMULTISAMPLE_NONE, TRUE, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, TRUE, &s),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateDepthStencilSurface(16, 16, D3DFMT_D15S1, D3DMULTISAMPLE_NONE, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateDepthStencilSurface(0, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateImageSurface(32, 32, D3DFMT_D16, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &s), D3D_OK);
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    EXPECT_EQ(d.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(d.Size, 32u * 32u * 4u);
    s->Release();
}

TEST_F(ResourceTest, CopyRectsCopiesPixelsAndChecksBounds) {
    IDirect3DSurface8* src = nullptr;
    IDirect3DSurface8* dst = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &src), D3D_OK);
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &dst), D3D_OK);
    D3DLOCKED_RECT lr;
    src->LockRect(&lr, nullptr, 0);
    for (int i = 0; i < 64; ++i) static_cast<DWORD*>(lr.pBits)[i] = static_cast<DWORD>(i);
    src->UnlockRect();
    const RECT r{1, 2, 3, 4};
    const POINT p{5, 6};
    ASSERT_EQ(device->CopyRects(src, &r, 1, dst, &p), D3D_OK);
    dst->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    const DWORD* px = static_cast<const DWORD*>(lr.pBits);
    EXPECT_EQ(px[6 * 8 + 5], 2u * 8 + 1);
    EXPECT_EQ(px[7 * 8 + 6], 3u * 8 + 2);
    EXPECT_EQ(px[0], 0u);
    dst->UnlockRect();
    const POINT far{7, 7};
    EXPECT_EQ(device->CopyRects(src, &r, 1, dst, &far), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(src, nullptr, 1, dst, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(src, nullptr, 0, src, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(nullptr, nullptr, 0, dst, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CopyRects(src, nullptr, 0, dst, nullptr), D3D_OK) << "whole surface";
    dst->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(static_cast<const DWORD*>(lr.pBits)[63], 63u);
    dst->UnlockRect();
    src->Release();
    dst->Release();
}

}  // namespace

namespace {

using CursorTest = d3d8test::DeviceTest;

TEST_F(CursorTest, CursorImageIsCheckedAndVisibilityRemembered) {
    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(device->SetCursorProperties(3, 4, image), D3D_OK);
    EXPECT_EQ(device->SetCursorProperties(32, 0, image), D3DERR_INVALIDCALL) << "hot spot outside";
    EXPECT_EQ(device->SetCursorProperties(0, 0, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface8* wrong = nullptr;
    ASSERT_EQ(device->CreateImageSurface(32, 32, D3DFMT_R5G6B5, &wrong), D3D_OK);
    EXPECT_EQ(device->SetCursorProperties(0, 0, wrong), D3DERR_INVALIDCALL) << "cursors are A8R8G8B8";
    EXPECT_EQ(device->ShowCursor(TRUE), FALSE);
    EXPECT_EQ(device->ShowCursor(FALSE), TRUE);
    device->SetCursorPosition(10, 20, 0);
    wrong->Release();
    EXPECT_EQ(image->Release(), 0u) << "the device keeps a copy of the image, not the surface";
}

}  // namespace
