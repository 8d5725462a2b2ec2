// Speed of the REF rasterizer: fill rate (pixels per second) for the production's common
// pixel paths, and triangle and point-sprite throughput. Targets are 640 x 480.
#include "bench/common/sphere_mesh.h"
#include "tests/d3d8_ref/ref_test_util.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace reftest;

namespace {

constexpr UINT kW = 640, kH = 480;

void FullScreenQuads(benchmark::State& bench, Canvas& c, int layers) {
    for (auto _ : bench) {
        for (int i = 0; i < layers; ++i) c.DrawRect(0, 0, kW, kH, 0x80ff8040, 0.5f, 0, 0, 3, 2);
        benchmark::DoNotOptimize(c.Pixel(1, 1));
    }
    bench.SetItemsProcessed(bench.iterations() * layers * static_cast<int64_t>(kW) * kH);
    bench.SetLabel("items = pixels");
}

Texture& Checker() {
    static Texture t(D3DFMT_X8R8G8B8, 256, 256, 9, [](UINT l, UINT x, UINT y) {
        return ((x >> (4 - std::min(l, 4u))) ^ (y >> (4 - std::min(l, 4u)))) & 1 ? 0xffe0e0e0u : 0xff202040u;
    });
    return t;
}

void BM_FillFlatColour(benchmark::State& bench) {
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, false);
    UseDiffuseOnly(c.state);
    FullScreenQuads(bench, c, 4);
}
BENCHMARK(BM_FillFlatColour);

void BM_FillTexturedBilinearDepth(benchmark::State& bench) {
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, true);
    c.state.textures[0] = &Checker().data;
    c.state.stageStates[0][D3DTSS_MAGFILTER] = D3DTEXF_LINEAR;
    c.state.stageStates[0][D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    c.state.renderStates[D3DRS_ZFUNC] = D3DCMP_ALWAYS;
    FullScreenQuads(bench, c, 4);
}
BENCHMARK(BM_FillTexturedBilinearDepth);

void BM_FillTexturedAlphaBlend(benchmark::State& bench) {
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, false);
    c.state.textures[0] = &Checker().data;
    c.state.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    c.state.renderStates[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    c.state.renderStates[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    c.state.stageStates[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    c.state.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
    FullScreenQuads(bench, c, 4);
}
BENCHMARK(BM_FillTexturedAlphaBlend);

void BM_FillBumpEnvMap(benchmark::State& bench) {
    // The background of the bump scene: bump stage, then a bilinear texture, mipmapped.
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, false);
    static Texture bump(D3DFMT_V8U8, 256, 256, 1, [](UINT, UINT x, UINT y) {
        const float a = 4 * 3.14159265f * (x / 256.0f + y / 256.0f - 1);
        return static_cast<DWORD>(V8U8FromBump(0.5f * std::cos(a), 0.5f * std::sin(a)));
    });
    c.state.textures[0] = &bump.data;
    c.state.textures[1] = &Checker().data;
    DWORD* s0 = c.state.stageStates[0];
    s0[D3DTSS_COLOROP] = D3DTOP_BUMPENVMAP;
    s0[D3DTSS_ALPHAOP] = D3DTOP_DISABLE;
    s0[D3DTSS_BUMPENVMAT00] = s0[D3DTSS_BUMPENVMAT11] = Bits(0.01f);
    DWORD* s1 = c.state.stageStates[1];
    s1[D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s1[D3DTSS_TEXCOORDINDEX] = 0;
    s1[D3DTSS_MAGFILTER] = s1[D3DTSS_MINFILTER] = D3DTEXF_LINEAR;
    s1[D3DTSS_MIPFILTER] = D3DTEXF_POINT;
    FullScreenQuads(bench, c, 2);
}
BENCHMARK(BM_FillBumpEnvMap);

// A lit, textured sphere of many small triangles, drawn with perspective.
void BM_TrianglesLitSphere(benchmark::State& bench) {
    const SphereMesh mesh = MakeSphereMesh(64, 128);
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, true);
    c.state.projection = PerspectiveFov(0.8f, 4.0f / 3, 1, 100);
    c.state.world = Identity();
    c.state.world._43 = 3;
    c.state.renderStates[D3DRS_LIGHTING] = TRUE;
    c.state.material.Diffuse = {1, 1, 1, 1};
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {1, 1, 1, 1};
    l.Position = {2, 2, -2};
    l.Range = 100;
    l.Attenuation0 = 1;
    c.state.lights[0] = l;
    c.state.lightCount = 1;
    c.state.textures[0] = &Checker().data;
    const UINT tris = mesh.Triangles();
    for (auto _ : bench) {
        c.Clear(D3DCLEAR_ZBUFFER, 0);
        c.DrawIndexed(D3DPT_TRIANGLELIST, tris, mesh.vertices, mesh.indices, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    }
    bench.SetItemsProcessed(bench.iterations() * tris);
    bench.SetLabel("items = triangles (half culled)");
}
BENCHMARK(BM_TrianglesLitSphere);

void BM_PointSprites(benchmark::State& bench) {
    Canvas c(kW, kH, D3DFMT_X8R8G8B8, true);
    std::vector<ColorVertex> pts;
    for (int i = 0; i < 2000; ++i) {
        const float a = i * 0.7f, r = 2 + (i % 50) * 0.1f;
        pts.push_back({r * std::cos(a), r * std::sin(a), 10.0f + static_cast<float>(i % 30), 0xff402010, 0, 0});
    }
    c.state.projection = PerspectiveFov(0.8f, 4.0f / 3, 1, 100);
    UseDiffuseOnly(c.state);
    c.state.renderStates[D3DRS_ZWRITEENABLE] = FALSE;
    c.state.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    c.state.renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    c.state.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    c.state.renderStates[D3DRS_POINTSIZE] = Bits(0.3f);
    c.state.renderStates[D3DRS_POINTSCALE_A] = Bits(0);
    c.state.renderStates[D3DRS_POINTSCALE_C] = Bits(1);
    for (auto _ : bench) c.Draw(D3DPT_POINTLIST, static_cast<UINT>(pts.size()), pts, kColorFvf);
    bench.SetItemsProcessed(bench.iterations() * static_cast<int64_t>(pts.size()));
    bench.SetLabel("items = sprites");
}
BENCHMARK(BM_PointSprites);

}  // namespace
