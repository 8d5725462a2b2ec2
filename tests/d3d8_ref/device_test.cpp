// End to end through the device model: an off-screen REF device draws with the states the
// production sets, and the back buffer or a render-target texture is read back.
#include "platform/d3d8.h"
#include "platform/d3d8/pixel_convert.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct ColorVertex {
    float x, y, z;
    D3DCOLOR color;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

class RefDevice : public ::testing::Test {
protected:
    static constexpr UINT kSize = 64;

    void SetUp() override {
        ASSERT_EQ(ref_.createResult(), D3D_OK);
        ASSERT_EQ(dev_->BeginScene(), D3D_OK);
    }

    void TearDown() override {
        if (dev_) {
            dev_->EndScene();
            EXPECT_EQ(ref_.Release(), 0u);
        }
    }

    // Pixel (x, y) of a surface, read with a read-only lock.
    static D3DCOLOR PixelOf(IDirect3DSurface8* s, int x, int y) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT lr;
        if (FAILED(s->GetDesc(&desc)) || FAILED(s->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return 0xdeadbeef;
        const UINT bpp = desc.Format == D3DFMT_R5G6B5 ? 2 : 4;
        const D3DCOLOR c = d3d8::ReadArgb(desc.Format, static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch + x * bpp);
        s->UnlockRect();
        return c;
    }

    D3DCOLOR Pixel(int x, int y) {
        IDirect3DSurface8* back = nullptr;
        if (FAILED(dev_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) return 0xdeadbeef;
        const D3DCOLOR c = PixelOf(back, x, y);
        back->Release();
        return c;
    }

    void DiffuseOnly() {
        dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    // A screen rectangle of pixel centres [x0, x1) x [y0, y1).
    HRESULT Rect(float x0, float y0, float x1, float y1, D3DCOLOR c, float z = 0.5f) {
        const TLVertex v[] = {{x0 - 0.5f, y0 - 0.5f, z, 1, c, 0, 0},
                              {x1 - 0.5f, y0 - 0.5f, z, 1, c, 1, 0},
                              {x0 - 0.5f, y1 - 0.5f, z, 1, c, 0, 1},
                              {x1 - 0.5f, y1 - 0.5f, z, 1, c, 1, 1}};
        dev_->SetVertexShader(kTLFvf);
        return dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex));
    }

    test_support::RefDevice ref_{kSize, kSize, D3DFMT_D16};
    IDirect3DDevice8* const dev_ = ref_.get();
};

}  // namespace

TEST_F(RefDevice, ClearsAndDrawsIntoTheBackBuffer) {
    ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00102030, 1.0f, 0), D3D_OK);
    DiffuseOnly();
    ASSERT_EQ(Rect(8, 8, 24, 24, 0xffc08040), D3D_OK);
    EXPECT_EQ(Pixel(8, 8), 0xffc08040u);
    EXPECT_EQ(Pixel(23, 23), 0xffc08040u);
    EXPECT_EQ(Pixel(24, 24), 0xff102030u);
}

TEST_F(RefDevice, DefaultStageWithoutATextureShowsTheDiffuseColour) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(Rect(0, 0, 16, 16, 0xffc08040), D3D_OK);
    EXPECT_EQ(Pixel(4, 4), 0xffc08040u);
}

TEST_F(RefDevice, AutoDepthBufferKeepsTheNearerSurface) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DiffuseOnly();
    Rect(0, 0, 32, 32, 0xffff0000, 0.3f);
    Rect(16, 16, 48, 48, 0xff00ff00, 0.6f);
    EXPECT_EQ(Pixel(20, 20), 0xffff0000u);
    EXPECT_EQ(Pixel(40, 40), 0xff00ff00u);
}

TEST_F(RefDevice, ProductionFogOnAWall) {
    // The frame's fog: colour 0x141414, table EXP, density 0.02; a white wall at eye depth 50.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DiffuseOnly();
    D3DMATRIX proj{};
    proj._11 = proj._22 = 1;  // 90 degree field of view
    proj._33 = 1000.0f / 999.0f;
    proj._34 = 1;
    proj._43 = -1000.0f / 999.0f;
    dev_->SetTransform(D3DTS_PROJECTION, &proj);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0x00141414);
    dev_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev_->SetRenderState(D3DRS_FOGDENSITY, Bits(0.02f));
    const ColorVertex wall[] = {{-100, 100, 50, 0xffffffff}, {100, 100, 50, 0xffffffff},
                                {-100, -100, 50, 0xffffffff}, {100, -100, 50, 0xffffffff}};
    dev_->SetVertexShader(kColorFvf);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, wall, sizeof(ColorVertex)), D3D_OK);
    const float f = std::exp(-1.0f);
    const int expected = static_cast<int>(std::lround(f * 255 + (1 - f) * 0x14));
    EXPECT_NEAR(static_cast<int>(d3d8::RedOf(Pixel(32, 32))), expected, 1);
}

TEST_F(RefDevice, ParticleSpriteSizeWithTheEmitterSettings) {
    // POINTSIZE 5.08, scale (0, 0, 1): at eye distance 50.8 on a 64-pixel-high viewport the
    // sprite is 64 * 5.08 / 50.8 = 6.4 pixels wide; centred on pixel 32 it covers 29..35.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DiffuseOnly();
    D3DMATRIX proj{};
    proj._11 = proj._22 = 1;
    proj._33 = 1;
    proj._34 = 1;
    proj._43 = -1;
    dev_->SetTransform(D3DTS_PROJECTION, &proj);
    dev_->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev_->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    dev_->SetRenderState(D3DRS_POINTSIZE, 0x40A28F5C);
    dev_->SetRenderState(D3DRS_POINTSIZE_MIN, Bits(0.0f));
    dev_->SetRenderState(D3DRS_POINTSIZE_MAX, Bits(500.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_A, Bits(0.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_B, Bits(0.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_C, Bits(1.0f));
    const ColorVertex p[] = {{0, 0, 50.8f, 0xffffffff}};
    dev_->SetVertexShader(kColorFvf);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, p, sizeof(ColorVertex)), D3D_OK);
    int covered = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) covered += Pixel(x, y) != 0xff000000u;
    EXPECT_EQ(covered, 7 * 7);
    EXPECT_NE(Pixel(29, 29), 0xff000000u);
    EXPECT_EQ(Pixel(28, 32), 0xff000000u);
}

TEST_F(RefDevice, RenderTargetTextureIsDrawnThenSampled) {
    IDirect3DTexture8* rt = nullptr;
    ASSERT_EQ(dev_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    IDirect3DSurface8* level = nullptr;
    IDirect3DSurface8* oldTarget = nullptr;
    IDirect3DSurface8* oldDepth = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    dev_->GetRenderTarget(&oldTarget);
    dev_->GetDepthStencilSurface(&oldDepth);
    ASSERT_EQ(dev_->SetRenderTarget(level, nullptr), D3D_OK);  // no depth buffer
    DiffuseOnly();
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000ff, 1.0f, 0);
    Rect(0, 0, 8, 16, 0xffff0000);  // left half red
    EXPECT_EQ(PixelOf(level, 2, 2), 0xffff0000u);
    EXPECT_EQ(PixelOf(level, 12, 2), 0xff0000ffu);
    ASSERT_EQ(dev_->SetRenderTarget(oldTarget, oldDepth), D3D_OK);
    oldTarget->Release();
    oldDepth->Release();
    level->Release();

    // Sample it over the whole back buffer: 4 pixels per texel.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->SetTexture(0, rt);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    Rect(0, 0, 64, 64, 0xffffffff);
    EXPECT_EQ(Pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(Pixel(50, 5), 0xff0000ffu);
    dev_->SetTexture(0, nullptr);
    EXPECT_EQ(rt->Release(), 0u);
}

TEST_F(RefDevice, IndexedDrawFromBuffersWithBaseVertex) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DiffuseOnly();
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(8 * sizeof(TLVertex), D3DUSAGE_WRITEONLY, kTLFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(6 * sizeof(WORD), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib),
              D3D_OK);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<TLVertex> v(8, TLVertex{0, 0, 0.5f, 1, 0xff000000, 0, 0});
    const float quad[4][2] = {{9.5f, 9.5f}, {19.5f, 9.5f}, {9.5f, 19.5f}, {19.5f, 19.5f}};
    for (int i = 0; i < 4; ++i) v[4 + i] = {quad[i][0], quad[i][1], 0.5f, 1, 0xff00ff00, 0, 0};
    std::memcpy(p, v.data(), v.size() * sizeof(TLVertex));
    vb->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const WORD idx[] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    dev_->SetVertexShader(kTLFvf);
    dev_->SetStreamSource(0, vb, sizeof(TLVertex));
    dev_->SetIndices(ib, 4);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(Pixel(10, 10), 0xff00ff00u);
    EXPECT_EQ(Pixel(19, 19), 0xff00ff00u);
    EXPECT_EQ(Pixel(20, 20), 0xff000000u);
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}

// With several threads, draws are queued and drawn later: each must still see the texture
// contents, the target contents and the vertices as they were when it was made.
class RefDeviceQueued : public RefDevice {
protected:
    void SetUp() override {
        setenv("MORVELT_THREADS", "4", 1);
        RefDevice::SetUp();
        unsetenv("MORVELT_THREADS");
    }

    void Textured(IDirect3DBaseTexture8* texture) {
        dev_->SetTexture(0, texture);
        dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    }

    static void Fill(IDirect3DTexture8* texture, D3DCOLOR c) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) d3d8::WriteArgb(D3DFMT_X8R8G8B8, static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * 4, c);
        texture->UnlockRect(0);
    }
};

TEST_F(RefDeviceQueued, DrawsSeeTexturesTargetsAndVerticesAsTheyWereWhenMade) {
    DiffuseOnly();
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);

    // Drawn into a texture, which the next draw samples without any lock in between.
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(dev_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    IDirect3DSurface8 *level = nullptr, *back = nullptr, *depth = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
    dev_->GetRenderTarget(&back);
    dev_->GetDepthStencilSurface(&depth);
    ASSERT_EQ(dev_->SetRenderTarget(level, nullptr), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000ff, 1.0f, 0);
    Rect(0, 0, 16, 16, 0xffff0000);
    ASSERT_EQ(dev_->SetRenderTarget(back, depth), D3D_OK);
    Textured(target);
    Rect(0, 0, 32, 64, 0xffffffff);

    // A texture rewritten between two draws that sample it.
    IDirect3DTexture8* picture = nullptr;
    ASSERT_EQ(dev_->CreateTexture(16, 16, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &picture), D3D_OK);
    Fill(picture, 0xff00ff00);
    Textured(picture);
    Rect(32, 0, 64, 32, 0xffffffff);
    Fill(picture, 0xffffff00);
    Rect(32, 32, 64, 48, 0xffffffff);

    // Vertex memory of the caller's, changed as soon as the draw returns.
    DiffuseOnly();
    dev_->SetTexture(0, nullptr);
    std::vector<TLVertex> strip = {{31.5f, 47.5f, 0.5f, 1, 0xff00ffff, 0, 0}, {63.5f, 47.5f, 0.5f, 1, 0xff00ffff, 0, 0},
                                   {31.5f, 63.5f, 0.5f, 1, 0xff00ffff, 0, 0}, {63.5f, 63.5f, 0.5f, 1, 0xff00ffff, 0, 0}};
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip.data(), sizeof(TLVertex)), D3D_OK);
    for (TLVertex& v : strip) v.color = 0xffff00ff;

    EXPECT_EQ(Pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(Pixel(20, 60), 0xffff0000u);
    EXPECT_EQ(Pixel(40, 10), 0xff00ff00u);
    EXPECT_EQ(Pixel(40, 40), 0xffffff00u);
    EXPECT_EQ(Pixel(40, 56), 0xff00ffffu);
    back->Release();
    depth->Release();
    level->Release();
    EXPECT_EQ(picture->Release(), 0u);
    EXPECT_EQ(target->Release(), 0u);
}
