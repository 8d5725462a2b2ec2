// The pixel functions built for common state classes give the same bytes as the general
// one: random states around those classes (stage operations and arguments, filters, address
// modes, texture and target formats, blending, depth, fog, shading, alpha test, a bump stage
// or a stage selecting its texture in front), triangles and point sprites drawn by two
// rasterizers, one forced onto the general path, compared byte for byte after every draw.
#include "ref_test_util.h"
#include "tests/support/test_rng.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

using namespace reftest;

namespace {

using test_support::Rng;

std::vector<Texture> MakeTextures() {
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8};
    const UINT sizes[][2] = {{16, 16}, {32, 8}, {5, 7}, {8, 8}, {1, 1}};
    std::vector<Texture> out;
    for (int i = 0; i < 5; ++i)
        out.emplace_back(formats[i], sizes[i][0], sizes[i][1], i == 3 ? 3 : 1, [i](UINT l, UINT x, UINT y) {
            if ((x / 2 + y / 2) % 3 == 0) return D3DCOLOR{0};  // blocks of zero texels: blends that keep the pixel
            return static_cast<D3DCOLOR>((x * 0x3b1d7 + y * 0x9e3779b1u + (l + 1) * 0x7f4a7c15u) ^ (i * 0x5bd1e995u));
        });
    return out;
}

const TextureData* AnyOf(Rng& rng, const std::vector<Texture>& textures) {
    return &textures[static_cast<std::size_t>(rng.Int(0, static_cast<int>(textures.size()) - 1))].data;
}

void RandomState(Rng& rng, PipelineState& s, const std::vector<Texture>& textures) {
    const DWORD ops[] = {D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE, D3DTOP_MODULATE, D3DTOP_ADD, D3DTOP_DISABLE};
    const DWORD args[] = {D3DTA_TEXTURE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TFACTOR,
                          D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE};
    const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP,
                             D3DTADDRESS_MIRRORONCE, D3DTADDRESS_BORDER};
    const UINT stages = static_cast<UINT>(rng.Int(0, 10) == 0 ? 2 : 1);
    for (UINT i = 0; i < stages; ++i) {
        DWORD* ss = s.stageStates[i];
        ss[D3DTSS_COLOROP] = i == 0 && rng.Chance(0.1) ? D3DTOP_DISABLE : rng.Pick(ops);
        if (ss[D3DTSS_COLOROP] == D3DTOP_DISABLE && i == 0 && rng.Chance(0.5)) ss[D3DTSS_COLOROP] = D3DTOP_MODULATE;
        ss[D3DTSS_COLORARG1] = rng.Pick(args);
        ss[D3DTSS_COLORARG2] = rng.Pick(args);
        ss[D3DTSS_ALPHAOP] = rng.Pick(ops);
        ss[D3DTSS_ALPHAARG1] = rng.Pick(args);
        ss[D3DTSS_ALPHAARG2] = rng.Pick(args);
        ss[D3DTSS_MAGFILTER] = static_cast<DWORD>(rng.Int(1, 2));
        ss[D3DTSS_MINFILTER] = rng.Chance(0.8) ? ss[D3DTSS_MAGFILTER] : static_cast<DWORD>(rng.Int(1, 2));
        ss[D3DTSS_MIPFILTER] = rng.Chance(0.8) ? D3DTEXF_NONE : D3DTEXF_POINT;
        ss[D3DTSS_ADDRESSU] = rng.Pick(address);
        ss[D3DTSS_ADDRESSV] = rng.Pick(address);
        ss[D3DTSS_BORDERCOLOR] = static_cast<DWORD>(rng.engine());
        ss[D3DTSS_TEXCOORDINDEX] = 0;
        s.textures[i] = rng.Chance(0.95) ? AnyOf(rng, textures) : nullptr;
    }
    DWORD* rs = s.renderStates;
    rs[D3DRS_TEXTUREFACTOR] = static_cast<DWORD>(rng.engine());
    rs[D3DRS_ALPHABLENDENABLE] = rng.Chance(0.7);
    const DWORD factors[] = {D3DBLEND_ONE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO, D3DBLEND_DESTCOLOR};
    rs[D3DRS_SRCBLEND] = rng.Pick(factors);
    rs[D3DRS_DESTBLEND] = rng.Pick(factors);
    rs[D3DRS_ALPHATESTENABLE] = rng.Chance(0.1);
    rs[D3DRS_ALPHAFUNC] = static_cast<DWORD>(rng.Int(1, 8));
    rs[D3DRS_ALPHAREF] = static_cast<DWORD>(rng.Int(0, 255));
    rs[D3DRS_ZENABLE] = rng.Chance(0.8);
    rs[D3DRS_ZWRITEENABLE] = rng.Chance(0.6);
    rs[D3DRS_ZFUNC] = rng.Chance(0.7) ? D3DCMP_LESSEQUAL : static_cast<DWORD>(rng.Int(1, 8));
    rs[D3DRS_SHADEMODE] = rng.Chance(0.2) ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
    rs[D3DRS_CULLMODE] = D3DCULL_NONE;
    rs[D3DRS_FOGENABLE] = rng.Chance(0.2);
    rs[D3DRS_FOGTABLEMODE] = static_cast<DWORD>(rng.Int(0, 3));
    rs[D3DRS_FOGCOLOR] = static_cast<DWORD>(rng.engine());
    rs[D3DRS_FOGSTART] = Bits(rng.Float(0.0f, 0.4f));
    rs[D3DRS_FOGEND] = Bits(rng.Float(0.5f, 1.0f));
    rs[D3DRS_FOGDENSITY] = Bits(rng.Float(0.5f, 3.0f));
    rs[D3DRS_COLORWRITEENABLE] = rng.Chance(0.9) ? 0xf : static_cast<DWORD>(rng.Int(0, 15));
    rs[D3DRS_POINTSPRITEENABLE] = rng.Chance(0.9);
    rs[D3DRS_POINTSIZE] = Bits(rng.Float(0.5f, 24.0f));
}

std::vector<Texture> MakeBumpTextures() {
    const D3DFORMAT formats[] = {D3DFMT_V8U8, D3DFMT_L6V5U5, D3DFMT_X8L8V8U8};
    std::vector<Texture> out;
    for (int i = 0; i < 3; ++i)
        out.emplace_back(formats[i], 8 + 4 * i, 8, 1, [](UINT, UINT x, UINT y) { return (x * 0x9e3779b1u) ^ (y * 0x7f4a7c15u); });
    return out;
}

// Moves stage 0 to stage 1 and puts a random bump stage in front of it, as the bump draws do;
// stage 1 mostly gives the texture or its product with the diffuse colour, as theirs does.
void AddBumpStage(Rng& rng, PipelineState& s, const std::vector<Texture>& textures, const std::vector<Texture>& bumps) {
    std::copy(std::begin(s.stageStates[0]), std::end(s.stageStates[0]), s.stageStates[1]);
    s.textures[1] = s.textures[0];
    if (rng.Chance(0.7)) {
        DWORD* t = s.stageStates[1];
        t[D3DTSS_COLOROP] = rng.Chance(0.5) ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = rng.Chance(0.5) ? D3DTA_DIFFUSE : D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = rng.Chance(0.5) ? D3DTOP_DISABLE : D3DTOP_SELECTARG1;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s.textures[1] = AnyOf(rng, textures);
    }
    DWORD* b = s.stageStates[0];
    b[D3DTSS_COLOROP] = rng.Chance(0.5) ? D3DTOP_BUMPENVMAP : D3DTOP_BUMPENVMAPLUMINANCE;
    b[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    for (const D3DTEXTURESTAGESTATETYPE m : {D3DTSS_BUMPENVMAT00, D3DTSS_BUMPENVMAT01, D3DTSS_BUMPENVMAT10, D3DTSS_BUMPENVMAT11})
        b[m] = Bits(rng.Float(-0.4f, 0.4f));
    const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR, D3DTADDRESS_BORDER};
    b[D3DTSS_ADDRESSU] = rng.Pick(address);
    b[D3DTSS_ADDRESSV] = rng.Pick(address);
    b[D3DTSS_BUMPENVLSCALE] = Bits(rng.Float(0.0f, 1.2f));
    b[D3DTSS_BUMPENVLOFFSET] = Bits(rng.Float(-0.5f, 0.5f));
    s.textures[0] = &bumps[static_cast<std::size_t>(rng.Int(0, 2))].data;
    // Point sprites with a bump stage stay on the general path; mostly draw without them.
    if (rng.Chance(0.8)) s.renderStates[D3DRS_POINTSPRITEENABLE] = FALSE;
}

// Moves the stages up by one and puts in front a stage that selects its texture, as the
// bumped sphere's first stage does; the last stage mostly adds its texture to or multiplies
// it by that current colour, with the same filter.
void AddBaseStage(Rng& rng, PipelineState& s, const std::vector<Texture>& textures) {
    UINT last = 0;
    while (last + 1 < 2 && s.stageStates[last + 1][D3DTSS_COLOROP] != D3DTOP_DISABLE) ++last;
    for (UINT i = last + 1; i > 0; --i) {
        std::copy(std::begin(s.stageStates[i - 1]), std::end(s.stageStates[i - 1]), s.stageStates[i]);
        s.textures[i] = s.textures[i - 1];
    }
    ++last;
    DWORD* t = s.stageStates[last];
    if (rng.Chance(0.7)) {
        const DWORD ops[] = {D3DTOP_ADD, D3DTOP_ADD, D3DTOP_MODULATE, D3DTOP_SELECTARG1};
        const bool textureFirst = rng.Chance(0.7);
        t[D3DTSS_COLOROP] = rng.Pick(ops);
        t[D3DTSS_COLORARG1] = textureFirst ? D3DTA_TEXTURE : D3DTA_CURRENT;
        t[D3DTSS_COLORARG2] = textureFirst ? D3DTA_CURRENT : D3DTA_TEXTURE;
        const DWORD alphaOps[] = {D3DTOP_DISABLE, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE, D3DTOP_ADD};
        t[D3DTSS_ALPHAOP] = rng.Pick(alphaOps);
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = rng.Chance(0.8) ? D3DTA_CURRENT : D3DTA_DIFFUSE;
        s.textures[last] = AnyOf(rng, textures);
    }
    DWORD* b = s.stageStates[0];
    b[D3DTSS_COLOROP] = rng.Chance(0.5) ? D3DTOP_SELECTARG1 : D3DTOP_SELECTARG2;
    b[D3DTSS_COLORARG1] = b[D3DTSS_COLORARG2] = D3DTA_TEXTURE;
    b[D3DTSS_ALPHAOP] = rng.Chance(0.9) ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    b[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    b[D3DTSS_MAGFILTER] = b[D3DTSS_MINFILTER] = rng.Chance(0.8) ? t[D3DTSS_MAGFILTER] : static_cast<DWORD>(rng.Int(1, 2));
    b[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    s.textures[0] = AnyOf(rng, textures);
    if (rng.Chance(0.8)) s.renderStates[D3DRS_POINTSPRITEENABLE] = FALSE;
}

// The state classes the production draws most: a 32-bit or R5G6B5 texture (power-of-two
// sizes or not) sampled from one level, instead of or times the diffuse colour, addressed
// mostly by wrap or clamp, with RandomState's filters, blending, depth, fog and shading.
void RandomSimpleState(Rng& rng, PipelineState& s, const std::vector<Texture>& textures) {
    RandomState(rng, s, textures);
    const DWORD ops[] = {D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE};
    DWORD* ss = s.stageStates[0];
    ss[D3DTSS_COLOROP] = rng.Pick(ops);
    ss[D3DTSS_ALPHAOP] = rng.Pick(ops);
    ss[D3DTSS_COLORARG1] = ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_COLORARG2] = ss[D3DTSS_ALPHAARG2] = rng.Chance(0.5) ? D3DTA_DIFFUSE : D3DTA_CURRENT;
    ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR};
    ss[D3DTSS_ADDRESSU] = rng.Pick(address);
    ss[D3DTSS_ADDRESSV] = rng.Pick(address);
    s.textures[0] = AnyOf(rng, textures);
    s.stageStates[1][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    s.textures[1] = nullptr;
    s.renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
}

std::vector<Texture> MakeSimpleTextures() {
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
    const UINT sizes[][2] = {{16, 16}, {32, 8}, {6, 10}, {8, 16}};
    std::vector<Texture> out;
    for (int i = 0; i < 4; ++i)
        out.emplace_back(formats[i], sizes[i][0], sizes[i][1], 1, [i](UINT, UINT x, UINT y) {
            if ((x / 3 + y / 2) % 4 == 0) return D3DCOLOR{0};
            return static_cast<D3DCOLOR>((x * 0x2c1b3c6du + y * 0x297a2d39u) ^ (i * 0x85ebca6bu));
        });
    return out;
}

// Random draws over a width x height canvas (vertices up to 6 pixels beyond it): every
// pixel function, in each build of the pixel loops (AVX2 where the processor has it, and the
// x86-64 baseline), draws the bytes of the general path's widest build.
// The states a run draws with.
enum class States {
    Any,     // RandomState, some with a bump stage or a base stage in front
    Simple,  // RandomSimpleState, some with a bump stage or a base stage in front
    Bumped,  // RandomSimpleState behind a bump stage of signed bytes, wrapped or clamped, half with a base stage
};

// The bumped states as the production draws them (the background, the sphere), addressed
// as the lanes address without a lane at a time: wrapped or clamped.
void RandomBumpedState(Rng& rng, PipelineState& s, const std::vector<Texture>& textures, const std::vector<Texture>& bumps) {
    RandomSimpleState(rng, s, textures);
    AddBumpStage(rng, s, textures, bumps);
    if (s.textures[0] == &bumps[1].data) s.textures[0] = &bumps[0].data;  // not L6V5U5
    if (rng.Chance(0.5)) AddBaseStage(rng, s, textures);
    const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP};
    for (UINT i = 0; i < 3; ++i) {
        s.stageStates[i][D3DTSS_ADDRESSU] = rng.Pick(address);
        s.stageStates[i][D3DTSS_ADDRESSV] = rng.Pick(address);
    }
}

void ExpectSpecialisedPathsDrawTheGeneralBytes(UINT width, UINT height, int draws, unsigned seed, States states = States::Any) {
    const bool simpleOnly = states != States::Any;
    const D3DFORMAT targets[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
    const std::vector<Texture> textures = simpleOnly ? MakeSimpleTextures() : MakeTextures(), bumps = MakeBumpTextures();
    Rng rng(seed);
    const float right = static_cast<float>(width) + 6, bottom = static_cast<float>(height) + 6;
    for (const D3DFORMAT format : targets) {
        Canvas general(width, height, format, true, RefPixelPaths::General, RefInstructions::Widest);
        Canvas generalBaseline(width, height, format, true, RefPixelPaths::General, RefInstructions::Baseline);
        Canvas fast(width, height, format, true, RefPixelPaths::Specialised, RefInstructions::Widest);
        Canvas fastAvx2(width, height, format, true, RefPixelPaths::Specialised, RefInstructions::Avx2);
        Canvas fastBaseline(width, height, format, true, RefPixelPaths::Specialised, RefInstructions::Baseline);
        Canvas fastScalar(width, height, format, true, RefPixelPaths::Specialised, RefInstructions::Scalar);
        Canvas* const canvases[] = {&general, &generalBaseline, &fast, &fastAvx2, &fastBaseline, &fastScalar};
        for (int draw = 0; draw < draws; ++draw) {
            SCOPED_TRACE("target format " + std::to_string(format) + ", draw " + std::to_string(draw));
            if (draw % 10 == 0) {
                const D3DCOLOR c = static_cast<D3DCOLOR>(rng.engine());
                for (Canvas* canvas : canvases) canvas->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f);
            }
            PipelineState s = DefaultState(width, height);
            if (states == States::Bumped) {
                RandomBumpedState(rng, s, textures, bumps);
            } else {
                if (simpleOnly)
                    RandomSimpleState(rng, s, textures);
                else
                    RandomState(rng, s, textures);
                if (rng.Chance(0.3)) AddBumpStage(rng, s, textures, bumps);
                if (rng.Chance(0.2)) AddBaseStage(rng, s, textures);
            }
            std::vector<TLVertex> v;
            const bool points = rng.Chance(0.4);
            for (int i = 0; i < (points ? 12 : 6); ++i)
                v.push_back({rng.Float(-6, right), rng.Float(-6, bottom), rng.Float(0, 1), rng.Float(0.2f, 2.0f),
                             static_cast<D3DCOLOR>(rng.engine()), rng.Float(-1.5f, 2.5f),
                             rng.Chance(0.02) ? 3e9f : rng.Float(-1.5f, 2.5f)});  // or beyond any texel
            for (Canvas* canvas : canvases) {
                canvas->state = s;
                canvas->Draw(points ? D3DPT_POINTLIST : D3DPT_TRIANGLELIST, points ? 12 : 2, v, kTLFvf);
            }
            const std::pair<const char*, const Canvas*> others[] = {
                {"general, baseline", &generalBaseline},
                {"specialised", &fast},
                {"specialised, at most AVX2", &fastAvx2},
                {"specialised, baseline", &fastBaseline},
                {"specialised, one lane", &fastScalar}};
            for (const auto& [name, other] : others) {
                ASSERT_EQ(other->ColorBytes(), general.ColorBytes()) << name;
                ASSERT_EQ(other->DepthValues(), general.DepthValues()) << name;
            }
        }
    }
}

// Stage 0: the texture's colour times the diffuse colour, alpha from `alphaFrom`.
void TextureTimesDiffuse(PipelineState& s, const TextureData& texture, DWORD alphaFrom, DWORD filter) {
    DWORD* ss = s.stageStates[0];
    ss[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    ss[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    ss[D3DTSS_ALPHAARG1] = alphaFrom;
    ss[D3DTSS_MAGFILTER] = ss[D3DTSS_MINFILTER] = filter;
    s.textures[0] = &texture;
}

// A canvas on the general path and one on the specialised paths of each instruction set the
// build can draw with, to draw the same on all and compare.
struct EveryPath {
    static constexpr const char* kNames = "widest, at most AVX2, baseline, one lane: ";

    EveryPath(UINT width, UINT height, bool withDepth)
        : general(width, height, D3DFMT_A8R8G8B8, withDepth, RefPixelPaths::General, RefInstructions::Widest) {
        for (const RefInstructions isa : {RefInstructions::Widest, RefInstructions::Avx2, RefInstructions::Baseline, RefInstructions::Scalar})
            fast.push_back(std::make_unique<Canvas>(width, height, D3DFMT_A8R8G8B8, withDepth, RefPixelPaths::Specialised, isa));
    }
    std::vector<Canvas*> All() {
        std::vector<Canvas*> all{&general};
        for (const std::unique_ptr<Canvas>& c : fast) all.push_back(c.get());
        return all;
    }

    Canvas general;
    std::vector<std::unique_ptr<Canvas>> fast;
};

// Small draws: many short rows, their ends and single pixels.
TEST(RefPixelPaths, SpecialisedPathsDrawTheBytesOfTheGeneralPath) { ExpectSpecialisedPathsDrawTheGeneralBytes(40, 36, 300, 17); }

// Large draws: long rows, which the lane loops draw four or eight pixels at a time.
TEST(RefPixelPaths, SpecialisedPathsDrawTheBytesOfTheGeneralPathOnLongRows) {
    ExpectSpecialisedPathsDrawTheGeneralBytes(160, 96, 200, 29);
}

// Large draws of the simple state classes alone, which the production draws most.
TEST(RefPixelPaths, SimpleStatesDrawTheBytesOfTheGeneralPathOnLongRows) {
    ExpectSpecialisedPathsDrawTheGeneralBytes(160, 96, 200, 31, States::Simple);
}

// Large draws of the bumped classes: a texture behind a bump stage, after a stage selecting
// another texture or not.
TEST(RefPixelPaths, BumpedStatesDrawTheBytesOfTheGeneralPathOnLongRows) {
    ExpectSpecialisedPathsDrawTheGeneralBytes(160, 96, 200, 37, States::Bumped);
}

// Over a coloured target, a texture half of zero texels: the specialised loops leave those
// pixels alone where the blend keeps them (every channel from the texture, no fog, not
// Replace), and must give the general path's bytes in every case, sprites included.
TEST(RefPixelPaths, ZeroTexelsGiveTheBytesOfTheGeneralPath) {
    const Texture half(D3DFMT_A8R8G8B8, 8, 8, 1, [](UINT, UINT x, UINT) { return x < 4 ? D3DCOLOR{0} : 0x80402010u; });
    const DWORD blends[][3] = {{FALSE, D3DBLEND_ONE, D3DBLEND_ZERO},
                               {TRUE, D3DBLEND_ONE, D3DBLEND_ONE},
                               {TRUE, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                               {TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}};
    for (const auto& blend : blends)
        for (const bool fog : {false, true})
            for (const DWORD alphaFrom : {D3DTA_TEXTURE, D3DTA_DIFFUSE})
                for (const DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
                    for (const bool sprite : {false, true}) {
                        SCOPED_TRACE(::testing::Message() << "blend " << blend[0] << blend[1] << blend[2] << ", fog " << fog
                                                          << ", alpha from " << alphaFrom << ", filter " << filter
                                                          << (sprite ? ", sprite" : ", quad"));
                        Canvas general(16, 16, D3DFMT_A8R8G8B8, true, RefPixelPaths::General);
                        Canvas fast(16, 16, D3DFMT_A8R8G8B8, true, RefPixelPaths::Specialised);
                        for (Canvas* c : {&general, &fast}) {
                            c->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x60a0c0e0);
                            TextureTimesDiffuse(c->state, half.data, alphaFrom, filter);
                            DWORD* rs = c->state.renderStates;
                            rs[D3DRS_ALPHABLENDENABLE] = blend[0];
                            rs[D3DRS_SRCBLEND] = blend[1];
                            rs[D3DRS_DESTBLEND] = blend[2];
                            rs[D3DRS_FOGENABLE] = fog;
                            rs[D3DRS_FOGTABLEMODE] = D3DFOG_LINEAR;
                            rs[D3DRS_FOGSTART] = Bits(0.0f);
                            rs[D3DRS_FOGEND] = Bits(1.0f);
                            rs[D3DRS_FOGCOLOR] = 0x00ff0000;
                            if (sprite) {
                                rs[D3DRS_POINTSPRITEENABLE] = TRUE;
                                rs[D3DRS_POINTSIZE] = Bits(14.0f);
                                c->Draw(D3DPT_POINTLIST, 1, std::vector<TLVertex>{{8, 8, 0.5f, 1, 0xc0ffffff, 0, 0}}, kTLFvf);
                            } else {
                                c->DrawRect(0, 0, 16, 16, 0xc0ffffff);
                            }
                        }
                        EXPECT_EQ(fast.ColorBytes(), general.ColorBytes());
                    }
}

// Long rows whose texture coordinates, colours, 1/w and depth cross zero and powers of two,
// some by steps far below their values' units: the widest loops take a block's values from a
// ramp only where one addition per lane proves it gives the general loop's bits, and add the
// steps up one at a time elsewhere. Both must give the general path's colours and depths.
TEST(RefPixelPaths, RowsWhoseValuesCrossPowersOfTwoGiveTheBytesOfTheGeneralPath) {
    struct Stretch {
        float u0, u1, rhw0, rhw1, z0, z1;
    };
    const Stretch stretches[] = {
        {-3.0f, 5.0f, 0.25f, 4.0f, 0.0f, 1.0f},         // across zero and several powers of two
        {0.49f, 0.51f, 1.0f, 1.0f, 0.4999f, 0.5001f},   // steps far below their units, across 0.5
        {1000.0f, 1000.5f, 0.5f, 0.51f, 0.9f, 0.99f},   // large values, small steps
        {2.0f, -2.0f, 3.0f, 0.3f, 1.0f, 0.0f},          // falling
    };
    const std::vector<Texture> textures = MakeSimpleTextures();
    constexpr UINT kWide = 203, kHigh = 12;
    EveryPath paths(kWide, kHigh, true);
    for (const Stretch& r : stretches)
        for (const DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
            for (const Texture* texture : {&textures[0], &textures[2]}) {
                SCOPED_TRACE(::testing::Message() << "u " << r.u0 << " to " << r.u1 << ", filter " << filter << ", texture "
                                                  << texture->data.levels[0].width << " wide");
                const float right = static_cast<float>(kWide), bottom = static_cast<float>(kHigh);
                const std::vector<TLVertex> quad = {{-0.5f, -0.5f, r.z0, r.rhw0, 0x00ff8000u, r.u0, r.u0 * 0.25f},
                                                    {right, -0.5f, r.z1, r.rhw1, 0xff00ff7fu, r.u1, r.u0 * 0.25f + 0.001f},
                                                    {-0.5f, bottom, r.z0, r.rhw0, 0x80808080u, r.u0, r.u1},
                                                    {right, bottom, r.z1, r.rhw1, 0x7f0000ffu, r.u1, r.u1 + 0.5f}};
                for (Canvas* c : paths.All()) {
                    c->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x20406080);
                    TextureTimesDiffuse(c->state, texture->data, D3DTA_DIFFUSE, filter);
                    c->Draw(D3DPT_TRIANGLESTRIP, 2, quad, kTLFvf);
                }
                for (std::size_t i = 0; i < paths.fast.size(); ++i) {
                    ASSERT_EQ(paths.fast[i]->ColorBytes(), paths.general.ColorBytes()) << EveryPath::kNames << i;
                    ASSERT_EQ(paths.fast[i]->DepthValues(), paths.general.DepthValues()) << EveryPath::kNames << i;
                }
            }
}

// Bilinear sprites magnified and minified over textures of several widths, wrapped and
// clamped, at every place of a row: a block of lanes reads its texels from a window of
// neighbouring columns where they fit one (of up to twice the lanes), a texel at a time
// where a tap wraps or they spread further, and must give the general path's bytes in both.
TEST(RefPixelPaths, SpritesReadingNeighbouringTexelsGiveTheBytesOfTheGeneralPath) {
    const UINT widths[] = {4, 16, 24, 64};
    std::vector<Texture> textures;
    for (const UINT w : widths)
        textures.emplace_back(D3DFMT_A8R8G8B8, w, 8, 1, [](UINT, UINT x, UINT y) { return 0x01000000u * (x * 7 + 1) + y * 0x030507u + x * 0x100u; });
    constexpr UINT kSize = 96;
    EveryPath paths(kSize, kSize, false);
    for (const Texture& texture : textures)
        for (const DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP})
            for (const float size : {3.0f, 9.5f, 17.0f, 29.0f, 30.5f, 33.0f, 40.0f, 90.0f}) {
                SCOPED_TRACE(::testing::Message() << "texture " << texture.data.levels[0].width << " wide, address " << address
                                                  << ", size " << size);
                for (Canvas* c : paths.All()) {
                    c->Clear(D3DCLEAR_TARGET, 0x20406080);
                    TextureTimesDiffuse(c->state, texture.data, D3DTA_TEXTURE, D3DTEXF_LINEAR);
                    c->state.stageStates[0][D3DTSS_ADDRESSU] = c->state.stageStates[0][D3DTSS_ADDRESSV] = address;
                    DWORD* rs = c->state.renderStates;
                    rs[D3DRS_ALPHABLENDENABLE] = TRUE;
                    rs[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                    rs[D3DRS_DESTBLEND] = D3DBLEND_ONE;
                    rs[D3DRS_POINTSPRITEENABLE] = TRUE;
                    rs[D3DRS_POINTSIZE] = Bits(size);
                    std::vector<TLVertex> points;  // left edges at every place of a block of lanes
                    for (int i = 0; i < 17; ++i)
                        points.push_back({static_cast<float>(i * 5 % 80) + 0.3f * static_cast<float>(i), static_cast<float>(i * 5),
                                          0.5f, 1, 0xffc08040u - static_cast<D3DCOLOR>(i), 0, 0});
                    c->Draw(D3DPT_POINTLIST, static_cast<UINT>(points.size()), points, kTLFvf);
                }
                for (std::size_t i = 0; i < paths.fast.size(); ++i)
                    ASSERT_EQ(paths.fast[i]->ColorBytes(), paths.general.ColorBytes()) << EveryPath::kNames << i;
            }
}

}  // namespace
