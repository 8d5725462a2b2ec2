// Frames built like the production's (the bump-mapped morphing sphere with its environment
// map, additive distance-scaled particles in fog, a picture rendered into a texture and faded
// over the screen), drawn through the device with REF and HAL side by side: every clear and
// draw is compared (dual_rasterizer.h), and the frames are checked for content.
#include "dual_rasterizer.h"
#include "platform/d3d8.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "platform/d3d8/testing.h"
#include "platform/d3dx8.h"
#include "production/bump_maps.h"
#include "production/sphere.h"
#include "tests/support/present_params.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

class ProductionFrames : public ::testing::Test {
protected:
    void SetUp() override {
        if (!d3d8::GlRasterizerAvailable()) GTEST_SKIP() << "no OpenGL 3.3 core context here (EGL surfaceless)";
        previous_ = d3d8::testing::SetRasterizerFactory([this](D3DDEVTYPE) {
            auto dual = std::make_unique<dual::DualRasterizer>(d3d8::CreateRefRasterizer(), d3d8::CreateGlRasterizer(),
                                                               dual::Tolerance{});
            dual_ = dual.get();
            return dual;
        });
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = TestPresentParams(kW, kH, D3DFMT_D24X8);
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        if (device) {
            EXPECT_EQ(device->EndScene(), D3D_OK);
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
        if (previous_ || dual_) d3d8::testing::SetRasterizerFactory(previous_);
    }

    // A texture filled by `fill(level, x, y)` (ARGB or raw bump bits), all levels.
    template <typename Fill>
    IDirect3DTexture8* MakeTexture(UINT size, UINT levels, D3DFORMAT format, Fill fill) {
        IDirect3DTexture8* t = nullptr;
        EXPECT_EQ(device->CreateTexture(size, size, levels, 0, format, D3DPOOL_MANAGED, &t), D3D_OK);
        for (UINT l = 0; l < t->GetLevelCount(); ++l) {
            D3DLOCKED_RECT r;
            EXPECT_EQ(t->LockRect(l, &r, nullptr, 0), D3D_OK);
            const UINT s = std::max(1u, size >> l);
            for (UINT y = 0; y < s; ++y)
                for (UINT x = 0; x < s; ++x) fill(l, x, y, static_cast<BYTE*>(r.pBits) + y * r.Pitch, x);
            t->UnlockRect(l);
        }
        return t;
    }

    // Distinct non-black pixels of the back buffer (a frame that is not empty or flat).
    int Colours() {
        IDirect3DSurface8* back = nullptr;
        device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
        D3DLOCKED_RECT r;
        EXPECT_EQ(back->LockRect(&r, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<DWORD> seen;
        for (UINT y = 0; y < kH; ++y)
            for (UINT x = 0; x < kW; ++x) {
                DWORD p;
                std::memcpy(&p, static_cast<BYTE*>(r.pBits) + y * r.Pitch + x * 4, 4);
                p &= 0xffffff;
                if (p && std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
            }
        back->UnlockRect();
        back->Release();
        return static_cast<int>(seen.size());
    }

    void Perspective() {
        D3DXMATRIX proj, view;
        D3DXMatrixPerspectiveFovLH(&proj, 0.9f, static_cast<float>(kW) / kH, 0.5f, 100.0f);
        const D3DXVECTOR3 eye(0, 0, -4), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetTransform(D3DTS_VIEW, &view);
    }

    static constexpr UINT kW = 160, kH = 120;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    dual::DualRasterizer* dual_ = nullptr;
    d3d8::testing::RasterizerFactory previous_;
};

void SetArgb(BYTE* row, UINT x, DWORD argb) { std::memcpy(row + 4 * x, &argb, 4); }

TEST_F(ProductionFrames, BumpMappedMorphingSphere) {
    IDirect3DTexture8* base = MakeTexture(64, 0, D3DFMT_X8R8G8B8, [](UINT l, UINT x, UINT y, BYTE* row, UINT) {
        SetArgb(row, x, ((x >> (3 - std::min(l, 3u))) ^ (y >> (3 - std::min(l, 3u)))) & 1 ? 0xffc08040 : 0xff2040a0);
    });
    IDirect3DTexture8* env = MakeTexture(64, 1, D3DFMT_R5G6B5, [](UINT, UINT x, UINT y, BYTE* row, UINT) {
        const float dx = (x - 31.5f) / 32, dy = (y - 31.5f) / 32, g = std::max(0.0f, 1 - dx * dx - dy * dy);
        const WORD p = static_cast<WORD>((static_cast<int>(31 * g) << 11) | (static_cast<int>(63 * g * g) << 5) | 8);
        std::memcpy(row + 2 * x, &p, 2);
    });
    for (D3DFORMAT bumpFormat : {D3DFMT_V8U8, D3DFMT_X8L8V8U8, D3DFMT_L6V5U5}) {
        // The production's bump map: slopes of a height field of rings.
        std::vector<DWORD> heights(64 * 64);
        for (UINT y = 0; y < 64; ++y)
            for (UINT x = 0; x < 64; ++x)
                heights[y * 64 + x] = static_cast<DWORD>(127 + 127 * std::sin(std::hypot(x - 32.0f, y - 32.0f) * 0.6f));
        IDirect3DTexture8* bump = nullptr;
        ASSERT_EQ(device->CreateTexture(64, 64, 1, 0, bumpFormat, D3DPOOL_MANAGED, &bump), D3D_OK);
        D3DLOCKED_RECT r;
        ASSERT_EQ(bump->LockRect(0, &r, nullptr, 0), D3D_OK);
        bump_maps::WriteFromHeightField(reinterpret_cast<const BYTE*>(heights.data()), 256, 64, 64, bumpFormat,
                                        static_cast<BYTE*>(r.pBits), r.Pitch);
        bump->UnlockRect(0);

        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff101020, 1.0f, 0);
        Perspective();
        D3DXMATRIX world, rx, ry;
        D3DXMatrixRotationX(&rx, 0.7f);
        D3DXMatrixRotationY(&ry, 1.1f);
        D3DXMatrixMultiply(&world, &rx, &ry);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        D3DXMATRIX view, worldView;
        device->GetTransform(D3DTS_VIEW, &view);
        D3DXMatrixMultiply(&worldView, &world, &view);
        std::vector<TwoTextureVertex> v(sphere::VertexCount(sphere::kDense));
        sphere::Fill(sphere::kDense, 1.3f, worldView, v.data());

        device->SetTexture(0, base);
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
        device->SetTexture(1, bump);
        device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        device->SetTextureStageState(1, D3DTSS_COLOROP,
                                     bumpFormat == D3DFMT_V8U8 ? D3DTOP_BUMPENVMAP : D3DTOP_BUMPENVMAPLUMINANCE);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_BUMPENVMAT00, FloatToBits(0.5f));
        device->SetTextureStageState(1, D3DTSS_BUMPENVMAT11, FloatToBits(0.5f));
        device->SetTextureStageState(1, D3DTSS_BUMPENVLSCALE, FloatToBits(4.0f));
        device->SetTexture(2, env);
        device->SetTextureStageState(2, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
        device->SetTextureStageState(2, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(2, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(2, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(2, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetVertexShader(kTwoTextureFVF);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, static_cast<UINT>(v.size() - 2), v.data(),
                                          sizeof(TwoTextureVertex)),
                  D3D_OK);
        EXPECT_GT(Colours(), 50) << "format " << bumpFormat;
        device->SetTexture(1, nullptr);
        bump->Release();
    }
    device->SetTexture(0, nullptr);
    device->SetTexture(2, nullptr);
    base->Release();
    env->Release();
    EXPECT_GT(dual_->Calls(), 5);
}

TEST_F(ProductionFrames, AdditiveParticlesInFog) {
    IDirect3DTexture8* spot = MakeTexture(32, 1, D3DFMT_A8R8G8B8, [](UINT, UINT x, UINT y, BYTE* row, UINT) {
        const float d = std::hypot(x - 15.5f, y - 15.5f) / 16;
        const DWORD a = static_cast<DWORD>(255 * std::max(0.0f, 1 - d));
        SetArgb(row, x, (a << 24) | 0xffe0c0);
    });
    struct P {
        float x, y, z;
        DWORD color;
    };
    std::vector<P> particles;
    for (int i = 0; i < 400; ++i) {
        const float a = i * 0.37f, r = 0.2f + (i % 37) * 0.05f;
        particles.push_back({r * std::cos(a), r * std::sin(a) * 0.8f, -2.0f + (i % 23) * 0.3f,
                             D3DCOLOR_ARGB(255, 255, 64 + (i * 7) % 192, 32)});
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    Perspective();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatToBits(0.25f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatToBits(1.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatToBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatToBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatToBits(1.0f));
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xff000000);
    device->SetRenderState(D3DRS_FOGSTART, FloatToBits(2.0f));
    device->SetRenderState(D3DRS_FOGEND, FloatToBits(9.0f));
    device->SetTexture(0, spot);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, static_cast<UINT>(particles.size()), particles.data(), sizeof(P)),
              D3D_OK);
    EXPECT_GT(Colours(), 100);
    device->SetTexture(0, nullptr);
    spot->Release();
}

TEST_F(ProductionFrames, PictureRenderedIntoATextureAndFadedOver) {
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    IDirect3DSurface8 *level = nullptr, *back = nullptr, *depth = nullptr;
    target->GetSurfaceLevel(0, &level);
    device->GetRenderTarget(&back);
    device->GetDepthStencilSurface(&depth);
    // The picture: a Gouraud triangle fan into the texture.
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff204060, 1.0f, 0);
    struct Tl {
        float x, y, z, rhw;
        DWORD color;
    };
    std::vector<Tl> fan = {{32, 32, 0.5f, 1, 0xffffffff}, {0, 0, 0.5f, 1, 0xffff0000}, {64, 0, 0.5f, 1, 0xff00ff00},
                           {64, 64, 0.5f, 1, 0xff0000ff}, {0, 64, 0.5f, 1, 0xffffff00}, {0, 0, 0.5f, 1, 0xffff0000}};
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 4, fan.data(), sizeof(Tl)), D3D_OK);
    // Back to the screen: the texture over a cleared frame at 60 % through a fading quad.
    ASSERT_EQ(device->SetRenderTarget(back, depth), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    struct Q {
        float x, y, z, rhw;
        DWORD color;
        float u, v;
    };
    const DWORD fade = 0x99ffffff;
    std::vector<Q> quad = {{-0.5f, -0.5f, 0, 1, fade, 0, 0},
                           {kW - 0.5f, -0.5f, 0, 1, fade, 1, 0},
                           {-0.5f, kH - 0.5f, 0, 1, fade, 0, 1},
                           {kW - 0.5f, kH - 0.5f, 0, 1, fade, 1, 1}};
    device->SetTexture(0, target);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(Q)), D3D_OK);
    EXPECT_GT(Colours(), 100);
    device->SetTexture(0, nullptr);
    level->Release();
    back->Release();
    depth->Release();
    target->Release();
}

}  // namespace
