// Which loop draws each state class the production uses: a classifier that declines a class
// would leave every byte comparison passing while the draws fall back to the general loop,
// so the choice itself is checked here, for every instruction set the lane loops are built
// for; one this machine cannot run is skipped by name.
#include "ref_test_util.h"

#include "platform/d3d8/ref/draw_state.h"
#include "platform/d3d8/ref/pixel_loop.h"

#include <gtest/gtest.h>

#include <ostream>

namespace d3d8::ref {
// Failures name the loops.
void PrintTo(PixelLoop loop, std::ostream* out) { *out << PixelLoopName(loop); }
}  // namespace d3d8::ref

using namespace reftest;
using d3d8::ref::PixelInstructions;
using d3d8::ref::PixelLoop;
using d3d8::ref::PixelLoops;

namespace {

constexpr UINT kSize = 16;

// The loops REF chooses for a draw with `s` into a target of `format` with a depth buffer.
PixelLoops LoopsFor(const PipelineState& s, PixelInstructions instructions, D3DFORMAT format = D3DFMT_X8R8G8B8) {
    std::vector<BYTE> color(kSize * kSize * 4), depth(kSize * kSize * 4);
    SurfaceData colorSurface{format, kSize, kSize, static_cast<INT>(kSize * BytesPerPixel(format)), color.data()};
    SurfaceData depthSurface{D3DFMT_D32, kSize, kSize, static_cast<INT>(kSize * 4), depth.data()};
    const RenderTargets targets{&colorSurface, &depthSurface};
    d3d8::ref::DrawContext ctx;
    d3d8::ref::PrepareDrawContext(s, targets, ctx);
    ctx.instructions = instructions;
    d3d8::ref::ChoosePixelLoops(ctx, {&colorSurface, &depthSurface, {}});
    return ctx.loops;
}

Texture Solid(D3DFORMAT format, UINT width = 8, UINT height = 8) {
    return Texture(format, width, height, 1, [](UINT, UINT x, UINT y) { return 0xff000000u | (x * 0x1020u + y); });
}

void Textured(PipelineState& s, UINT stage, const Texture& texture, DWORD colorOp, DWORD arg2) {
    DWORD* ss = s.stageStates[stage];
    ss[D3DTSS_COLOROP] = colorOp;
    ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_COLORARG2] = arg2;
    ss[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_MAGFILTER] = ss[D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    ss[D3DTSS_TEXCOORDINDEX] = stage;
    s.textures[stage] = &texture.data;
}

void AddOneBlend(PipelineState& s) {
    s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
}

void BumpStage(PipelineState& s, UINT stage, const Texture& bumps) {
    DWORD* ss = s.stageStates[stage];
    ss[D3DTSS_COLOROP] = D3DTOP_BUMPENVMAP;
    ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_MAGFILTER] = ss[D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    ss[D3DTSS_TEXCOORDINDEX] = stage;
    s.textures[stage] = &bumps.data;
}

// A state with `stages` texture coordinate sets per vertex, so every stage reads its own.
PipelineState StateWithCoordinates(UINT stages) {
    PipelineState s = DefaultState(kSize, kSize);
    s.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | (stages << D3DFVF_TEXCOUNT_SHIFT);
    return s;
}

const char* InstructionsName(PixelInstructions instructions) {
    switch (instructions) {
    case PixelInstructions::Scalar: return "Scalar";
    case PixelInstructions::Baseline: return "Baseline";
    case PixelInstructions::Avx2: return "Avx2";
    case PixelInstructions::Avx512: return "Avx512";
    }
    return "?";
}

// Run once per instruction set the loops are built for; one the processor lacks is skipped.
class PixelLoopChoice : public ::testing::TestWithParam<PixelInstructions> {
protected:
    void SetUp() override {
        if (GetParam() > d3d8::ref::WidestPixelInstructions())
            GTEST_SKIP() << InstructionsName(GetParam()) << " loops: not in this build, or this processor lacks them";
        lanes_ = d3d8::ref::LaneLoopFor(GetParam());
    }
    PixelInstructions Instructions() const { return GetParam(); }
    PixelLoop lanes_ = PixelLoop::General;
};

TEST_P(PixelLoopChoice, TheProductionsSimpleClassesTakeTheLaneLoop) {
    const Texture argb = Solid(D3DFMT_A8R8G8B8), r5g6b5 = Solid(D3DFMT_R5G6B5), xrgb = Solid(D3DFMT_X8R8G8B8, 16, 4);
    const Texture bumps = Solid(D3DFMT_V8U8), odd = Solid(D3DFMT_A8R8G8B8, 6, 10);
    struct Case {
        const char* name;
        PipelineState state;
        bool sprites;  // its points are textured sprites, which take the same loop
    };
    std::vector<Case> cases;
    {
        PipelineState s = StateWithCoordinates(0);
        UseDiffuseOnly(s);
        s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
        cases.push_back({"diffuse colour, no blending (also untextured sprites)", s, true});
    }
    {
        PipelineState s = StateWithCoordinates(1);
        Textured(s, 0, argb, D3DTOP_MODULATE, D3DTA_DIFFUSE);
        AddOneBlend(s);
        s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
        cases.push_back({"32-bit texture times diffuse, added (particles)", s, true});
    }
    {
        PipelineState s = StateWithCoordinates(1);
        Textured(s, 0, r5g6b5, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
        s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
        cases.push_back({"R5G6B5 texture alone", s, true});
    }
    {
        PipelineState s = StateWithCoordinates(2);
        BumpStage(s, 0, bumps);
        Textured(s, 1, xrgb, D3DTOP_SELECTARG1, D3DTA_CURRENT);
        AddOneBlend(s);
        cases.push_back({"bump stage in front of a 32-bit texture (background)", s, false});
    }
    {
        PipelineState s = StateWithCoordinates(3);
        Textured(s, 0, r5g6b5, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
        BumpStage(s, 1, bumps);
        Textured(s, 2, r5g6b5, D3DTOP_ADD, D3DTA_CURRENT);
        cases.push_back({"texture, bump stage, environment added (sphere)", s, false});
    }
    {
        PipelineState s = StateWithCoordinates(1);
        Textured(s, 0, odd, D3DTOP_MODULATE, D3DTA_DIFFUSE);
        s.stageStates[0][D3DTSS_ADDRESSV] = D3DTADDRESS_MIRROR;
        s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
        cases.push_back({"wrapped and mirrored on sides of no power of two", s, true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PixelLoops loops = LoopsFor(c.state, Instructions());
        EXPECT_EQ(loops.triangles, lanes_);
        if (c.sprites) {
            EXPECT_EQ(loops.points, lanes_);
        }
    }
}

TEST_P(PixelLoopChoice, SimpleDrawsOutsideTheLanesReachTakeTheGeneralLoop) {
    const Texture argb = Solid(D3DFMT_A8R8G8B8), a4r4g4b4 = Solid(D3DFMT_A4R4G4B4), l6v5u5 = Solid(D3DFMT_L6V5U5);
    PipelineState base = StateWithCoordinates(1);
    Textured(base, 0, argb, D3DTOP_MODULATE, D3DTA_DIFFUSE);
    ASSERT_EQ(LoopsFor(base, Instructions()).triangles, lanes_);

    // A 16-bit target, or a texture or bump format the lanes do not read.
    EXPECT_EQ(LoopsFor(base, Instructions(), D3DFMT_R5G6B5).triangles, PixelLoop::General);
    PipelineState fourBits = base;
    fourBits.textures[0] = &a4r4g4b4.data;
    EXPECT_EQ(LoopsFor(fourBits, Instructions()).triangles, PixelLoop::General);
    PipelineState bumped = StateWithCoordinates(2);
    BumpStage(bumped, 0, l6v5u5);
    Textured(bumped, 1, argb, D3DTOP_SELECTARG1, D3DTA_CURRENT);
    EXPECT_EQ(LoopsFor(bumped, Instructions()).triangles, PixelLoop::General);
    // Points that are not sprites.
    EXPECT_EQ(LoopsFor(base, Instructions()).points, PixelLoop::General);
}

TEST_P(PixelLoopChoice, StatesOutsideTheSimpleClassTakeTheGeneralLoop) {
    const Texture argb = Solid(D3DFMT_A8R8G8B8);
    PipelineState base = StateWithCoordinates(1);
    Textured(base, 0, argb, D3DTOP_MODULATE, D3DTA_DIFFUSE);
    base.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    ASSERT_EQ(LoopsFor(base, Instructions()).triangles, lanes_);

    const std::pair<const char*, void (*)(PipelineState&)> changes[] = {
        {"alpha test", [](PipelineState& s) { s.renderStates[D3DRS_ALPHATESTENABLE] = TRUE; }},
        {"specular read", [](PipelineState& s) { s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_SPECULAR; }},
        {"border addressing", [](PipelineState& s) { s.stageStates[0][D3DTSS_ADDRESSU] = D3DTADDRESS_BORDER; }},
        {"texture factor argument", [](PipelineState& s) { s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR; }},
        {"a blend of its own kind (destination colour)",
         [](PipelineState& s) {
             s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
             s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_DESTCOLOR;
             s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        PipelineState s = base;
        change(s);
        const PixelLoops loops = LoopsFor(s, Instructions());
        EXPECT_EQ(loops.triangles, PixelLoop::General);
        EXPECT_EQ(loops.points, PixelLoop::General);
    }
}

INSTANTIATE_TEST_SUITE_P(Instructions, PixelLoopChoice,
                         ::testing::Values(PixelInstructions::Scalar, PixelInstructions::Baseline, PixelInstructions::Avx2,
                                           PixelInstructions::Avx512),
                         [](const ::testing::TestParamInfo<PixelInstructions>& info) { return InstructionsName(info.param); });

}  // namespace
