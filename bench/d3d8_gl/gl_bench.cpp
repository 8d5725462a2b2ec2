// The same scenes drawn by REF (argument 0) and HAL (argument 1, OpenGL; Mesa's llvmpipe on
// machines without a GPU): fill rate at 640 x 480 and 1920 x 1080, a lit sphere of small
// triangles, point sprites, and many small draws with a state change between them. Each
// iteration ends when the rasterizer has finished (HAL: glFinish), so OpenGL's deferred work
// is inside the timing.
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "bench/common/sphere_mesh.h"
#include "tests/d3d8_gl/scene.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace d3d8;

namespace {

struct Bench {
    Bench(benchmark::State& state, UINT width, UINT height, bool depth)
        : hal(state.range(0) == 1),
          color(D3DFMT_X8R8G8B8, width, height, 4),
          depthSurface(D3DFMT_D24X8, width, height, 4),
          targets{&color.data, depth ? &depthSurface.data : nullptr} {
        raster = hal ? CreateGlRasterizer() : CreateRefRasterizer();
        if (!raster) {
            state.SkipWithError("no OpenGL 3.3 core context here");
            return;
        }
        state.SetLabel(hal ? "HAL" : "REF");
        raster->Clear(targets, RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)},
                      D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    }
    void Finish() {
        if (hal) gl::Finish(*raster);
    }

    bool hal;
    scene::Surface color, depthSurface;
    RenderTargets targets;
    std::unique_ptr<Rasterizer> raster;
};

scene::Texture& Checker() {
    static scene::Texture t = [] {
        scene::Texture c(D3DFMT_X8R8G8B8, 256, 256, 9, 4);
        for (UINT l = 0; l < 9; ++l) {
            const UINT size = 256 >> l, shift = 4 - std::min(l, 4u);
            for (UINT y = 0; y < size; ++y)
                for (UINT x = 0; x < size; ++x) c.Set(l, x, y, ((x >> shift) ^ (y >> shift)) & 1 ? 0xffe0e0e0 : 0xff202040);
        }
        return c;
    }();
    return t;
}

void FullScreen(benchmark::State& state, UINT w, UINT h, bool depth, int layers,
                void (*setup)(PipelineState&)) {
    Bench b(state, w, h, depth);
    if (!b.raster) return;
    PipelineState s = scene::FlatColorState(w, h);
    setup(s);
    const auto quad = scene::Quad(0, 0, static_cast<float>(w), static_cast<float>(h), 0x80ff8040);
    auto v = quad;
    for (auto& p : v) p.u *= 3, p.v *= 2;
    const DrawCall call = scene::Call(D3DPT_TRIANGLELIST, 2, v);
    for (auto _ : state) {
        for (int i = 0; i < layers; ++i) b.raster->Draw(b.targets, s, call);
        b.Finish();
    }
    state.SetItemsProcessed(state.iterations() * layers * static_cast<int64_t>(w) * h);
}

void Flat(PipelineState&) {}

void TexturedBilinear(PipelineState& s) {
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    s.stageStates[0][D3DTSS_MAGFILTER] = s.stageStates[0][D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    s.textures[0] = &Checker().data;
    s.renderStates[D3DRS_ZFUNC] = D3DCMP_ALWAYS;
}

void TexturedAlphaBlend(PipelineState& s) {
    TexturedBilinear(s);
    s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
}

void BumpEnvMap(PipelineState& s) {
    static scene::Texture bump = [] {
        scene::Texture t(D3DFMT_V8U8, 256, 256, 1, 2);
        for (UINT y = 0; y < 256; ++y)
            for (UINT x = 0; x < 256; ++x) {
                const float a = 4 * 3.14159265f * (x / 256.0f + y / 256.0f - 1);
                t.Set(0, x, y, V8U8FromBump(0.5f * std::cos(a), 0.5f * std::sin(a)));
            }
        return t;
    }();
    s.textures[0] = &bump.data;
    s.textures[1] = &Checker().data;
    DWORD* s0 = s.stageStates[0];
    s0[D3DTSS_COLOROP] = D3DTOP_BUMPENVMAP;
    s0[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s0[D3DTSS_BUMPENVMAT00] = s0[D3DTSS_BUMPENVMAT11] = FloatToBits(0.01f);
    DWORD* s1 = s.stageStates[1];
    s1[D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s1[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s1[D3DTSS_TEXCOORDINDEX] = 0;
    s1[D3DTSS_MAGFILTER] = s1[D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    s1[D3DTSS_MIPFILTER] = D3DTEXF_POINT;
}

void BM_FillFlat640(benchmark::State& s) { FullScreen(s, 640, 480, false, 4, Flat); }
void BM_FillTexturedBilinear640(benchmark::State& s) { FullScreen(s, 640, 480, true, 4, TexturedBilinear); }
void BM_FillTexturedAlphaBlend640(benchmark::State& s) { FullScreen(s, 640, 480, false, 4, TexturedAlphaBlend); }
void BM_FillBumpEnvMap640(benchmark::State& s) { FullScreen(s, 640, 480, false, 2, BumpEnvMap); }
void BM_FillTexturedAlphaBlend1080p(benchmark::State& s) { FullScreen(s, 1920, 1080, false, 4, TexturedAlphaBlend); }
BENCHMARK(BM_FillFlat640)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillTexturedBilinear640)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillTexturedAlphaBlend640)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillBumpEnvMap640)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillTexturedAlphaBlend1080p)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A lit, textured sphere of 16384 small triangles with perspective, indexed.
void BM_TrianglesLitSphere(benchmark::State& state) {
    const SphereMesh mesh = MakeSphereMesh(64, 128);
    Bench b(state, 640, 480, true);
    if (!b.raster) return;
    PipelineState s = scene::DefaultState(640, 480);
    s.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    s.projection = scene::PerspectiveFovLH(0.8f, 4.0f / 3, 1, 100);
    s.world._43 = 3;
    s.material.Diffuse = {1, 1, 1, 1};
    s.lights[0].Type = D3DLIGHT_POINT;
    s.lights[0].Diffuse = {1, 1, 1, 1};
    s.lights[0].Position = {2, 2, -2};
    s.lights[0].Range = 100;
    s.lights[0].Attenuation0 = 1;
    s.lightCount = 1;
    s.textures[0] = &Checker().data;
    DrawCall call = scene::Call(D3DPT_TRIANGLELIST, mesh.Triangles(), mesh.vertices);
    call.indices = reinterpret_cast<const BYTE*>(mesh.indices.data());
    for (auto _ : state) {
        b.raster->Clear(b.targets, RECT{0, 0, 640, 480}, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        b.raster->Draw(b.targets, s, call);
        b.Finish();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mesh.Triangles()));
}
BENCHMARK(BM_TrianglesLitSphere)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 2000 additive point sprites scaled by distance, as the particle systems draw them.
void BM_PointSprites(benchmark::State& state) {
    Bench b(state, 640, 480, true);
    if (!b.raster) return;
    std::vector<scene::LVertex> pts;
    for (int i = 0; i < 2000; ++i) {
        const float a = i * 0.7f, r = 2 + (i % 50) * 0.1f;
        pts.push_back({r * std::cos(a), r * std::sin(a), 10.0f + static_cast<float>(i % 30), 0xff402010, 0, 0});
    }
    PipelineState s = scene::FlatColorState(640, 480);
    s.fvf = scene::kLFvf;
    s.projection = scene::PerspectiveFovLH(0.8f, 4.0f / 3, 1, 100);
    s.renderStates[D3DRS_ZWRITEENABLE] = FALSE;
    s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    s.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    s.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    s.renderStates[D3DRS_POINTSIZE] = FloatToBits(0.3f);
    s.renderStates[D3DRS_POINTSCALE_A] = FloatToBits(0);
    s.renderStates[D3DRS_POINTSCALE_C] = FloatToBits(1);
    const DrawCall call = scene::Call(D3DPT_POINTLIST, static_cast<UINT>(pts.size()), pts);
    for (auto _ : state) {
        b.raster->Draw(b.targets, s, call);
        b.Finish();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.size()));
}
BENCHMARK(BM_PointSprites)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1000 small textured quads, each its own draw, with the texture factor changing between
// them: the cost of one draw call (state snapshot, key, uniforms, streaming).
void BM_SmallDraws(benchmark::State& state) {
    Bench b(state, 640, 480, true);
    if (!b.raster) return;
    PipelineState s = scene::FlatColorState(640, 480);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR;
    s.textures[0] = &Checker().data;
    std::vector<std::vector<scene::TlVertex>> quads;
    for (int i = 0; i < 1000; ++i) {
        const float x = static_cast<float>((i * 37) % 620), y = static_cast<float>((i * 53) % 460);
        quads.push_back(scene::Quad(x, y, x + 16, y + 16, 0xffffffff));
    }
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            s.renderStates[D3DRS_TEXTUREFACTOR] = 0xff000000u | static_cast<DWORD>(i * 2654435761u >> 8);
            b.raster->Draw(b.targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, quads[static_cast<size_t>(i)]));
        }
        b.Finish();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SmallDraws)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A frame like the production's: clear, a textured background, a lit textured sphere of
// 16384 triangles, 2000 additive sprites, an alpha-blended fade over everything, and the
// frame read back into memory (as presenting to a window or recording does). Items are frames.
void ProductionLikeFrame(benchmark::State& state, UINT w, UINT h) {
    Bench b(state, w, h, true);
    if (!b.raster) return;
    const RECT all{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
    PipelineState background = scene::FlatColorState(w, h);
    TexturedBilinear(background);
    auto bg = scene::Quad(0, 0, static_cast<float>(w), static_cast<float>(h), 0xff808080, 0.99f);
    PipelineState fade = background;
    TexturedAlphaBlend(fade);
    fade.renderStates[D3DRS_ZENABLE] = FALSE;
    auto fq = scene::Quad(0, 0, static_cast<float>(w), static_cast<float>(h), 0x40ffffff, 0.0f);

    const SphereMesh mesh = MakeSphereMesh(64, 128);
    PipelineState sphere = scene::DefaultState(w, h);
    sphere.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    sphere.projection = scene::PerspectiveFovLH(0.8f, static_cast<float>(w) / h, 1, 100);
    sphere.world._43 = 3;
    sphere.material.Diffuse = {1, 1, 1, 1};
    sphere.lights[0].Type = D3DLIGHT_POINT;
    sphere.lights[0].Diffuse = {1, 1, 1, 1};
    sphere.lights[0].Position = {2, 2, -2};
    sphere.lights[0].Range = 100;
    sphere.lights[0].Attenuation0 = 1;
    sphere.lightCount = 1;
    sphere.textures[0] = &Checker().data;
    DrawCall sphereCall = scene::Call(D3DPT_TRIANGLELIST, mesh.Triangles(), mesh.vertices);
    sphereCall.indices = reinterpret_cast<const BYTE*>(mesh.indices.data());

    std::vector<scene::LVertex> pts;
    for (int i = 0; i < 2000; ++i) {
        const float a = i * 0.7f, r = 0.5f + (i % 50) * 0.08f;
        pts.push_back({r * std::cos(a), r * std::sin(a), 4.0f + static_cast<float>(i % 30) * 0.3f, 0xff402010, 0, 0});
    }
    PipelineState sprites = scene::FlatColorState(w, h);
    sprites.fvf = scene::kLFvf;
    sprites.projection = sphere.projection;
    sprites.renderStates[D3DRS_ZWRITEENABLE] = FALSE;
    sprites.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    sprites.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    sprites.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    sprites.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    sprites.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    sprites.renderStates[D3DRS_POINTSIZE] = FloatToBits(0.05f);
    sprites.renderStates[D3DRS_POINTSCALE_A] = FloatToBits(0);
    sprites.renderStates[D3DRS_POINTSCALE_C] = FloatToBits(1);
    const DrawCall spriteCall = scene::Call(D3DPT_POINTLIST, static_cast<UINT>(pts.size()), pts);

    for (auto _ : state) {
        b.raster->Clear(b.targets, all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        b.raster->Draw(b.targets, background, scene::Call(D3DPT_TRIANGLELIST, 2, bg));
        b.raster->Draw(b.targets, sphere, sphereCall);
        b.raster->Draw(b.targets, sprites, spriteCall);
        b.raster->Draw(b.targets, fade, scene::Call(D3DPT_TRIANGLELIST, 2, fq));
        b.raster->ReadBack(b.color.data);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ProductionLikeFrame1024x768(benchmark::State& s) { ProductionLikeFrame(s, 1024, 768); }
void BM_ProductionLikeFrame1920x1080(benchmark::State& s) { ProductionLikeFrame(s, 1920, 1080); }
BENCHMARK(BM_ProductionLikeFrame1024x768)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProductionLikeFrame1920x1080)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
