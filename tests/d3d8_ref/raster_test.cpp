// Coverage and interpolation of the REF rasterizer: fill rule, pixel centres, culling,
// wireframe, points and sprites, near-plane clipping, perspective-correct interpolation.
#include "ref_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace reftest;

namespace {

// Additive drawing of 0x01 per covered pixel, so a pixel's blue value counts its coverage.
void UseCoverageCounting(Canvas& c) {
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    c.state.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    c.state.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    c.state.renderStates[D3DRS_ZENABLE] = FALSE;
    c.state.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
}

TLVertex TL(float x, float y, D3DCOLOR c = 0xff000001) { return {x, y, 0.5f, 1, c, 0, 0}; }

}  // namespace

TEST(RefFillRule, IntegerRectangleCoversTopLeftInclusiveBottomRightExclusive) {
    Canvas c;
    UseCoverageCounting(c);
    std::vector<TLVertex> v = {TL(10, 10), TL(20, 10), TL(10, 20), TL(20, 20)};
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kTLFvf);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
            ASSERT_EQ(B(c.Pixel(x, y)), inside ? 1 : 0) << x << "," << y;
        }
}

TEST(RefFillRule, FanOfSharedEdgesDrawsEveryPixelOnce) {
    // A square with corners on pixel centres, cut into triangles around interior points
    // including ones on pixel centres and on exact half-pixel positions.
    Canvas c;
    UseCoverageCounting(c);
    const float l = 4, t = 6, r = 57, b = 60;
    const std::vector<std::pair<float, float>> ring = {{l, t},      {20.5f, t}, {33, t},    {r, t},   {r, 25.25f},
                                                        {r, 41},    {r, b},     {40.75f, b}, {21, b}, {l, b},
                                                        {l, 44.5f}, {l, 20}};
    const std::pair<float, float> centres[] = {{30, 30}, {30.5f, 31.5f}, {17.3f, 22.9f}};
    for (const auto& ctr : centres) {
        c.Clear(D3DCLEAR_TARGET, 0);
        std::vector<TLVertex> v;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const auto& p = ring[i];
            const auto& q = ring[(i + 1) % ring.size()];
            v.push_back(TL(ctr.first, ctr.second));
            v.push_back(TL(p.first, p.second));
            v.push_back(TL(q.first, q.second));
        }
        c.Draw(D3DPT_TRIANGLELIST, static_cast<UINT>(ring.size()), v, kTLFvf);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= l && x < r && y >= t && y < b;
                ASSERT_EQ(B(c.Pixel(x, y)), inside ? 1 : 0) << "pixel " << x << "," << y << " centre " << ctr.first;
            }
    }
}

TEST(RefFillRule, RandomMeshOfSharedEdgesHasNoGapsOrOverlaps) {
    // A 6x6 grid of quads with jittered inner vertices: the union is the outer square.
    Canvas c;
    UseCoverageCounting(c);
    std::srand(7);
    float gx[7][7], gy[7][7];
    for (int j = 0; j <= 6; ++j)
        for (int i = 0; i <= 6; ++i) {
            const bool edgeX = i == 0 || i == 6, edgeY = j == 0 || j == 6;
            gx[j][i] = 2.0f + i * 10.0f + (edgeX ? 0 : (std::rand() % 1000) / 250.0f - 2);
            gy[j][i] = 3.0f + j * 9.5f + (edgeY ? 0 : (std::rand() % 1000) / 250.0f - 2);
        }
    std::vector<TLVertex> v;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            auto p = [&](int a, int b) { return TL(gx[b][a], gy[b][a]); };
            v.insert(v.end(), {p(i, j), p(i + 1, j), p(i, j + 1), p(i + 1, j), p(i + 1, j + 1), p(i, j + 1)});
        }
    c.Draw(D3DPT_TRIANGLELIST, static_cast<UINT>(v.size() / 3), v, kTLFvf);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 2 && x < 62 && y >= 3 && y < 60;  // 3 + 6 * 9.5 = 60
            ASSERT_EQ(B(c.Pixel(x, y)), inside ? 1 : 0) << x << "," << y;
        }
}

TEST(RefPixelCentres, TexelsMapOneToOneWithHalfPixelOffset) {
    // A quad from -0.5 to 63.5 maps texel (x, y) exactly onto pixel (x, y).
    Canvas c;
    Texture tex(D3DFMT_A8R8G8B8, 64, 64, 1, [](UINT, UINT x, UINT y) { return D3DCOLOR_ARGB(255, x * 4, y * 4, 7); });
    c.state.textures[0] = &tex.data;
    c.state.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    c.DrawRect(0, 0, 64, 64, 0xffffffff);
    for (int y = 0; y < 64; y += 3)
        for (int x = 0; x < 64; x += 5) ASSERT_EQ(c.Pixel(x, y), D3DCOLOR_ARGB(255, x * 4, y * 4, 7)) << x << "," << y;
}

TEST(RefCulling, CullModesFollowScreenWinding) {
    struct Case {
        DWORD cull;
        bool clockwiseDrawn, counterClockwiseDrawn;
    };
    for (const Case k : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true}}) {
        Canvas c;
        UseDiffuseOnly(c.state);
        c.state.renderStates[D3DRS_CULLMODE] = k.cull;
        std::vector<TLVertex> cw = {TL(5, 5, 0xffffffff), TL(30, 5, 0xffffffff), TL(5, 30, 0xffffffff)};
        std::vector<TLVertex> ccw = {TL(35, 35, 0xffffffff), TL(35, 60, 0xffffffff), TL(60, 35, 0xffffffff)};
        c.Draw(D3DPT_TRIANGLELIST, 1, cw, kTLFvf);
        c.Draw(D3DPT_TRIANGLELIST, 1, ccw, kTLFvf);
        EXPECT_EQ(c.Pixel(10, 10) == 0xffffffff, k.clockwiseDrawn) << k.cull;
        EXPECT_EQ(c.Pixel(40, 40) == 0xffffffff, k.counterClockwiseDrawn) << k.cull;
    }
}

TEST(RefShading, FlatUsesFirstVertexGouraudInterpolates) {
    Canvas c;
    UseDiffuseOnly(c.state);
    std::vector<TLVertex> v = {TL(0, 0, 0xffff0000), TL(64, 0, 0xff00ff00), TL(0, 64, 0xff0000ff)};
    c.state.renderStates[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kTLFvf);
    EXPECT_EQ(c.Pixel(20, 20), 0xffff0000u);
    c.state.renderStates[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kTLFvf);
    // At (16, 32): weights 1 - 16/64 - 32/64 = 0.25 red, 0.25 green, 0.5 blue.
    EXPECT_ARGB_NEAR(c.Pixel(16, 32), D3DCOLOR_ARGB(255, 64, 64, 128), 1);
}

TEST(RefWireframe, DrawsEdgesOnceAndLeavesTheInside) {
    Canvas c;
    UseCoverageCounting(c);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
    std::vector<TLVertex> v = {TL(10, 10), TL(40, 10), TL(10, 40)};
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kTLFvf);
    for (int x = 10; x < 40; ++x) EXPECT_EQ(B(c.Pixel(x, 10)), 1) << "top edge " << x;
    for (int y = 11; y < 40; ++y) EXPECT_EQ(B(c.Pixel(10, y)), 1) << "left edge " << y;
    EXPECT_EQ(B(c.Pixel(20, 20)), 0);  // inside
    EXPECT_EQ(B(c.Pixel(25, 25)), 1);  // on the diagonal from (40,10) to (10,40)
    EXPECT_EQ(B(c.Pixel(40, 10)), 1);  // corner drawn once, by the edge that starts there
    EXPECT_EQ(c.CountNot(0), 30 + 30 + 30);
}

TEST(RefLines, ListsAndStripsLeaveOutTheLastPixel) {
    Canvas c;
    UseCoverageCounting(c);
    std::vector<TLVertex> v = {TL(5, 5), TL(15, 5), TL(15, 25), TL(5, 20)};
    c.Draw(D3DPT_LINELIST, 2, v, kTLFvf);  // (5,5)-(15,5) and (15,25)-(5,20)
    for (int x = 5; x < 15; ++x) EXPECT_EQ(B(c.Pixel(x, 5)), 1) << x;
    EXPECT_EQ(B(c.Pixel(15, 5)), 0);
    EXPECT_EQ(B(c.Pixel(15, 25)), 1);  // x-major, stepping left: y = 25 - (15 - x) / 2 rounded
    EXPECT_EQ(B(c.Pixel(5, 20)), 0);
    EXPECT_EQ(c.CountNot(0), 20);
    c.Clear(D3DCLEAR_TARGET, 0);
    c.Draw(D3DPT_LINESTRIP, 3, v, kTLFvf);  // 10 + 20 + 10 pixels, corners once
    EXPECT_EQ(c.CountNot(0), 40);
    EXPECT_EQ(B(c.Pixel(15, 5)), 1);
    EXPECT_EQ(B(c.Pixel(15, 15)), 1);
}

TEST(RefWireframe, FlatShadedEdgesTakeTheFirstVertexColour) {
    Canvas c;
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
    c.state.renderStates[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    std::vector<TLVertex> v = {TL(10, 10, 0xffff0000), TL(40, 10, 0xff00ff00), TL(10, 40, 0xff0000ff)};
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kTLFvf);
    EXPECT_EQ(c.Pixel(20, 10), 0xffff0000u);
    EXPECT_EQ(c.Pixel(25, 25), 0xffff0000u);  // the edge starting at the second vertex
    EXPECT_EQ(c.Pixel(10, 30), 0xffff0000u);  // and at the third
}

TEST(RefWireframe, CulledTrianglesDrawNoEdges) {
    Canvas c;
    UseCoverageCounting(c);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
    c.state.renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    std::vector<TLVertex> v = {TL(10, 10), TL(10, 40), TL(40, 10)};
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 0);
}

namespace {

// Draws one untransformed point at eye position p (view = world = identity) and returns the
// number of pixels it covers.
int SpritePixels(Canvas& c, float x, float y, float z) {
    c.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0);
    std::vector<ColorVertex> v = {{x, y, z, 0xffffffff, 0, 0}};
    c.Draw(D3DPT_POINTLIST, 1, v, kColorFvf);
    return c.CountNot(0);
}

}  // namespace

TEST(RefPointSprites, SizeScalesWithFullEyeDistance) {
    Canvas c;
    UseDiffuseOnly(c.state);
    c.state.projection = PerspectiveFov(1.5707963f, 1, 1, 100);
    c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSCALE_A] = Bits(0);
    c.state.renderStates[D3DRS_POINTSCALE_C] = Bits(1);
    // d = |(3, 0, 4)| = 5: size = 64 * 0.46875 * sqrt(1 / 25) = 6 pixels (|z| = 4 would give 7.5).
    c.state.renderStates[D3DRS_POINTSIZE] = Bits(0.46875f);
    EXPECT_EQ(SpritePixels(c, 3, 0, 4), 36);
    // Clamped to POINTSIZE_MAX.
    c.state.renderStates[D3DRS_POINTSIZE_MAX] = Bits(4.0f);
    EXPECT_EQ(SpritePixels(c, 3, 0, 4), 16);
    // Clamped up to POINTSIZE_MIN.
    c.state.renderStates[D3DRS_POINTSIZE] = Bits(0.01f);
    c.state.renderStates[D3DRS_POINTSIZE_MIN] = Bits(2.0f);
    EXPECT_EQ(SpritePixels(c, 3, 0, 4), 4);
}

TEST(RefPointSprites, PreTransformedPointsAreNotScaled) {
    Canvas c;
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSCALE_A] = Bits(0);
    c.state.renderStates[D3DRS_POINTSCALE_C] = Bits(1);
    c.state.renderStates[D3DRS_POINTSIZE] = Bits(5.0f);
    std::vector<TLVertex> v = {{20, 20, 0.5f, 0.1f, 0xffffffff, 0, 0}};
    c.Draw(D3DPT_POINTLIST, 1, v, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 25);  // 5 x 5, centred on pixel 20: columns 18..22
    EXPECT_NE(c.Pixel(18, 18), 0u);
    EXPECT_NE(c.Pixel(22, 22), 0u);
    EXPECT_EQ(c.Pixel(23, 20), 0u);
}

TEST(RefPointSprites, TextureCoordinatesSpanTheSprite) {
    Canvas c;
    Texture tex(D3DFMT_A8R8G8B8, 2, 2, 1,
                [](UINT, UINT x, UINT y) { return D3DCOLOR_ARGB(255, x ? 255 : 0, y ? 255 : 0, 0); });
    c.state.textures[0] = &tex.data;
    c.state.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSIZE] = Bits(4.0f);
    std::vector<TLVertex> v = {{10, 10, 0.5f, 1, 0xffffffff, 0, 0}};  // covers 8..11
    c.Draw(D3DPT_POINTLIST, 1, v, kTLFvf);
    EXPECT_EQ(c.Pixel(8, 8), 0xff000000u);
    EXPECT_EQ(c.Pixel(11, 8), 0xffff0000u);
    EXPECT_EQ(c.Pixel(8, 11), 0xff00ff00u);
    EXPECT_EQ(c.Pixel(11, 11), 0xffffff00u);
}

namespace {

// A floor (y = -1) seen with a 90 degree field of view, near 1, far 100, from z = -5 to 20.
void DrawFloor(Canvas& c, D3DCOLOR nearColor, D3DCOLOR farColor, float zNear, float zFar) {
    c.state.projection = PerspectiveFov(1.5707963f, 1, 1, 100);
    c.state.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    std::vector<ColorVertex> v = {{-10, -1, zNear, nearColor, 0, 0},
                                  {10, -1, zNear, nearColor, 1, 0},
                                  {-10, -1, zFar, farColor, 0, 1},
                                  {10, -1, zFar, farColor, 1, 1}};
    c.Draw(D3DPT_TRIANGLESTRIP, 2, v, kColorFvf);
}

}  // namespace

TEST(RefClipping, NearPlaneCutsGeometryBehindTheCamera) {
    Canvas c;
    UseDiffuseOnly(c.state);
    DrawFloor(c, 0xffffffff, 0xffffffff, -5, 20);
    // Visible floor points satisfy z >= 1: ndc y = -1 / z lies in [-1, -0.05], rows 33.6 .. 64.
    // Row 34 sees z = 16, where the floor spans columns 12..52.
    EXPECT_EQ(c.Pixel(32, 34), 0xffffffffu);
    EXPECT_EQ(c.Pixel(13, 34), 0xffffffffu);
    EXPECT_EQ(c.Pixel(11, 34), 0u);
    for (int x = 0; x < 64; x += 7) {
        EXPECT_EQ(c.Pixel(x, 63), 0xffffffffu) << x;
        EXPECT_EQ(c.Pixel(x, 33), 0u) << x;
        EXPECT_EQ(c.Pixel(x, 5), 0u) << x;  // would fill if the part behind the eye wrapped over
    }
    for (int y = 34; y < 64; ++y) {
        EXPECT_GE(c.Depth(32, y), 0.0f);
        EXPECT_LE(c.Depth(32, y), 1.0f);
    }
}

TEST(RefClipping, FarPlaneCutsDistantGeometry) {
    Canvas c;
    UseDiffuseOnly(c.state);
    DrawFloor(c, 0xffffffff, 0xffffffff, 2, 400);
    // Beyond z = 100 nothing is drawn: rows above 32 + 32 / 100 = 32.32 stay clear.
    EXPECT_EQ(c.Pixel(32, 32), 0u);
    EXPECT_EQ(c.Pixel(32, 33), 0xffffffffu);
}

TEST(RefInterpolation, ColoursAndCoordinatesArePerspectiveCorrect) {
    // Floor from z = 1 (red 0) to z = 3 (red 255): row 48 sees z = 2, halfway in the world;
    // screen-linear interpolation would give 0.75 there.
    Canvas c;
    UseDiffuseOnly(c.state);
    DrawFloor(c, 0xff000000, 0xffff0000, 1, 3);
    EXPECT_NEAR(R(c.Pixel(32, 48)), 128, 1);
    // Row 40: ndc y = -0.25 - ... : y = 40 is ndc 1 - 40 / 32 = -0.25, z = 4 is beyond the floor.
    EXPECT_EQ(c.Pixel(32, 40), 0u);
    // Row 56: ndc -0.75, z = 4/3, t = 1/6.
    EXPECT_NEAR(R(c.Pixel(32, 56)), 255 / 6, 1);

    Canvas t;
    Texture ramp(D3DFMT_A8R8G8B8, 256, 1, 1, [](UINT, UINT x, UINT) { return D3DCOLOR_ARGB(255, 0, x, 0); });
    t.state.textures[0] = &ramp.data;
    t.state.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    t.state.stageStates[0][D3DTSS_ADDRESSU] = D3DTADDRESS_CLAMP;
    // v runs along the depth; use a texture transform to move v into u.
    D3DMATRIX swap{};
    swap._12 = 1;  // u' = v
    swap._21 = 1;  // v' = u
    swap._33 = swap._44 = 1;
    t.state.textureTransforms[0] = swap;
    t.state.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
    DrawFloor(t, 0xffffffff, 0xffffffff, 1, 3);
    EXPECT_NEAR(G(t.Pixel(32, 48)), 128, 1);
    EXPECT_NEAR(G(t.Pixel(32, 56)), 42, 1);
}

TEST(RefPrimitives, StripsFansAndIndexedListsKeepWinding) {
    Canvas c;
    UseDiffuseOnly(c.state);
    // A fan of four clockwise triangles around (32, 32).
    std::vector<TLVertex> fan = {TL(32, 32, 0xffffffff), TL(10, 10, 0xffffffff), TL(54, 10, 0xffffffff),
                                 TL(54, 54, 0xffffffff), TL(10, 54, 0xffffffff), TL(10, 10, 0xffffffff)};
    c.Draw(D3DPT_TRIANGLEFAN, 4, fan, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 44 * 44);

    Canvas d;
    UseDiffuseOnly(d.state);
    std::vector<TLVertex> quad = {TL(10, 10, 0xffffffff), TL(20, 10, 0xffffffff), TL(10, 20, 0xffffffff),
                                  TL(20, 20, 0xffffffff)};
    d.DrawIndexed(D3DPT_TRIANGLELIST, 2, quad, {0, 1, 2, 2, 1, 3}, kTLFvf);
    EXPECT_EQ(d.CountNot(0), 100);
}

TEST(RefPrimitives, OutOfRangeIndicesAreSkipped) {
    Canvas c;
    UseDiffuseOnly(c.state);
    std::vector<TLVertex> quad = {TL(10, 10, 0xffffffff), TL(20, 10, 0xffffffff), TL(10, 20, 0xffffffff)};
    c.DrawIndexed(D3DPT_TRIANGLELIST, 2, quad, {0, 1, 2, 0, 1, 60000}, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 55);  // the first triangle only: 10 + 9 + ... + 1 pixels
}

TEST(RefClipping, ClippingStateOffStillCutsAtTheNearPlane) {
    Canvas c;
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_CLIPPING] = FALSE;
    DrawFloor(c, 0xffffffff, 0xffffffff, -5, 20);
    EXPECT_EQ(c.Pixel(32, 63), 0xffffffffu);
    EXPECT_EQ(c.Pixel(32, 5), 0u);
}

TEST(RefRobustness, BrokenVerticesDrawNothingWrongAndDoNotCrash) {
    Canvas c;
    UseDiffuseOnly(c.state);
    const float nan = std::nanf(""), inf = INFINITY;
    std::vector<TLVertex> bad = {TL(nan, 5, 0xffffffff),  TL(30, 5, 0xffffffff),   TL(5, 30, 0xffffffff),
                                 TL(inf, -inf, 0xffffffff), TL(1e30f, 5, 0xffffffff), TL(5, -1e30f, 0xffffffff),
                                 TL(10, 10, 0xffffffff),  TL(10, 10, 0xffffffff),  TL(10, 10, 0xffffffff)};
    c.Draw(D3DPT_TRIANGLELIST, 3, bad, kTLFvf);
    c.Draw(D3DPT_LINELIST, 4, bad, kTLFvf);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
    c.Draw(D3DPT_TRIANGLELIST, 3, bad, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 0);
    c.Draw(D3DPT_POINTLIST, 9, bad, kTLFvf);
    EXPECT_EQ(c.CountNot(0), 3);  // the points at (30, 5), (5, 30) and (10, 10)
    // Untransformed vertices with NaN or a zero w are clipped away.
    std::vector<ColorVertex> v = {{nan, 0, 0.5f, 0xffffffff, 0, 0}, {1, 0, 0.5f, 0xffffffff, 0, 0},
                                  {0, 1, 0.5f, 0xffffffff, 0, 0}};
    c.Clear(D3DCLEAR_TARGET, 0);
    c.Draw(D3DPT_TRIANGLELIST, 1, v, kColorFvf);
    EXPECT_EQ(c.CountNot(0), 0);
}
