// Per-pixel operations after the texture stages: blending, alpha test, depth, fog, write
// masks and target formats, clears.
#include "platform/d3d8/ref/ref_types.h"
#include "ref_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace reftest;

namespace {

// Source colour (a 192, r 200, g 100, b 50) over destination (a 96, r 40, g 80, b 160).
constexpr D3DCOLOR kSrc = 0xc0c86432;
constexpr D3DCOLOR kDst = 0x602850a0;

D3DCOLOR BlendOnce(DWORD srcBlend, DWORD destBlend, DWORD op = D3DBLENDOP_ADD) {
    Canvas c(8, 8);
    UseDiffuseOnly(c.state);
    c.Clear(D3DCLEAR_TARGET, kDst);
    c.state.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    c.state.renderStates[D3DRS_SRCBLEND] = srcBlend;
    c.state.renderStates[D3DRS_DESTBLEND] = destBlend;
    c.state.renderStates[D3DRS_BLENDOP] = op;
    c.DrawRect(0, 0, 8, 8, kSrc);
    return c.Pixel(3, 3);
}

}  // namespace

TEST(RefColour, ByteTableHoldsTheRunTimeQuotients) {
    volatile float scale = 1.0f / 255.0f;  // computed at run time, not folded
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(d3d8::ref::kUnitFromByte.value[i], static_cast<float>(i) * scale) << i;
        ASSERT_EQ(d3d8::ref::ByteFromUnit(d3d8::ref::kUnitFromByte.value[i]), static_cast<DWORD>(i)) << i;
    }
}

TEST(RefBlend, EachFactorAsSourceAndAsDestination) {
    struct Case {
        DWORD factor;
        D3DCOLOR asSource;  // source * factor, destination * 0
        D3DCOLOR asDest;    // source * 0, destination * factor
    };
    const Case cases[] = {
        {D3DBLEND_ZERO, 0x00000000, 0x00000000},
        {D3DBLEND_ONE, 0xc0c86432, 0x602850a0},
        {D3DBLEND_SRCCOLOR, 0x919d270a, 0x481f1f1f},
        {D3DBLEND_INVSRCCOLOR, 0x2f2b3d28, 0x18093181},
        {D3DBLEND_SRCALPHA, 0x91974b26, 0x481e3c78},
        {D3DBLEND_INVSRCALPHA, 0x2f31190c, 0x180a1428},
        {D3DBLEND_DESTALPHA, 0x484b2613, 0x240f1e3c},
        {D3DBLEND_INVDESTALPHA, 0x787d3e1f, 0x3c193264},
        {D3DBLEND_DESTCOLOR, 0x481f1f1f, 0x24061964},
        {D3DBLEND_INVDESTCOLOR, 0x78a94513, 0x3c22373c},
        {D3DBLEND_SRCALPHASAT, 0xc07d3e1f, 0x60193264},  // f = min(As, 1 - Ad) = 0.624; alpha factor 1
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.factor);
        EXPECT_ARGB_NEAR(BlendOnce(k.factor, D3DBLEND_ZERO), k.asSource, 1);
        EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_ZERO, k.factor), k.asDest, 1);
    }
}

TEST(RefBlend, BothAlphaFactorsOverrideTheDestination) {
    EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE), 0xa8a05f4d, 1);
    EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ONE), 0x78505585, 1);
}

TEST(RefBlend, AdditiveSaturatesAndOperationsApply) {
    EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_ONE, D3DBLEND_ONE), 0xfff0b4d2, 1);
    EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT), 0x0000006e, 1);
    EXPECT_ARGB_NEAR(BlendOnce(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX), 0xc0c864a0, 0);
}

TEST(RefBlend, DisabledBlendingWritesTheSourceAndMaskKeepsChannels) {
    Canvas c(8, 8);
    UseDiffuseOnly(c.state);
    c.Clear(D3DCLEAR_TARGET, kDst);
    c.DrawRect(0, 0, 4, 8, kSrc);
    EXPECT_EQ(c.Pixel(1, 1), kSrc);
    c.state.renderStates[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA;
    c.DrawRect(4, 0, 8, 8, kSrc);
    EXPECT_EQ(c.Pixel(5, 1), 0xc0c850a0u);
}

TEST(RefAlphaTest, EachFunctionAgainstReference128) {
    struct Case {
        DWORD func;
        bool below, equal, above;  // alpha 127, 128, 129 drawn
    };
    const Case cases[] = {{D3DCMP_NEVER, false, false, false},   {D3DCMP_LESS, true, false, false},
                          {D3DCMP_EQUAL, false, true, false},    {D3DCMP_LESSEQUAL, true, true, false},
                          {D3DCMP_GREATER, false, false, true},  {D3DCMP_NOTEQUAL, true, false, true},
                          {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
    for (const Case& k : cases) {
        Canvas c(8, 8);
        UseDiffuseOnly(c.state);
        c.state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
        c.state.renderStates[D3DRS_ALPHAFUNC] = k.func;
        c.state.renderStates[D3DRS_ALPHAREF] = 128;
        c.DrawRect(0, 0, 2, 8, 0x7fffffff);
        c.DrawRect(2, 0, 4, 8, 0x80ffffff);
        c.DrawRect(4, 0, 6, 8, 0x81ffffff);
        EXPECT_EQ(c.Pixel(0, 0) != 0, k.below) << k.func;
        EXPECT_EQ(c.Pixel(2, 0) != 0, k.equal) << k.func;
        EXPECT_EQ(c.Pixel(4, 0) != 0, k.above) << k.func;
    }
}

TEST(RefAlphaTest, RejectedPixelsLeaveDepthUntouched) {
    Canvas c(8, 8);
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    c.state.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    c.state.renderStates[D3DRS_ALPHAREF] = 0x08;
    c.DrawRect(0, 0, 8, 8, 0x07ffffff, 0.25f);
    EXPECT_EQ(c.Pixel(1, 1), 0u);
    EXPECT_EQ(c.Depth(1, 1), 1.0f);
}

TEST(RefDepth, EachFunctionAgainstStoredHalf) {
    struct Case {
        DWORD func;
        bool nearer, equal, farther;  // z 0.25, 0.5, 0.75 against 0.5
    };
    const Case cases[] = {{D3DCMP_NEVER, false, false, false},   {D3DCMP_LESS, true, false, false},
                          {D3DCMP_EQUAL, false, true, false},    {D3DCMP_LESSEQUAL, true, true, false},
                          {D3DCMP_GREATER, false, false, true},  {D3DCMP_NOTEQUAL, true, false, true},
                          {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
    for (const Case& k : cases) {
        for (const bool write : {true, false}) {
            Canvas c(8, 8);
            UseDiffuseOnly(c.state);
            c.Clear(D3DCLEAR_ZBUFFER, 0, 0.5f);
            c.state.renderStates[D3DRS_ZFUNC] = k.func;
            c.state.renderStates[D3DRS_ZWRITEENABLE] = write;
            c.DrawRect(0, 0, 2, 8, 0xffffffff, 0.25f);
            c.DrawRect(2, 0, 4, 8, 0xffffffff, 0.5f);
            c.DrawRect(4, 0, 6, 8, 0xffffffff, 0.75f);
            EXPECT_EQ(c.Pixel(0, 0) != 0, k.nearer) << k.func;
            EXPECT_EQ(c.Pixel(2, 0) != 0, k.equal) << k.func;
            EXPECT_EQ(c.Pixel(4, 0) != 0, k.farther) << k.func;
            EXPECT_EQ(c.Depth(0, 0), k.nearer && write ? 0.25f : 0.5f) << k.func;
            EXPECT_EQ(c.Depth(4, 0), k.farther && write ? 0.75f : 0.5f) << k.func;
        }
    }
}

TEST(RefDepth, DisabledTestDrawsAndDoesNotWrite) {
    Canvas c(8, 8);
    UseDiffuseOnly(c.state);
    c.Clear(D3DCLEAR_ZBUFFER, 0, 0.1f);
    c.state.renderStates[D3DRS_ZENABLE] = D3DZB_FALSE;
    c.DrawRect(0, 0, 8, 8, 0xffffffff, 0.9f);
    EXPECT_EQ(c.Pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(c.Depth(1, 1), 0.1f);
}

TEST(RefDepth, NearerSurfaceWinsWhateverTheOrder) {
    Canvas c(16, 16);
    UseDiffuseOnly(c.state);
    c.DrawRect(0, 0, 16, 16, 0xffff0000, 0.3f);
    c.DrawRect(4, 4, 12, 12, 0xff00ff00, 0.6f);  // behind
    c.DrawRect(8, 8, 16, 16, 0xff0000ff, 0.2f);  // in front
    EXPECT_EQ(c.Pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(c.Pixel(10, 10), 0xff0000ffu);
}

namespace {

// A white wall at eye depth 10 filling the view (90 degree perspective, near 1, far 100),
// fog colour (32, 64, 128).
D3DCOLOR FoggedWall(DWORD mode, float start, float end, float density) {
    Canvas c(16, 16);
    UseDiffuseOnly(c.state);
    c.state.projection = PerspectiveFov(1.5707963f, 1, 1, 100);
    c.state.renderStates[D3DRS_FOGENABLE] = TRUE;
    c.state.renderStates[D3DRS_FOGCOLOR] = 0x00204080;
    c.state.renderStates[D3DRS_FOGTABLEMODE] = mode;
    c.state.renderStates[D3DRS_FOGSTART] = Bits(start);
    c.state.renderStates[D3DRS_FOGEND] = Bits(end);
    c.state.renderStates[D3DRS_FOGDENSITY] = Bits(density);
    std::vector<ColorVertex> v = {{-20, 20, 10, 0x80ffffff, 0, 0},
                                  {20, 20, 10, 0x80ffffff, 0, 0},
                                  {-20, -20, 10, 0x80ffffff, 0, 0},
                                  {20, -20, 10, 0x80ffffff, 0, 0}};
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kColorFvf);
    return c.Pixel(8, 8);
}

D3DCOLOR Fogged(float f) {
    auto mix = [f](int fog) { return static_cast<DWORD>(std::lround(f * 255 + (1 - f) * fog)); };
    return D3DCOLOR_ARGB(0x80, mix(32), mix(64), mix(128));
}

}  // namespace

TEST(RefFog, TableFogUsesEyeDepthWithPerspective) {
    // d = 10 (device z would be 0.909 and give almost no fog).
    EXPECT_ARGB_NEAR(FoggedWall(D3DFOG_EXP, 0, 1, 0.1f), Fogged(0.36788f), 1);    // exp(-1)
    EXPECT_ARGB_NEAR(FoggedWall(D3DFOG_EXP2, 0, 1, 0.05f), Fogged(0.77880f), 1);  // exp(-0.25)
    EXPECT_ARGB_NEAR(FoggedWall(D3DFOG_LINEAR, 5, 15, 0), Fogged(0.5f), 1);
    EXPECT_ARGB_NEAR(FoggedWall(D3DFOG_LINEAR, 20, 30, 0), Fogged(1.0f), 1);  // before the start
    EXPECT_ARGB_NEAR(FoggedWall(D3DFOG_LINEAR, 0, 5, 0), Fogged(0.0f), 1);    // beyond the end
}

TEST(RefFog, VertexFogInterpolatesTheFactor) {
    // Table mode off, vertex mode LINEAR: the factor is computed at the vertices (eye z 10).
    Canvas c(16, 16);
    UseDiffuseOnly(c.state);
    c.state.projection = PerspectiveFov(1.5707963f, 1, 1, 100);
    c.state.renderStates[D3DRS_FOGENABLE] = TRUE;
    c.state.renderStates[D3DRS_FOGCOLOR] = 0x00204080;
    c.state.renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_LINEAR;
    c.state.renderStates[D3DRS_FOGSTART] = Bits(5.0f);
    c.state.renderStates[D3DRS_FOGEND] = Bits(15.0f);
    std::vector<ColorVertex> v = {{-20, 20, 10, 0x80ffffff, 0, 0},
                                  {20, 20, 10, 0x80ffffff, 0, 0},
                                  {-20, -20, 10, 0x80ffffff, 0, 0},
                                  {20, -20, 10, 0x80ffffff, 0, 0}};
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kColorFvf);
    EXPECT_ARGB_NEAR(c.Pixel(8, 8), Fogged(0.5f), 1);
    // Fog off: untouched.
    c.state.renderStates[D3DRS_FOGENABLE] = FALSE;
    c.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0);
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kColorFvf);
    EXPECT_EQ(c.Pixel(8, 8), 0x80ffffffu);
}

TEST(RefFog, AffineProjectionAndPreTransformedUseDeviceZ) {
    Canvas c(8, 8);
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_FOGENABLE] = TRUE;
    c.state.renderStates[D3DRS_FOGCOLOR] = 0x00204080;
    c.state.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_LINEAR;
    c.state.renderStates[D3DRS_FOGSTART] = Bits(0.0f);
    c.state.renderStates[D3DRS_FOGEND] = Bits(1.0f);
    // Identity projection: device z = 0.25, f = 0.75.
    std::vector<ColorVertex> v = {{-1, 1, 0.25f, 0x80ffffff, 0, 0},
                                  {1, 1, 0.25f, 0x80ffffff, 0, 0},
                                  {-1, -1, 0.25f, 0x80ffffff, 0, 0},
                                  {1, -1, 0.25f, 0x80ffffff, 0, 0}};
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kColorFvf);
    EXPECT_ARGB_NEAR(c.Pixel(4, 4), Fogged(0.75f), 1);
    // Pre-transformed at z = 0.6 with rhw 0.01: rhw is ignored, f = 0.4.
    std::vector<TLVertex> t = {{-0.5f, -0.5f, 0.6f, 0.01f, 0x80ffffff, 0, 0},
                               {7.5f, -0.5f, 0.6f, 0.01f, 0x80ffffff, 0, 0},
                               {-0.5f, 7.5f, 0.6f, 0.01f, 0x80ffffff, 0, 0},
                               {7.5f, 7.5f, 0.6f, 0.01f, 0x80ffffff, 0, 0}};
    c.state.renderStates[D3DRS_ZENABLE] = FALSE;
    c.Draw(D3DPT_TRIANGLESTRIP, 2, t, kTLFvf);
    EXPECT_ARGB_NEAR(c.Pixel(4, 4), Fogged(0.4f), 1);
}

TEST(RefTargets, SixteenBitTargetsRoundToNearest) {
    Canvas c(8, 8, D3DFMT_R5G6B5);
    UseDiffuseOnly(c.state);
    c.DrawRect(0, 0, 8, 8, 0xff808080);
    EXPECT_EQ(c.Pixel(0, 0), ArgbFromR5G6B5(R5G6B5FromArgb(0xff808080)));
    c.Clear(D3DCLEAR_TARGET, 0xffff0000);
    EXPECT_EQ(c.Pixel(7, 7), 0xffff0000u);
}

TEST(RefTargets, ClearFillsOnlyTheRectangle) {
    Canvas c(8, 8);
    c.ClearRect(RECT{2, 3, 5, 6}, 0xff123456);
    EXPECT_EQ(c.CountNot(0), 9);
    EXPECT_EQ(c.Pixel(2, 3), 0xff123456u);
    EXPECT_EQ(c.Pixel(4, 5), 0xff123456u);
    EXPECT_EQ(c.Pixel(5, 5), 0u);
}

// Clears this large are shared out among the worker threads by rows: every row of the
// rectangle, and no other, is written, whatever the rectangle's odd edges.
TEST(RefTargets, LargeClearsFillExactlyTheRectangleClampedToTheTarget) {
    Canvas c(401, 303);
    const RECT inside{3, 7, 398, 290};
    c.ClearRect(inside, 0xff123456);
    EXPECT_EQ(c.CountNot(0), 395 * 283);
    for (const auto& [x, y] : {std::pair{3, 7}, std::pair{397, 7}, std::pair{3, 289}, std::pair{397, 289}})
        EXPECT_EQ(c.Pixel(x, y), 0xff123456u) << x << ", " << y;
    for (const auto& [x, y] : {std::pair{2, 7}, std::pair{398, 7}, std::pair{3, 6}, std::pair{3, 290}})
        EXPECT_EQ(c.Pixel(x, y), 0u) << x << ", " << y;

    c.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff00ff00, 0.25f);
    EXPECT_EQ(c.CountNot(0xff00ff00), 0);
    EXPECT_EQ(std::count(c.DepthValues().begin(), c.DepthValues().end(), 0.25f), 401 * 303);
    c.ClearRect(RECT{-50, -9, 5000, 4000}, 0xff0000ff);  // hangs over every edge
    EXPECT_EQ(c.CountNot(0xff0000ff), 0);
}

TEST(RefTargets, DrawingWithoutDepthBufferIgnoresDepthTest) {
    Canvas c(8, 8, D3DFMT_X8R8G8B8, false);
    UseDiffuseOnly(c.state);
    c.DrawRect(0, 0, 8, 8, 0x00ff0000, 0.5f);
    c.DrawRect(0, 0, 8, 8, 0x0000ff00, 0.9f);
    EXPECT_EQ(c.Pixel(1, 1), 0xff00ff00u);
}
