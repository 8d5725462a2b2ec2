// The HAL rasterizer drawing small scenes off-screen (EGL surfaceless; Mesa's llvmpipe on
// machines without a GPU), checked against values computed by hand. Skipped where no
// OpenGL 3.3 core context can be made.
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/rasterizer.h"
#include "scene.h"

#include <epoxy/egl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace d3d8;
using scene::Surface;

namespace {

class GlRaster : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GlRasterizerAvailable()) GTEST_SKIP() << "no OpenGL 3.3 core context here (EGL surfaceless)";
        raster = CreateGlRasterizer();
        ASSERT_NE(raster, nullptr);
    }

    void TearDown() override {
        if (!raster) return;
        EXPECT_EQ(gl::TakeError(*raster), 0u) << "an OpenGL error during the scene";
        raster->ForgetSurface(color.data);
        raster->ForgetSurface(depth.data);
    }

    void ClearTo(D3DCOLOR c) {
        raster->Clear(targets, RECT{0, 0, kSize, kSize}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0);
    }
    DWORD At(int x, int y) {
        raster->ReadBack(color.data);
        return color.Pixel(x, y);
    }

    static constexpr int kSize = 16;
    std::unique_ptr<Rasterizer> raster;
    Surface color{D3DFMT_A8R8G8B8, kSize, kSize, 4};
    Surface depth{D3DFMT_D24X8, kSize, kSize, 4};
    RenderTargets targets{&color.data, &depth.data};
};

TEST_F(GlRaster, ClearFillsTheRectangleOnly) {
    ClearTo(0xff102030);
    raster->Clear(targets, RECT{2, 3, 5, 7}, D3DCLEAR_TARGET, 0x80ff0000, 1.0f, 0);
    raster->ReadBack(color.data);
    EXPECT_EQ(color.Pixel(0, 0), 0xff102030u);
    EXPECT_EQ(color.Pixel(2, 3), 0x80ff0000u);
    EXPECT_EQ(color.Pixel(4, 6), 0x80ff0000u);
    EXPECT_EQ(color.Pixel(5, 6), 0xff102030u);
    EXPECT_EQ(color.Pixel(4, 7), 0xff102030u);
    raster->ReadBack(depth.data);
    EXPECT_FLOAT_EQ(depth.Depth(3, 3), 1.0f);
}

TEST_F(GlRaster, QuadCoversExactlyItsPixelsTopLeftRule) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    const auto v = scene::Quad(2, 1, 6, 3, 0xffffffff);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, v));
    raster->ReadBack(color.data);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 3;
            EXPECT_EQ(color.Pixel(x, y), inside ? 0xffffffffu : 0xff000000u) << x << "," << y;
        }
}

TEST_F(GlRaster, CullsCounterClockwiseByDefault) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    // Clockwise on screen (y down): right, then down-left.
    std::vector<scene::TlVertex> cw = {{1, 1, 0.5f, 1, 0xffff0000, 0, 0}, {12, 1, 0.5f, 1, 0xffff0000, 0, 0},
                                       {1, 12, 0.5f, 1, 0xffff0000, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 1, cw));
    EXPECT_EQ(At(3, 3), 0xffff0000u);
    ClearTo(0xff000000);
    std::swap(cw[1], cw[2]);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 1, cw));
    EXPECT_EQ(At(3, 3), 0xff000000u);
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_CW;
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 1, cw));
    EXPECT_EQ(At(3, 3), 0xffff0000u);
}

TEST_F(GlRaster, FlatShadingTakesTheFirstVertex) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    std::vector<scene::TlVertex> v = {{0, 0, 0.5f, 1, 0xff00ff00, 0, 0}, {16, 0, 0.5f, 1, 0xffff0000, 0, 0},
                                      {0, 16, 0.5f, 1, 0xff0000ff, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 1, v));
    EXPECT_EQ(At(1, 1), 0xff00ff00u);
    EXPECT_EQ(At(10, 2), 0xff00ff00u);
    EXPECT_EQ(At(2, 10), 0xff00ff00u);
}

TEST_F(GlRaster, SourceAlphaBlend) {
    ClearTo(0xff0000ff);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    const auto v = scene::Quad(0, 0, 8, 8, 0x80ff0000);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, v));
    const DWORD c = At(4, 4);
    EXPECT_NEAR(scene::R(c), 128, 1);
    EXPECT_NEAR(scene::B(c), 127, 1);
    EXPECT_EQ(scene::G(c), 0);
    EXPECT_EQ(At(12, 12), 0xff0000ffu);
}

TEST_F(GlRaster, AlphaTestComparesEightBitAlpha) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    s.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    s.renderStates[D3DRS_ALPHAREF] = 0x80;
    const auto fail = scene::Quad(0, 0, 8, 8, 0x80ffffff);
    const auto pass = scene::Quad(8, 0, 16, 8, 0x81ffffff);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, fail));
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, pass));
    EXPECT_EQ(At(4, 4), 0xff000000u);
    EXPECT_EQ(At(12, 4), 0x81ffffffu);
}

TEST_F(GlRaster, DepthTestAndWrite) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 8, 8, 0xffff0000, 0.5f)));
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 8, 8, 0xff00ff00, 0.7f)));
    EXPECT_EQ(At(4, 4), 0xffff0000u);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, 0xff0000ff, 0.25f)));
    EXPECT_EQ(At(2, 2), 0xff0000ffu);
    EXPECT_EQ(At(6, 6), 0xffff0000u);
    raster->ReadBack(depth.data);
    EXPECT_FLOAT_EQ(depth.Depth(2, 2), 0.25f);
    EXPECT_FLOAT_EQ(depth.Depth(6, 6), 0.5f);
    EXPECT_FLOAT_EQ(depth.Depth(12, 12), 1.0f);
}

TEST_F(GlRaster, TableFogOnDeviceDepthForPreTransformed) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_FOGENABLE] = TRUE;
    s.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_LINEAR;
    s.renderStates[D3DRS_FOGCOLOR] = 0xff0000ff;
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 8, 8, 0xffffffff, 0.25f)));
    const DWORD c = At(4, 4);  // f = 0.75
    EXPECT_NEAR(scene::R(c), 191, 1);
    EXPECT_NEAR(scene::B(c), 255, 1);
    s.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_EXP;
    s.renderStates[D3DRS_FOGDENSITY] = FloatToBits(2.0f);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(8, 0, 16, 8, 0xffffffff, 0.25f)));
    EXPECT_NEAR(scene::R(At(12, 4)), std::lround(255 * std::exp(-0.5)), 1);
}

TEST_F(GlRaster, TableFogOnEyeDepthForPerspective) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.fvf = scene::kLFvf;
    s.projection = scene::PerspectiveFovLH(1.2f, 1.0f, 1.0f, 100.0f);
    s.renderStates[D3DRS_FOGENABLE] = TRUE;
    s.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_LINEAR;
    s.renderStates[D3DRS_FOGSTART] = FloatToBits(0.0f);
    s.renderStates[D3DRS_FOGEND] = FloatToBits(10.0f);
    // A wall at eye depth 4: fog factor (10 - 4) / 10 = 0.6 everywhere on it.
    std::vector<scene::LVertex> v = {{-10, 10, 4, 0xffffffff, 0, 0}, {10, 10, 4, 0xffffffff, 0, 0},
                                     {-10, -10, 4, 0xffffffff, 0, 0}, {10, -10, 4, 0xffffffff, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLESTRIP, 2, v));
    EXPECT_NEAR(scene::R(At(3, 3)), 153, 1);
    EXPECT_NEAR(scene::R(At(12, 9)), 153, 1);
}

TEST_F(GlRaster, PointSpriteSquareAndCoordinates) {
    ClearTo(0xff000000);
    scene::Texture tex(D3DFMT_A8R8G8B8, 2, 2, 1, 4);
    tex.Set(0, 0, 0, 0xffff0000);
    tex.Set(0, 1, 0, 0xff00ff00);
    tex.Set(0, 0, 1, 0xff0000ff);
    tex.Set(0, 1, 1, 0xffffffff);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.textures[0] = &tex.data;
    s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    s.renderStates[D3DRS_POINTSIZE] = FloatToBits(4.0f);
    std::vector<scene::TlVertex> p = {{8, 8, 0.5f, 1, 0xffffffff, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_POINTLIST, 1, p));
    raster->ReadBack(color.data);
    // Centres 6..9 on each axis; sprite u = (x - 6) / 4.
    EXPECT_EQ(color.Pixel(5, 8), 0xff000000u);
    EXPECT_EQ(color.Pixel(10, 8), 0xff000000u);
    EXPECT_EQ(color.Pixel(6, 6), 0xffff0000u);
    EXPECT_EQ(color.Pixel(9, 6), 0xff00ff00u);
    EXPECT_EQ(color.Pixel(6, 9), 0xff0000ffu);
    EXPECT_EQ(color.Pixel(9, 9), 0xffffffffu);
    EXPECT_EQ(color.Pixel(8, 5), 0xff000000u);
    EXPECT_EQ(color.Pixel(8, 10), 0xff000000u);
}

TEST_F(GlRaster, PointsIgnoreCullAndFillModes) {
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_POINTSIZE] = FloatToBits(4.0f);
    std::vector<scene::TlVertex> p = {{8, 8, 0.5f, 1, 0xffffffff, 0, 0}};
    for (DWORD cull : {D3DCULL_CW, D3DCULL_CCW})
        for (DWORD fill : {D3DFILL_WIREFRAME, D3DFILL_POINT, D3DFILL_SOLID}) {
            ClearTo(0xff000000);
            s.renderStates[D3DRS_CULLMODE] = cull;
            s.renderStates[D3DRS_FILLMODE] = fill;
            raster->Draw(targets, s, scene::Call(D3DPT_POINTLIST, 1, p));
            raster->ReadBack(color.data);
            int lit = 0;
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x) lit += color.Pixel(x, y) == 0xffffffffu;
            EXPECT_EQ(lit, 16) << "cull " << cull << " fill " << fill;
        }
}

TEST_F(GlRaster, PointScaleUsesFullEyeDistance) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.fvf = scene::kLFvf;
    s.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    s.renderStates[D3DRS_POINTSIZE] = FloatToBits(0.25f);
    s.renderStates[D3DRS_POINTSCALE_A] = FloatToBits(0.0f);
    s.renderStates[D3DRS_POINTSCALE_C] = FloatToBits(1.0f);
    // Eye position (0.6, 0, 0.8): distance 1 -> 16 * 0.25 / 1 = 4 pixels (|z| would give 5).
    std::vector<scene::LVertex> p = {{0.6f, 0.0f, 0.8f, 0xffffffff, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_POINTLIST, 1, p));
    raster->ReadBack(color.data);
    int lit = 0;
    for (int x = 0; x < kSize; ++x) lit += color.Pixel(x, 8) != 0xff000000u;
    EXPECT_EQ(lit, 4);
    EXPECT_EQ(color.Pixel(11, 8), 0xffffffffu);
    EXPECT_EQ(color.Pixel(14, 8), 0xffffffffu);
}

TEST_F(GlRaster, TextureFormatsSampleAsArgb) {
    struct Case {
        D3DFORMAT format;
        UINT bpp;
        DWORD raw;
        DWORD expected;
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 2, 0xf800, 0xffff0000},    {D3DFMT_R5G6B5, 2, 0x07e0, 0xff00ff00},
        {D3DFMT_A4R4G4B4, 2, 0x8f0f, 0x88ff00ff},  {D3DFMT_X8R8G8B8, 4, 0x00123456, 0xff123456},
        {D3DFMT_A8R8G8B8, 4, 0x40abcdef, 0x40abcdef},
    };
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    for (const Case& c : cases) {
        ClearTo(0xff000000);
        scene::Texture tex(c.format, 1, 1, 1, c.bpp);
        tex.Set(0, 0, 0, c.raw);
        s.textures[0] = &tex.data;
        raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, 0xffffffff)));
        EXPECT_LE(scene::Difference(At(1, 1), c.expected), 1) << std::hex << c.format << " " << At(1, 1);
        raster->ForgetTexture(tex.data.id);
    }
}

TEST_F(GlRaster, UnboundTextureIsOpaqueBlackAndChangedTextureUploadsAgain) {
    ClearTo(0xffffffff);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_ADD;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s.renderStates[D3DRS_TEXTUREFACTOR] = 0x00204060;
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, 0xffffffff)));
    EXPECT_EQ(At(1, 1), 0xff204060u);
    scene::Texture tex(D3DFMT_A8R8G8B8, 1, 1, 1, 4);
    tex.Set(0, 0, 0, 0xff010101);
    s.textures[0] = &tex.data;
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, 0xffffffff)));
    EXPECT_EQ(At(1, 1), 0xff214161u);
    tex.Set(0, 0, 0, 0xff100000);
    tex.Touch();
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, 0xffffffff)));
    EXPECT_EQ(At(1, 1), 0xff304060u);
    raster->ForgetTexture(tex.data.id);
}

// Stage operations on diffuse (arg 1) and texture factor (arg 2), against REF's formulas.
TEST_F(GlRaster, StageOperationsTable) {
    struct Case {
        DWORD op, arg1, arg2;
        DWORD expected;
    };
    const DWORD diffuse = 0x80603010, factor = 0x40804020;
    const Case cases[] = {
        {D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xff804020},
        {D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xff300c02},
        {D3DTOP_MODULATE2X, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xff601804},
        {D3DTOP_ADD, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xffe07030},
        {D3DTOP_ADDSIGNED, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xff600000},
        {D3DTOP_SUBTRACT, D3DTA_TFACTOR, D3DTA_DIFFUSE, 0xff201010},
        {D3DTOP_BLENDDIFFUSEALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xff703818},
        {D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_TFACTOR, 0xff9fcfef},
        {D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE, 0xff404040},
    };
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_TEXTUREFACTOR] = factor;
    s.stageStates[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_TFACTOR | D3DTA_COMPLEMENT;  // alpha 0xbf
    for (const Case& c : cases) {
        ClearTo(0xff000000);
        s.stageStates[0][D3DTSS_COLOROP] = c.op;
        s.stageStates[0][D3DTSS_COLORARG1] = c.arg1;
        s.stageStates[0][D3DTSS_COLORARG2] = c.arg2;
        raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 4, diffuse)));
        const DWORD got = At(1, 1);
        EXPECT_LE(scene::Difference(got, c.expected, false), 1) << "op " << c.op << " got " << std::hex << got;
        EXPECT_EQ(scene::A(got), 0xbf);
    }
}

TEST_F(GlRaster, BumpMappingShiftsTheNextStagesCoordinates) {
    scene::Texture bump(D3DFMT_V8U8, 1, 1, 1, 2);
    bump.Set(0, 0, 0, 0x0040);  // du = 64/127, dv = 0
    scene::Texture ramp(D3DFMT_A8R8G8B8, 4, 1, 1, 4);
    const DWORD colors[4] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    for (int i = 0; i < 4; ++i) ramp.Set(0, i, 0, colors[i]);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_BUMPENVMAP;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[0][D3DTSS_BUMPENVMAT00] = FloatToBits(0.5f);
    s.stageStates[1][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[1][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[1][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    s.stageStates[1][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s.stageStates[1][D3DTSS_TEXCOORDINDEX] = 0;
    s.textures[0] = &bump.data;
    s.textures[1] = &ramp.data;
    auto quad = scene::Quad(0, 0, 4, 4, 0xffffffff);
    for (auto& v : quad) v.u = 0.1f, v.v = 0.5f;  // u' = 0.1 + 0.5 * 0.504 = 0.352: texel 1
    ClearTo(0xff000000);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, quad));
    EXPECT_EQ(At(1, 1), 0xff00ff00u);
    // Luminance variant: X8L8V8U8 with L = 128, scale 1, offset 0 halves the colour.
    scene::Texture lum(D3DFMT_X8L8V8U8, 1, 1, 1, 4);
    lum.Set(0, 0, 0, 0x00800040);
    s.textures[0] = &lum.data;
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_BUMPENVMAPLUMINANCE;
    s.stageStates[0][D3DTSS_BUMPENVLSCALE] = FloatToBits(1.0f);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, quad));
    EXPECT_LE(scene::Difference(At(1, 1), 0xff008000u), 1) << std::hex << At(1, 1);
}

TEST_F(GlRaster, DirectionalLightWithMaterial) {
    ClearTo(0xff000000);
    PipelineState s = scene::DefaultState(kSize, kSize);
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.renderStates[D3DRS_ZENABLE] = FALSE;
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
    s.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    s.material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    s.material.Ambient = {1, 1, 1, 1};
    s.renderStates[D3DRS_AMBIENT] = 0xff202020;
    s.lights[0].Type = D3DLIGHT_DIRECTIONAL;
    s.lights[0].Diffuse = {1, 1, 1, 1};
    s.lights[0].Direction = {0, 0, 2};  // not normalised on purpose
    s.lightCount = 1;
    struct V {
        float x, y, z, nx, ny, nz;
    };
    std::vector<V> v = {{-1, 1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}, {-1, -1, 0.5f, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}};
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLESTRIP, 2, v));
    EXPECT_LE(scene::Difference(At(8, 8), 0xffa060ffu), 1) << std::hex << At(8, 8);
}

TEST_F(GlRaster, RenderTargetTextureIsSampledWithoutReadBack) {
    scene::Texture target(D3DFMT_X8R8G8B8, 8, 8, 1, 4);
    RenderTargets rt{&target.levels[0], nullptr};
    raster->Clear(rt, RECT{0, 0, 8, 8}, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0);
    PipelineState s = scene::FlatColorState(8, 8);
    raster->Draw(rt, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 4, 8, 0xffff0000)));
    target.Touch();  // the device counts a draw into the texture as a change
    EXPECT_EQ(target.memory[0][0], 0);  // memory untouched: the pixels live in GL
    ClearTo(0xff000000);
    PipelineState t = scene::FlatColorState(kSize, kSize);
    t.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    t.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t.textures[0] = &target.data;
    raster->Draw(targets, t, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 16, 16, 0xffffffff)));
    EXPECT_EQ(At(2, 5), 0xffff0000u);
    EXPECT_EQ(At(12, 5), 0xff00ff00u);
    raster->ReadBack(target.levels[0]);
    DWORD texel;
    std::memcpy(&texel, target.memory[0].data() + 4 * 6, 4);
    EXPECT_EQ(texel, 0xff00ff00u);
    raster->ForgetTexture(target.data.id);
}

TEST_F(GlRaster, MemoryWrittenAfterReadBackIsSeenByTheNextDraw) {
    ClearTo(0xff000000);
    raster->ReadBack(color.data);
    const DWORD marker = 0xff123456;
    std::memcpy(color.memory.data() + (5 * kSize + 5) * 4, &marker, 4);  // as a LockRect would
    PipelineState s = scene::FlatColorState(kSize, kSize);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 2, 2, 0xffffffff)));
    EXPECT_EQ(At(5, 5), marker);
    EXPECT_EQ(At(1, 1), 0xffffffffu);
}

// A surface that is gone may leave its memory to a new one: nothing of the old GL copy
// may show through.
TEST_F(GlRaster, ForgottenSurfaceStartsAgainFromMemory) {
    ClearTo(0xffff0000);  // the GL copy is red, memory is stale
    raster->ForgetSurface(color.data);
    raster->ForgetSurface(depth.data);
    for (int i = 0; i < kSize * kSize; ++i) std::memcpy(color.memory.data() + 4 * i, "\xff\x00\x00\xff", 4);  // blue
    PipelineState s = scene::FlatColorState(kSize, kSize);
    s.renderStates[D3DRS_ZENABLE] = FALSE;
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 2, 2, 0xff00ff00)));
    EXPECT_EQ(At(1, 1), 0xff00ff00u);
    EXPECT_EQ(At(8, 8), 0xff0000ffu);
}

// The host's own GL (the window stand-in's dialogs) needs the thread free of our context
// between frames; within a frame the context stays, so queued drawing is not flushed per draw.
TEST_F(GlRaster, ContextIsGivenBackAtTheEndOfAFrame) {
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);  // the constructor gave it back
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, scene::Quad(0, 0, 2, 2, 0xffffffff)));
    EXPECT_NE(eglGetCurrentContext(), EGL_NO_CONTEXT);
    raster->EndFrame();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_EQ(At(1, 1), 0xffffffffu);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);  // read back, given back
}

// Edges through pixel centres: the top-left rule decides, as in REF (centres on whole numbers).
TEST_F(GlRaster, FillRuleOnEdgesThroughPixelCentres) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    const auto quad = scene::Quad(2.5f, 2.5f, 6.5f, 6.5f, 0xffffffff);  // edges at 2 and 6
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, quad));
    std::vector<scene::TlVertex> tri = {{9, 2, 0.5f, 1, 0xffff0000, 0, 0}, {15, 8, 0.5f, 1, 0xffff0000, 0, 0},
                                        {9, 14, 0.5f, 1, 0xffff0000, 0, 0}};
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 1, tri));
    raster->ReadBack(color.data);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(color.Pixel(x, y) == 0xffffffffu, x >= 2 && x < 6 && y >= 2 && y < 6) << x << "," << y;
    // The triangle: left edge (x = 9) in, apexes and the right-hand edges out.
    for (int y = 0; y < kSize; ++y) {
        int count = 0, first = -1;
        for (int x = 8; x < kSize; ++x)
            if (color.Pixel(x, y) == 0xffff0000u) {
                if (first < 0) first = x;
                ++count;
            }
        const int expected = y <= 2 || y >= 14 ? 0 : (y <= 8 ? y - 2 : 14 - y);
        EXPECT_EQ(count, expected) << "row " << y;
        if (count) {
            EXPECT_EQ(first, 9) << "row " << y;
        }
    }
}

}  // namespace
