// Texture stages and sampling: each operation and argument modifier, the end of the cascade,
// unbound textures, bump environment mapping (plain and luminance), mip selection, filtering,
// addressing, generated coordinates and texture transforms.
#include "ref_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace reftest;

namespace {

constexpr D3DCOLOR kDiffuse = 0x80604020;
constexpr D3DCOLOR kTexel = 0x40c08040;

Texture Solid(D3DCOLOR c) {
    return Texture(D3DFMT_A8R8G8B8, 1, 1, 1, [c](UINT, UINT, UINT) { return c; });
}

// A 4x4 texture whose texel (x, y) is red 64x, green 64y.
Texture Grid4() {
    return Texture(D3DFMT_X8R8G8B8, 4, 4, 1, [](UINT, UINT x, UINT y) { return D3DCOLOR_XRGB(64 * x, 64 * y, 0); });
}

void SetStage(PipelineState& s, UINT stage, DWORD colorOp, DWORD arg1, DWORD arg2, DWORD alphaOp = D3DTOP_DISABLE,
              DWORD alphaArg1 = D3DTA_TEXTURE, DWORD alphaArg2 = D3DTA_CURRENT) {
    DWORD* ss = s.stageStates[stage];
    ss[D3DTSS_COLOROP] = colorOp;
    ss[D3DTSS_COLORARG1] = arg1;
    ss[D3DTSS_COLORARG2] = arg2;
    ss[D3DTSS_ALPHAOP] = alphaOp;
    ss[D3DTSS_ALPHAARG1] = alphaArg1;
    ss[D3DTSS_ALPHAARG2] = alphaArg2;
    ss[D3DTSS_TEXCOORDINDEX] = 0;
}

// Draws an 8x8 quad whose texture coordinates are (u, v) everywhere.
D3DCOLOR DrawAt(Canvas& c, float u = 0.5f, float v = 0.5f, D3DCOLOR diffuse = kDiffuse) {
    c.DrawRect(0, 0, 8, 8, diffuse, 0.5f, u, v, u, v);
    return c.Pixel(4, 4);
}

}  // namespace

TEST(RefStages, EachOperationOnTextureAndDiffuse) {
    struct Case {
        DWORD op;
        D3DCOLOR expected;
    };
    const Case cases[] = {
        {D3DTOP_SELECTARG1, 0x40c08040},        {D3DTOP_SELECTARG2, 0x80604020},
        {D3DTOP_MODULATE, 0x20482008},          {D3DTOP_MODULATE2X, 0x40914010},
        {D3DTOP_MODULATE4X, 0x81ff8120},        {D3DTOP_ADD, 0xc0ffc060},
        {D3DTOP_ADDSIGNED, 0x41a14100},         {D3DTOP_SUBTRACT, 0x00604020},
        {D3DTOP_ADDSMOOTH, 0xa0d8a058},         {D3DTOP_BLENDDIFFUSEALPHA, 0x60906030},
        {D3DTOP_BLENDTEXTUREALPHA, 0x70785028},
    };
    Texture t = Solid(kTexel);
    for (const Case& k : cases) {
        Canvas c(8, 8);
        c.state.textures[0] = &t.data;
        SetStage(c.state, 0, k.op, D3DTA_TEXTURE, D3DTA_DIFFUSE, k.op, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        SCOPED_TRACE(k.op);
        EXPECT_ARGB_NEAR(DrawAt(c), k.expected, 1);
    }
}

TEST(RefStages, ArgumentModifiers) {
    Texture t = Solid(kTexel);
    struct Case {
        DWORD arg;
        D3DCOLOR expected;
    };
    const Case cases[] = {{D3DTA_TEXTURE | D3DTA_COMPLEMENT, 0xbf3f7fbf},
                          {D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, 0x40404040},
                          {D3DTA_TEXTURE | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE, 0xbfbfbfbf},
                          {D3DTA_TFACTOR, 0x11223344},
                          {D3DTA_DIFFUSE, kDiffuse},
                          {D3DTA_CURRENT, kDiffuse}};  // stage 0: current is the diffuse colour
    for (const Case& k : cases) {
        Canvas c(8, 8);
        c.state.textures[0] = &t.data;
        c.state.renderStates[D3DRS_TEXTUREFACTOR] = 0x11223344;
        SetStage(c.state, 0, D3DTOP_SELECTARG1, k.arg, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, k.arg);
        SCOPED_TRACE(k.arg);
        EXPECT_ARGB_NEAR(DrawAt(c), k.expected, 1);
    }
}

TEST(RefStages, CascadeEndsAtFirstDisabledStage) {
    Canvas c(8, 8);
    c.state.renderStates[D3DRS_TEXTUREFACTOR] = 0xff808080;
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
    SetStage(c.state, 1, D3DTOP_DISABLE, D3DTA_TFACTOR, D3DTA_CURRENT);
    SetStage(c.state, 2, D3DTOP_ADD, D3DTA_TFACTOR, D3DTA_CURRENT);  // never reached
    EXPECT_ARGB_NEAR(DrawAt(c), kDiffuse, 0);
    SetStage(c.state, 1, D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_CURRENT);  // alpha op off: alpha passes
    SetStage(c.state, 2, D3DTOP_DISABLE, D3DTA_TFACTOR, D3DTA_CURRENT);
    EXPECT_ARGB_NEAR(DrawAt(c), 0x80302010, 1);
}

TEST(RefStages, UnboundTextureReadsOpaqueBlack) {
    Canvas c(8, 8);
    c.Clear(D3DCLEAR_TARGET, 0xffffffff);
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE);
    EXPECT_EQ(DrawAt(c), 0xff000000u);
    // The default stage 0 (texture x diffuse, alpha from the texture) likewise.
    Canvas d(8, 8);
    EXPECT_EQ(DrawAt(d, 0.5f, 0.5f, 0xffffffff), 0xff000000u);
}

namespace {

// Stage 0 bumps with one texel (du, dv) and matrix m; stage 1 point-samples Grid4 at (0.375,
// 0.375) shifted by the bump. Returns the texel picked, as (x, y).
std::pair<int, int> BumpedTexel(D3DFORMAT format, DWORD bumpBits, float m00, float m01, float m10, float m11) {
    Canvas c(8, 8);
    Texture bump(format, 1, 1, 1, [bumpBits](UINT, UINT, UINT) { return bumpBits; });
    Texture grid = Grid4();
    c.state.textures[0] = &bump.data;
    c.state.textures[1] = &grid.data;
    SetStage(c.state, 0, D3DTOP_BUMPENVMAP, D3DTA_TEXTURE, D3DTA_CURRENT);
    SetStage(c.state, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    DWORD* ss = c.state.stageStates[0];
    ss[D3DTSS_BUMPENVMAT00] = Bits(m00);
    ss[D3DTSS_BUMPENVMAT01] = Bits(m01);
    ss[D3DTSS_BUMPENVMAT10] = Bits(m10);
    ss[D3DTSS_BUMPENVMAT11] = Bits(m11);
    const D3DCOLOR p = DrawAt(c, 0.375f, 0.375f);
    return {R(p) / 64, G(p) / 64};
}

}  // namespace

TEST(RefBump, OffsetsPerturbTheNextStageThroughTheMatrix) {
    // du = 127 -> 1.0, dv = -64 -> -0.504.
    const DWORD texel = V8U8FromBump(1.0f, -64 / 127.0f);
    EXPECT_EQ(BumpedTexel(D3DFMT_V8U8, texel, 0, 0, 0, 0), std::make_pair(1, 1));
    // u' = u + M00 du + M10 dv = 0.625, v' = v + M01 du + M11 dv = 0.123.
    EXPECT_EQ(BumpedTexel(D3DFMT_V8U8, texel, 0.25f, 0, 0, 0.5f), std::make_pair(2, 0));
    // Cross terms: u' = 0.375 + 0.5 * -0.504 = 0.123, v' = 0.375 + 0.25 = 0.625.
    EXPECT_EQ(BumpedTexel(D3DFMT_V8U8, texel, 0, 0.25f, 0.5f, 0), std::make_pair(0, 2));
    // The other signed formats read the same offsets.
    EXPECT_EQ(BumpedTexel(D3DFMT_X8L8V8U8, X8L8V8U8FromBump(1.0f, -64 / 127.0f, 1), 0.25f, 0, 0, 0.5f),
              std::make_pair(2, 0));
    EXPECT_EQ(BumpedTexel(D3DFMT_L6V5U5, L6V5U5FromBump(1.0f, -8 / 15.0f, 1), 0.25f, 0, 0, 0.5f), std::make_pair(2, 0));
}

TEST(RefBump, BumpStageKeepsCurrentColourForLaterStages) {
    // Base colour, bump, then add a texture: the sphere's set-up.
    Canvas c(8, 8);
    Texture bump(D3DFMT_V8U8, 1, 1, 1, [](UINT, UINT, UINT) { return DWORD{0}; });
    Texture env = Solid(0xff202020);
    c.state.textures[1] = &bump.data;
    c.state.textures[2] = &env.data;
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
    SetStage(c.state, 1, D3DTOP_BUMPENVMAP, D3DTA_TEXTURE, D3DTA_CURRENT);
    SetStage(c.state, 2, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_CURRENT);
    EXPECT_ARGB_NEAR(DrawAt(c), 0x80806040, 1);
}

TEST(RefBump, LuminanceScalesTheNextStageTexture) {
    struct Case {
        D3DFORMAT format;
        DWORD bits;
        float scale, offset;
        int expected;  // grey level of the white texture after scaling
    };
    const Case cases[] = {
        {D3DFMT_X8L8V8U8, 0x00800000, 1.0f, 0.0f, 128},   // L = 128/255
        {D3DFMT_X8L8V8U8, 0x00800000, 4.0f, 0.0f, 255},   // clamped to 1
        {D3DFMT_X8L8V8U8, 0x00800000, 1.0f, -0.25f, 64},  // 0.502 - 0.25
        {D3DFMT_X8L8V8U8, 0x00800000, -1.0f, 0.0f, 0},    // clamped to 0
        {D3DFMT_L6V5U5, 63u << 10, 0.5f, 0.0f, 128},
        {D3DFMT_V8U8, 0, 0.5f, 0.0f, 128},  // no luminance in the texel: L = 1
    };
    for (const Case& k : cases) {
        Canvas c(8, 8);
        Texture bump(k.format, 1, 1, 1, [&k](UINT, UINT, UINT) { return k.bits; });
        Texture white = Solid(0xffffffff);
        c.state.textures[0] = &bump.data;
        c.state.textures[1] = &white.data;
        SetStage(c.state, 0, D3DTOP_BUMPENVMAPLUMINANCE, D3DTA_TEXTURE, D3DTA_CURRENT);
        SetStage(c.state, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        c.state.stageStates[0][D3DTSS_BUMPENVLSCALE] = Bits(k.scale);
        c.state.stageStates[0][D3DTSS_BUMPENVLOFFSET] = Bits(k.offset);
        EXPECT_NEAR(R(DrawAt(c)), k.expected, 1) << k.format << " scale " << k.scale;
    }
}

namespace {

// 64x64 with a full chain; level l is red 32 l.
Texture MipChain() {
    return Texture(D3DFMT_X8R8G8B8, 64, 64, 7, [](UINT l, UINT, UINT) { return D3DCOLOR_XRGB(32 * l, 0, 0); });
}

int MipLevelSeen(int quadSize, float uRange, DWORD mipFilter, float bias = 0, DWORD maxLevel = 0) {
    Canvas c;
    Texture t = MipChain();
    c.state.textures[0] = &t.data;
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    c.state.stageStates[0][D3DTSS_MIPFILTER] = mipFilter;
    c.state.stageStates[0][D3DTSS_MIPMAPLODBIAS] = Bits(bias);
    c.state.stageStates[0][D3DTSS_MAXMIPLEVEL] = maxLevel;
    c.DrawRect(0, 0, static_cast<float>(quadSize), static_cast<float>(quadSize), 0xffffffff, 0.5f, 0, 0, uRange,
               uRange);
    return R(c.Pixel(quadSize / 2, quadSize / 2));
}

}  // namespace

TEST(RefSampling, MipLevelFollowsTheFootprint) {
    EXPECT_EQ(MipLevelSeen(64, 1, D3DTEXF_POINT), 0);        // one texel per pixel
    EXPECT_EQ(MipLevelSeen(32, 1, D3DTEXF_POINT), 32);       // two: level 1
    EXPECT_EQ(MipLevelSeen(16, 1, D3DTEXF_POINT), 64);       // four: level 2
    EXPECT_EQ(MipLevelSeen(16, 1, D3DTEXF_NONE), 0);         // no mipmapping: level 0
    EXPECT_EQ(MipLevelSeen(64, 0.5f, D3DTEXF_POINT), 0);     // magnified
    EXPECT_EQ(MipLevelSeen(8, 2, D3DTEXF_POINT), 4 * 32);    // 16 texels per pixel: level 4
    EXPECT_EQ(MipLevelSeen(8, 16, D3DTEXF_POINT), 6 * 32);   // past the end: the last level
    EXPECT_EQ(MipLevelSeen(64, 1, D3DTEXF_POINT, 2.0f), 64);  // bias
    EXPECT_NEAR(MipLevelSeen(64, 1, D3DTEXF_LINEAR, 1.5f), 48, 1);  // halfway between levels 1 and 2
    EXPECT_EQ(MipLevelSeen(64, 1, D3DTEXF_POINT, 0, 3), 96);  // most detailed level allowed: 3
    for (const DWORD beyond : {7u, 0x80000000u, 0xffffffffu}) {  // beyond the chain: its last level
        EXPECT_EQ(MipLevelSeen(64, 1, D3DTEXF_POINT, 0, beyond), 6 * 32) << beyond;
        EXPECT_EQ(MipLevelSeen(64, 1, D3DTEXF_NONE, 0, beyond), 6 * 32) << beyond;
    }
}

TEST(RefSampling, LinearFilterBlendsNeighboursWithAddressing) {
    // Two texels, black and white, over 64 pixels: pixel x samples at 2 (x + 0.5) / 64 - 0.5.
    Texture t(D3DFMT_X8R8G8B8, 2, 1, 1, [](UINT, UINT x, UINT) { return x ? 0xffffffffu : 0xff000000u; });
    for (const DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP}) {
        Canvas c;
        c.state.textures[0] = &t.data;
        SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        c.state.stageStates[0][D3DTSS_MAGFILTER] = D3DTEXF_LINEAR;
        c.state.stageStates[0][D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
        c.state.stageStates[0][D3DTSS_ADDRESSU] = address;
        c.DrawRect(0, 0, 64, 64, 0xffffffff);
        EXPECT_NEAR(R(c.Pixel(31, 0)), 123, 1);  // 0.484 of the way to white
        EXPECT_NEAR(R(c.Pixel(0, 0)), address == D3DTADDRESS_WRAP ? 123 : 0, 1);
    }
}

TEST(RefSampling, AddressModes) {
    // Four texels, red 0, 64, 128, 192, across u = -1 .. 2.
    Texture t(D3DFMT_X8R8G8B8, 4, 1, 1, [](UINT, UINT x, UINT) { return D3DCOLOR_XRGB(64 * x, 0, 0); });
    struct Case {
        DWORD mode;
        int at5, at30, at60;  // texel index -3, 1, 7
    };
    const Case cases[] = {{D3DTADDRESS_WRAP, 64, 64, 192},      {D3DTADDRESS_CLAMP, 0, 64, 192},
                          {D3DTADDRESS_MIRROR, 128, 64, 0},     {D3DTADDRESS_BORDER, 255, 64, 255},
                          {D3DTADDRESS_MIRRORONCE, 128, 64, 192}};
    for (const Case& k : cases) {
        Canvas c;
        c.state.textures[0] = &t.data;
        SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        c.state.stageStates[0][D3DTSS_ADDRESSU] = k.mode;
        c.state.stageStates[0][D3DTSS_BORDERCOLOR] = 0xffff0000;
        c.DrawRect(0, 0, 64, 64, 0xffffffff, 0.5f, -1, 0, 2, 1);
        EXPECT_EQ(R(c.Pixel(5, 3)), k.at5) << k.mode;
        EXPECT_EQ(R(c.Pixel(30, 3)), k.at30) << k.mode;
        EXPECT_EQ(R(c.Pixel(60, 3)), k.at60) << k.mode;
    }
}

TEST(RefTexCoords, CameraSpaceNormalWithSphereMapTransform) {
    Canvas c;
    Texture grid = Grid4();
    c.state.textures[0] = &grid.data;
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    c.state.stageStates[0][D3DTSS_TEXCOORDINDEX] = D3DTSS_TCI_CAMERASPACENORMAL;
    c.state.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
    D3DMATRIX sphere{};
    sphere._11 = 0.5f;
    sphere._22 = -0.5f;
    sphere._33 = 1;
    sphere._41 = 0.5f;
    sphere._42 = 0.5f;
    sphere._44 = 1;
    c.state.textureTransforms[0] = sphere;
    // Points at screen columns 16, 32, 48, 56 with different normals (unnormalised on purpose).
    std::vector<NormalVertex> v = {{-0.5f, 0, 0.5f, 0, 0, -3},      // u 0.5, v 0.5 -> texel (2, 2)
                                   {0, 0, 0.5f, 0.6f, 0, -0.8f},    // u 0.8 -> (3, 2)
                                   {0.5f, 0, 0.5f, 0, 0.6f, -0.8f}, // v 0.2 -> (2, 0)
                                   {0.75f, 0, 0.5f, -1, 0, 0}};     // u 0 -> (0, 2)
    c.Draw(D3DPT_POINTLIST, 4, v, kNormalFvf);
    EXPECT_EQ(c.Pixel(16, 32), D3DCOLOR_XRGB(128, 128, 0));
    EXPECT_EQ(c.Pixel(32, 32), D3DCOLOR_XRGB(192, 128, 0));
    EXPECT_EQ(c.Pixel(48, 32), D3DCOLOR_XRGB(128, 0, 0));
    EXPECT_EQ(c.Pixel(56, 32), D3DCOLOR_XRGB(0, 128, 0));

    // The normal is taken in camera space: a world turn of 90 degrees about y sends
    // (0, 0, -1) to (-1, 0, 0).
    c.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0);
    c.state.world = Identity();
    c.state.world._11 = 0;
    c.state.world._13 = -1;
    c.state.world._31 = 1;
    c.state.world._33 = 0;
    std::vector<NormalVertex> p = {{0, 0, 0, 0, 0, -1}};
    c.Draw(D3DPT_POINTLIST, 1, p, kNormalFvf);
    EXPECT_EQ(c.Pixel(32, 32), D3DCOLOR_XRGB(0, 128, 0));
}

TEST(RefTexCoords, TwoComponentTransformTranslatesWithThirdRow) {
    Texture grid = Grid4();
    for (const bool thirdRow : {true, false}) {
        Canvas c(8, 8);
        c.state.textures[0] = &grid.data;
        SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        c.state.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
        D3DMATRIX m = Identity();
        (thirdRow ? m._31 : m._41) = 0.25f;
        (thirdRow ? m._32 : m._42) = 0.5f;
        c.state.textureTransforms[0] = m;
        const D3DCOLOR p = DrawAt(c, 0.125f, 0.125f) | 0xff000000u;  // alpha is the diffuse's
        if (thirdRow)
            EXPECT_EQ(p, D3DCOLOR_XRGB(64, 128, 0));  // (0.375, 0.625)
        else
            EXPECT_EQ(p, D3DCOLOR_XRGB(0, 0, 0));  // (u, v, 1, 0): the fourth row does not apply
    }
}

TEST(RefTexCoords, MissingCoordinateSetReadsZero) {
    Canvas c(8, 8);
    Texture grid = Grid4();
    c.state.textures[0] = &grid.data;
    SetStage(c.state, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    c.state.stageStates[0][D3DTSS_TEXCOORDINDEX] = 3;  // the vertices have one set
    EXPECT_EQ(DrawAt(c, 0.9f, 0.9f) & 0xffffffu, 0u);
}
