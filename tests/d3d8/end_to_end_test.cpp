// Through the device into the software rasterizer and back out of the back buffer:
// clears, triangles, depth, render-to-texture, state blocks. Pixel-level conformance of
// each stage is tested with the rasterizer itself; these check the hand-over.
#include "platform/d3d8.h"
#include "tests/support/present_params.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

struct TlVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Vertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE
    float x, y, z;
    D3DCOLOR color;
};

bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 1) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xff), cb = static_cast<int>((b >> shift) & 0xff);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

class EndToEnd : public ::testing::Test {
protected:
    void Create(D3DFORMAT format = D3DFMT_X8R8G8B8) {
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = TestPresentParams(64, 64, D3DFMT_D24X8);
        pp.BackBufferFormat = format;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
    }
    void SetUp() override { Create(); }
    void TearDown() override {
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
    }

    // The back buffer pixel at (x, y) as 0xRRGGBB.
    D3DCOLOR Pixel(int x, int y) {
        IDirect3DSurface8* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DSURFACE_DESC desc;
        back->GetDesc(&desc);
        D3DLOCKED_RECT lr{};
        EXPECT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        const BYTE* row = static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch;
        D3DCOLOR c = 0;
        if (desc.Format == D3DFMT_R5G6B5) {
            WORD p;
            std::memcpy(&p, row + x * 2, 2);
            c = ((p >> 11) & 0x1f) << 19 | ((p >> 5) & 0x3f) << 10 | (p & 0x1f) << 3;
        } else {
            std::memcpy(&c, row + x * 4, 4);
        }
        back->UnlockRect();
        back->Release();
        return c & 0x00ffffffu;
    }

    // A screen-space rectangle as two triangles.
    void DrawRect(float x0, float y0, float x1, float y1, float z, D3DCOLOR color) {
        const TlVertex v[6] = {{x0, y0, z, 1, color, 0, 0}, {x1, y0, z, 1, color, 1, 0}, {x1, y1, z, 1, color, 1, 1},
                               {x0, y0, z, 1, color, 0, 0}, {x1, y1, z, 1, color, 1, 1}, {x0, y1, z, 1, color, 0, 1}};
        device->SetVertexShader(kTlFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TlVertex)), D3D_OK);
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

TEST_F(EndToEnd, ClearFillsTheBackBuffer) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff336699u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0x336699u);
    EXPECT_EQ(Pixel(63, 63), 0x336699u);
    const D3DRECT r{10, 10, 20, 20};
    ASSERT_EQ(device->Clear(1, &r, D3DCLEAR_TARGET, 0xffff0000u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(10, 10), 0xff0000u);
    EXPECT_EQ(Pixel(19, 19), 0xff0000u);
    EXPECT_EQ(Pixel(20, 20), 0x336699u);
}

TEST_F(EndToEnd, ClearOfA16BitBackBuffer) {
    device->Release();
    d3d->Release();
    device = nullptr;
    Create(D3DFMT_R5G6B5);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffff0080u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(5, 5), 0xf80080u);  // red 31, green 0, blue 16 (of 31)
}

TEST_F(EndToEnd, ATriangleCoversItsInsideOnly) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const TlVertex tri[3] = {{0, 0, 0.5f, 1, 0xff00ff00u, 0, 0},
                             {64, 0, 0.5f, 1, 0xff00ff00u, 0, 0},
                             {0, 64, 0.5f, 1, 0xff00ff00u, 0, 0}};
    device->SetVertexShader(kTlFvf);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);  // diffuse; no texture bound
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(Pixel(5, 5), 0x00ff00u);
    EXPECT_EQ(Pixel(60, 60), 0x000000u);
}

TEST_F(EndToEnd, UntransformedVerticesGoThroughTheTransforms) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    // Identity world and view; the projection maps x, y in -1..1 to the viewport.
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(3 * sizeof(Vertex), D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                         D3DPOOL_MANAGED, &vb),
              D3D_OK);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    const Vertex v[3] = {{-1, -1, 0.5f, 0xffff0000u}, {0, 1, 0.5f, 0xffff0000u}, {1, -1, 0.5f, 0xffff0000u}};
    std::memcpy(p, v, sizeof v);
    vb->Unlock();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->SetStreamSource(0, vb, sizeof(Vertex));
    device->BeginScene();
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    device->EndScene();
    EXPECT_EQ(Pixel(32, 50), 0xff0000u) << "lower middle is inside";
    EXPECT_EQ(Pixel(2, 2), 0x000000u) << "upper corner is outside";
    device->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST_F(EndToEnd, DepthTestFollowsTheRenderStates) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->BeginScene();
    DrawRect(0, 0, 32, 64, 0.3f, 0xffff0000u);
    DrawRect(0, 0, 64, 64, 0.6f, 0xff00ff00u);  // behind the red on the left
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawRect(48, 0, 64, 64, 0.9f, 0xff0000ffu);  // no depth test: drawn over everything
    device->EndScene();
    EXPECT_EQ(Pixel(10, 10), 0xff0000u);
    EXPECT_EQ(Pixel(40, 10), 0x00ff00u);
    EXPECT_EQ(Pixel(56, 10), 0x0000ffu);
}

TEST_F(EndToEnd, RenderToTextureThenSampleIt) {
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    IDirect3DSurface8* level = nullptr;
    IDirect3DSurface8* back = nullptr;
    IDirect3DSurface8* depth = nullptr;
    target->GetSurfaceLevel(0, &level);
    device->GetRenderTarget(&back);
    device->GetDepthStencilSurface(&depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->BeginScene();
    // First sample the texture while it is still black, so the rasterizer has seen it.
    device->SetTexture(0, target);
    DrawRect(0, 0, 64, 64, 0.5f, 0xffffffffu);
    EXPECT_EQ(Pixel(30, 30), 0x000000u);
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->SetTexture(0, nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff2040c0u, 1.0f, 0);
    ASSERT_EQ(device->SetRenderTarget(back, depth), D3D_OK);
    device->SetTexture(0, target);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawRect(0, 0, 64, 64, 0.5f, 0xffffffffu);
    device->EndScene();
    EXPECT_TRUE(Near(Pixel(30, 30), 0x2040c0u)) << std::hex << Pixel(30, 30);
    device->SetTexture(0, nullptr);
    back->Release();
    depth->Release();
    level->Release();
    target->Release();
}

// Texture mapping is off for a stage with no texture: one whose first colour argument is the
// texture ends the cascade as a disabled stage does, on whatever the earlier stages made.
TEST_F(EndToEnd, AStageReadingAnUnboundTextureEndsTheCascade) {
    struct Case {
        const char* what;
        DWORD stage0Op, stage0Arg1;
        DWORD stage1Op;
        D3DCOLOR expected;
    };
    const Case cases[] = {
        {"default modulate on stage 0: the diffuse colour", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTOP_DISABLE, 0x336699u},
        {"stage 1 modulates an unbound texture: stage 0's factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTOP_MODULATE,
         0xc08040u},
        {"only the first argument ends it: an unbound second one reads black", D3DTOP_SELECTARG2, D3DTA_DIFFUSE,
         D3DTOP_DISABLE, 0x000000u},
    };
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xffc08040u);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    for (const Case& c : cases) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000u, 1.0f, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.stage0Op);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.stage0Arg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.stage0Op == D3DTOP_SELECTARG2 ? D3DTA_TEXTURE : D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_COLOROP, c.stage1Op);
        device->BeginScene();
        DrawRect(0, 0, 64, 64, 0.5f, 0xff336699u);
        device->EndScene();
        EXPECT_TRUE(Near(Pixel(30, 30), c.expected)) << c.what << ": " << std::hex << Pixel(30, 30);
    }
    // Its alpha comes from the diffuse colour too: half of it blends over the white clear.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffffu, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->BeginScene();
    DrawRect(0, 0, 64, 64, 0.5f, 0x80000000u);
    device->EndScene();
    EXPECT_TRUE(Near(Pixel(30, 30), 0x7f7f7fu, 2)) << std::hex << Pixel(30, 30);
}

TEST_F(EndToEnd, StateBlockRestoresBlendingForTheNextDraw) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000u, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DWORD saved = 0, additive = 0;
    for (DWORD* block : {&saved, &additive}) {
        device->BeginStateBlock();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->EndStateBlock(block);
    }
    device->BeginScene();
    device->CaptureStateBlock(saved);
    device->ApplyStateBlock(additive);
    DrawRect(0, 0, 64, 64, 0.5f, 0xff400000u);
    DrawRect(0, 0, 64, 64, 0.5f, 0xff400000u);  // adds up
    device->ApplyStateBlock(saved);
    DrawRect(32, 0, 64, 64, 0.5f, 0xff000040u);  // replaces
    device->EndScene();
    EXPECT_TRUE(Near(Pixel(10, 10), 0x800000u)) << std::hex << Pixel(10, 10);
    EXPECT_TRUE(Near(Pixel(40, 10), 0x000040u)) << std::hex << Pixel(40, 10);
    device->DeleteStateBlock(saved);
    device->DeleteStateBlock(additive);
}

}  // namespace
