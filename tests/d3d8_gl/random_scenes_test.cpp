// Random fixed-function states and geometry, drawn by REF and HAL side by side and compared
// after every draw (dual_rasterizer.h). A seeded generator keeps every run the same; a
// failure names the draw, and the seed and draw number reproduce it.
#include "dual_rasterizer.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "scene.h"
#include "tests/support/test_rng.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

using namespace d3d8;

namespace {

class RandomScenes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GlRasterizerAvailable()) GTEST_SKIP() << "no OpenGL 3.3 core context here (EGL surfaceless)";
    }
};

using test_support::Rng;

// A texture of random smooth content in one of the production's formats.
std::unique_ptr<scene::Texture> RandomTexture(Rng& rng) {
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4,
                                 D3DFMT_V8U8,     D3DFMT_L6V5U5,   D3DFMT_X8L8V8U8};
    const D3DFORMAT f = rng.Pick(formats);
    const UINT bpp = (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_X8L8V8U8) ? 4 : 2;
    const UINT size = 1u << rng.Int(2, 5), levels = rng.Chance(0.5) ? 1 : 3;
    auto t = std::make_unique<scene::Texture>(f, size, size, levels, bpp);
    const float fx = rng.Float(0.1f, 0.6f), fy = rng.Float(0.1f, 0.6f);
    for (UINT l = 0; l < levels; ++l) {
        const UINT s = std::max(1u, size >> l);
        for (UINT y = 0; y < s; ++y)
            for (UINT x = 0; x < s; ++x) {
                const float a = std::sin(x * fx * (1 << l)), b = std::cos(y * fy * (1 << l));
                const D3DCOLOR c = D3DCOLOR_ARGB(static_cast<DWORD>(127.5f + 127 * a * b), static_cast<DWORD>(127.5f + 127 * a),
                                                 static_cast<DWORD>(127.5f + 127 * b), (x * 37 + y * 11) & 0xff);
                DWORD raw = 0;
                switch (f) {
                case D3DFMT_V8U8: raw = V8U8FromBump(0.5f * a, 0.5f * b); break;
                case D3DFMT_L6V5U5: raw = L6V5U5FromBump(0.5f * a, 0.5f * b, 0.5f + 0.5f * a * b); break;
                case D3DFMT_X8L8V8U8: raw = X8L8V8U8FromBump(0.5f * a, 0.5f * b, 0.5f + 0.5f * a * b); break;
                default: {
                    BYTE p[4] = {};
                    WriteArgb(f, p, c);
                    std::memcpy(&raw, p, bpp);
                    break;
                }
                }
                t->Set(l, static_cast<int>(x), static_cast<int>(y), raw);
            }
    }
    return t;
}

bool KindIsBump(const TextureData& t) { return IsBumpFormat(t.format); }

void RandomStages(Rng& rng, PipelineState& s, const std::vector<std::unique_ptr<scene::Texture>>& textures) {
    const DWORD ops[] = {D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE, D3DTOP_MODULATE2X,
                         D3DTOP_ADD,       D3DTOP_ADDSIGNED,  D3DTOP_SUBTRACT, D3DTOP_BLENDDIFFUSEALPHA,
                         D3DTOP_BLENDTEXTUREALPHA, D3DTOP_BLENDCURRENTALPHA, D3DTOP_BUMPENVMAP,
                         D3DTOP_BUMPENVMAPLUMINANCE, D3DTOP_DISABLE};
    const DWORD args[] = {D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_TFACTOR};
    const int stages = rng.Int(1, 4);
    for (int i = 0; i < static_cast<int>(kMaxStages); ++i) {
        DWORD* ss = s.stageStates[i];
        if (i >= stages) {
            ss[D3DTSS_COLOROP] = D3DTOP_DISABLE;
            continue;
        }
        ss[D3DTSS_COLOROP] = rng.Pick(ops);
        if (i == stages - 1 && (ss[D3DTSS_COLOROP] == D3DTOP_BUMPENVMAP || ss[D3DTSS_COLOROP] == D3DTOP_BUMPENVMAPLUMINANCE))
            ss[D3DTSS_COLOROP] = D3DTOP_MODULATE;
        auto arg = [&] { return rng.Pick(args) | (rng.Chance(0.15) ? D3DTA_COMPLEMENT : 0) | (rng.Chance(0.15) ? D3DTA_ALPHAREPLICATE : 0); };
        ss[D3DTSS_COLORARG1] = arg();
        ss[D3DTSS_COLORARG2] = arg();
        ss[D3DTSS_ALPHAOP] = rng.Chance(0.3) ? D3DTOP_DISABLE : rng.Pick(ops);
        if (ss[D3DTSS_ALPHAOP] == D3DTOP_BUMPENVMAP || ss[D3DTSS_ALPHAOP] == D3DTOP_BUMPENVMAPLUMINANCE)
            ss[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
        ss[D3DTSS_ALPHAARG1] = arg();
        ss[D3DTSS_ALPHAARG2] = arg();
        ss[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(rng.Int(0, 1));
        ss[D3DTSS_MAGFILTER] = rng.Chance(0.5) ? D3DTEXF_LINEAR : D3DTEXF_POINT;
        ss[D3DTSS_MINFILTER] = rng.Chance(0.5) ? D3DTEXF_LINEAR : D3DTEXF_POINT;
        ss[D3DTSS_MIPFILTER] = static_cast<DWORD>(rng.Int(0, 2));
        const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP};
        ss[D3DTSS_ADDRESSU] = rng.Pick(address);
        ss[D3DTSS_ADDRESSV] = rng.Pick(address);
        ss[D3DTSS_BUMPENVMAT00] = FloatToBits(rng.Float(-0.3f, 0.3f));
        ss[D3DTSS_BUMPENVMAT01] = FloatToBits(rng.Float(-0.3f, 0.3f));
        ss[D3DTSS_BUMPENVMAT10] = FloatToBits(rng.Float(-0.3f, 0.3f));
        ss[D3DTSS_BUMPENVMAT11] = FloatToBits(rng.Float(-0.3f, 0.3f));
        ss[D3DTSS_BUMPENVLSCALE] = FloatToBits(rng.Float(0.0f, 4.0f));
        ss[D3DTSS_BUMPENVLOFFSET] = FloatToBits(rng.Float(-0.2f, 0.2f));
        s.textures[i] = rng.Chance(0.85) ? &textures[static_cast<std::size_t>(rng.Int(0, static_cast<int>(textures.size()) - 1))]->data : nullptr;
    }
}

void RandomPixelStates(Rng& rng, PipelineState& s) {
    DWORD* rs = s.renderStates;
    rs[D3DRS_TEXTUREFACTOR] = static_cast<DWORD>(rng.engine());
    rs[D3DRS_ALPHABLENDENABLE] = rng.Chance(0.5);
    rs[D3DRS_SRCBLEND] = static_cast<DWORD>(rng.Int(1, 11));
    rs[D3DRS_DESTBLEND] = static_cast<DWORD>(rng.Int(1, 11));
    rs[D3DRS_ALPHATESTENABLE] = rng.Chance(0.3);
    rs[D3DRS_ALPHAFUNC] = static_cast<DWORD>(rng.Int(1, 8));
    rs[D3DRS_ALPHAREF] = static_cast<DWORD>(rng.Int(0, 255));
    rs[D3DRS_ZENABLE] = rng.Chance(0.7);
    rs[D3DRS_ZWRITEENABLE] = rng.Chance(0.7);
    rs[D3DRS_ZFUNC] = static_cast<DWORD>(rng.Int(1, 8));
    rs[D3DRS_SHADEMODE] = rng.Chance(0.2) ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
    rs[D3DRS_CULLMODE] = static_cast<DWORD>(rng.Int(1, 3));
    rs[D3DRS_FOGENABLE] = rng.Chance(0.3);
    rs[D3DRS_FOGTABLEMODE] = static_cast<DWORD>(rng.Int(0, 3));
    rs[D3DRS_FOGCOLOR] = static_cast<DWORD>(rng.engine());
    rs[D3DRS_FOGSTART] = FloatToBits(rng.Float(0.0f, 3.0f));
    rs[D3DRS_FOGEND] = FloatToBits(rng.Float(3.0f, 12.0f));
    rs[D3DRS_FOGDENSITY] = FloatToBits(rng.Float(0.05f, 1.0f));
    rs[D3DRS_COLORWRITEENABLE] = rng.Chance(0.85) ? 0xf : static_cast<DWORD>(rng.Int(0, 15));
}

// Perspective scenes of random triangles with colours and two coordinate sets.
TEST_F(RandomScenes, TexturedTrianglesUnderRandomStates) {
    Rng rng(20261208);
    // Random mip chains differ from level to level, so the level choice (exact per pixel in
    // REF, per 2x2 quad in GL) shows on a few pixels: up to 2 % of them may differ.
    auto dualRaster = std::make_unique<dual::DualRasterizer>(CreateRefRasterizer(), CreateGlRasterizer(),
                                                              dual::Tolerance{8, 0.02, 255, 1e-3f});
    constexpr UINT kSize = 48;
    scene::Surface color(D3DFMT_A8R8G8B8, kSize, kSize, 4), depth(D3DFMT_D24X8, kSize, kSize, 4);
    const RenderTargets targets{&color.data, &depth.data};
    std::vector<std::unique_ptr<scene::Texture>> textures;
    for (int i = 0; i < 6; ++i) textures.push_back(RandomTexture(rng));
    struct V {
        float x, y, z;
        DWORD color;
        float u0, v0, u1, v1;
    };
    for (int draw = 0; draw < 120; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        if (draw % 6 == 0)
            dualRaster->Clear(targets, RECT{0, 0, kSize, kSize}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                              static_cast<DWORD>(rng.engine()), 1.0f, 0);
        PipelineState s = scene::DefaultState(kSize, kSize);
        s.renderStates[D3DRS_LIGHTING] = FALSE;
        s.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
        s.projection = scene::PerspectiveFovLH(1.0f, 1.0f, 1.0f, 50.0f);
        RandomPixelStates(rng, s);
        RandomStages(rng, s, textures);
        std::vector<V> v;
        for (int i = 0; i < 9; ++i)
            v.push_back({rng.Float(-3, 3), rng.Float(-3, 3), rng.Float(2, 10), static_cast<DWORD>(rng.engine()),
                         rng.Float(-1, 2), rng.Float(-1, 2), rng.Float(0, 1), rng.Float(0, 1)});
        dualRaster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 3, v));
    }
}

// Lit geometry: random lights of every type, material sources, generated coordinates and
// texture transforms, specular added, vertex fog.
TEST_F(RandomScenes, LitGeometryWithGeneratedCoordinates) {
    Rng rng(8);
    auto dualRaster = std::make_unique<dual::DualRasterizer>(CreateRefRasterizer(), CreateGlRasterizer(),
                                                              dual::Tolerance{8, 0.02, 255, 1e-3f});
    constexpr UINT kSize = 48;
    scene::Surface color(D3DFMT_X8R8G8B8, kSize, kSize, 4), depth(D3DFMT_D24X8, kSize, kSize, 4);
    const RenderTargets targets{&color.data, &depth.data};
    std::vector<std::unique_ptr<scene::Texture>> textures;
    for (int i = 0; i < 4; ++i) textures.push_back(RandomTexture(rng));
    struct V {
        float x, y, z, nx, ny, nz;
        DWORD diffuse, specular;
        float u, v;
    };
    for (int draw = 0; draw < 80; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        if (draw % 4 == 0)
            dualRaster->Clear(targets, RECT{0, 0, kSize, kSize}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        PipelineState s = scene::DefaultState(kSize, kSize);
        s.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
        s.projection = scene::PerspectiveFovLH(1.0f, 1.0f, 1.0f, 50.0f);
        s.world._11 = rng.Float(0.5f, 2.0f);  // scaled normals: NORMALIZENORMALS matters
        s.world._41 = rng.Float(-1, 1);
        s.world._43 = rng.Float(4, 6);
        DWORD* rs = s.renderStates;
        rs[D3DRS_CULLMODE] = D3DCULL_NONE;
        rs[D3DRS_LIGHTING] = rng.Chance(0.85);
        rs[D3DRS_NORMALIZENORMALS] = rng.Chance(0.5);
        rs[D3DRS_COLORVERTEX] = rng.Chance(0.7);
        rs[D3DRS_DIFFUSEMATERIALSOURCE] = static_cast<DWORD>(rng.Int(0, 2));
        rs[D3DRS_AMBIENTMATERIALSOURCE] = static_cast<DWORD>(rng.Int(0, 2));
        rs[D3DRS_EMISSIVEMATERIALSOURCE] = static_cast<DWORD>(rng.Int(0, 2));
        rs[D3DRS_AMBIENT] = static_cast<DWORD>(rng.engine()) & 0xff3f3f3f;
        rs[D3DRS_SPECULARENABLE] = rng.Chance(0.4);
        rs[D3DRS_FOGENABLE] = rng.Chance(0.4);
        rs[D3DRS_FOGVERTEXMODE] = static_cast<DWORD>(rng.Int(0, 3));
        rs[D3DRS_FOGCOLOR] = static_cast<DWORD>(rng.engine());
        rs[D3DRS_FOGSTART] = FloatToBits(rng.Float(0.0f, 4.0f));
        rs[D3DRS_FOGEND] = FloatToBits(rng.Float(5.0f, 9.0f));
        rs[D3DRS_FOGDENSITY] = FloatToBits(rng.Float(0.05f, 0.4f));
        auto colorValue = [&] { return D3DCOLORVALUE{rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1)}; };
        s.material.Diffuse = colorValue();
        s.material.Ambient = colorValue();
        s.material.Emissive = {rng.Float(0, 0.3f), rng.Float(0, 0.3f), rng.Float(0, 0.3f), 0};
        s.lightCount = static_cast<UINT>(rng.Int(0, 4));
        for (UINT i = 0; i < s.lightCount; ++i) {
            D3DLIGHT8& l = s.lights[i];
            l.Type = static_cast<D3DLIGHTTYPE>(rng.Int(1, 3));
            l.Diffuse = colorValue();
            l.Ambient = {rng.Float(0, 0.3f), rng.Float(0, 0.3f), rng.Float(0, 0.3f), 1};
            l.Position = {rng.Float(-4, 4), rng.Float(-4, 4), rng.Float(0, 4)};
            l.Direction = {rng.Float(-1, 1), rng.Float(-1, 1), rng.Float(0.2f, 1)};
            l.Range = rng.Float(3, 20);
            l.Attenuation0 = rng.Float(0, 1);
            l.Attenuation1 = rng.Float(0, 0.3f);
            l.Attenuation2 = rng.Float(0, 0.05f);
            l.Theta = rng.Float(0.2f, 0.8f);
            l.Phi = l.Theta + rng.Float(0.1f, 0.8f);
            l.Falloff = rng.Chance(0.5) ? 1.0f : rng.Float(0.5f, 2.0f);
        }
        DWORD* ss = s.stageStates[0];
        ss[D3DTSS_COLOROP] = rng.Chance(0.5) ? D3DTOP_MODULATE : D3DTOP_ADD;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
        ss[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
        ss[D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
        const DWORD gen[] = {0, D3DTSS_TCI_CAMERASPACENORMAL, D3DTSS_TCI_CAMERASPACEPOSITION,
                             D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR};
        ss[D3DTSS_TEXCOORDINDEX] = rng.Pick(gen);
        ss[D3DTSS_TEXTURETRANSFORMFLAGS] = rng.Chance(0.6) ? D3DTTFF_COUNT2 : D3DTTFF_DISABLE;
        D3DMATRIX& t = s.textureTransforms[0];
        t._11 = rng.Float(-0.6f, 0.6f), t._22 = rng.Float(-0.6f, 0.6f), t._12 = rng.Float(-0.2f, 0.2f);
        t._41 = rng.Float(0, 1), t._42 = rng.Float(0, 1), t._31 = rng.Float(-0.2f, 0.2f);
        ss[D3DTSS_MAGFILTER] = ss[D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
        s.textures[0] = rng.Chance(0.5) ? &textures[static_cast<std::size_t>(rng.Int(0, 3))]->data : nullptr;
        if (s.textures[0] && KindIsBump(*s.textures[0])) s.textures[0] = nullptr;
        // A bent strip: normals vary across it.
        std::vector<V> v;
        for (int i = 0; i < 8; ++i) {
            const float a = static_cast<float>(i) * 0.4f - 1.4f;
            for (int side = 0; side < 2; ++side)
                v.push_back({std::sin(a) * 1.5f, side ? 1.2f : -1.2f, -std::cos(a) * 1.5f, std::sin(a), rng.Float(-0.3f, 0.3f),
                             -std::cos(a), static_cast<DWORD>(rng.engine()), static_cast<DWORD>(rng.engine()) & 0x7f7f7f7f,
                             rng.Float(0, 1), rng.Float(0, 1)});
        }
        dualRaster->Draw(targets, s, scene::Call(D3DPT_TRIANGLESTRIP, 14, v));
    }
}

}  // namespace
