// Costs of the font, the transitions and the flare: on the REF device with rasterizing off (our
// own code and the device's bookkeeping per call), and on the REF device at 640 x 480 (what a
// frame pays with the software rasterizer).
#include <benchmark/benchmark.h>

#include <string>

#include "effects/lens_flare.h"
#include "effects/transition.h"
#include "platform/d3d8/recording.h"
#include "render/texture_font.h"
#include "tests/render/golden_device.h"

namespace {

// The REF device with rasterizing off, inside a scene: draws are checked and recorded, no pixel
// is touched.
struct QuietDevice : test_support::RefDevice {
    QuietDevice() : RefDevice(640, 480) {
        if (!get()) return;
        d3d8::SetRasterizing(get(), false);
        get()->BeginScene();
    }
    ~QuietDevice() {
        if (get()) get()->EndScene();
    }
};

// The glyph texture: GDI rendering of 95 glyphs and the A4R4G4B4 conversion.
void BM_GlyphTexture(benchmark::State& state) {
    QuietDevice device;
    for (auto _ : state) {
        CTextureFont font("Arial", static_cast<DWORD>(state.range(0)), FONT_BOLD);
        benchmark::DoNotOptimize(font.CreateDeviceObjects(device.get()));
        font.DestroyDeviceObjects();
    }
}
BENCHMARK(BM_GlyphTexture)->Arg(9)->Arg(20)->Arg(48)->Unit(benchmark::kMillisecond);

// One line of text per call: state blocks, vertex generation, batches of 50 characters.
void BM_DrawText(benchmark::State& state) {
    QuietDevice device;
    CTextureFont font("Arial", 9, FONT_BOLD);
    font.CreateDeviceObjects(device.get());
    font.RebuildDeviceObjects();
    const std::string text(static_cast<size_t>(state.range(0)), 'x');
    for (auto _ : state) benchmark::DoNotOptimize(font.DrawText(10, 10, 0xFFFFFFFF, text.c_str()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawText)->Arg(20)->Arg(120);

void BM_LensFlare(benchmark::State& state) {
    QuietDevice device;
    CLensFlare flare;
    flare.RebuildDeviceObjects(device.get());
    for (int i = 0; i < 13; ++i) flare.AddSpot(nullptr, 0.1f, 1.0f - 0.2f * i, D3DXCOLOR(1, 0.5f, 0, 0.5f));
    int frame = 0;
    for (auto _ : state) benchmark::DoNotOptimize(flare.Render(frame++ % 800 - 80, 100, 640, 480, false));
}
BENCHMARK(BM_LensFlare);

void BM_DissolveRender(benchmark::State& state) {
    QuietDevice device;
    CDissolveTransition dissolve(device.get(), nullptr, nullptr);
    dissolve.SetDuration(5.0f);
    for (auto _ : state) {
        dissolve.Update(0.016f);
        dissolve.Render(D3DXMATRIX());
    }
}
BENCHMARK(BM_DissolveRender);

void BM_DrawTextRef(benchmark::State& state) {
    testimage::RefDevice device(640, 480);
    if (!device) {
        state.SkipWithError("no REF device");
        return;
    }
    CTextureFont font("Arial", 9, FONT_BOLD);
    font.CreateDeviceObjects(device.get());
    font.RebuildDeviceObjects();
    const std::string text(120, 'x');
    device->BeginScene();
    for (auto _ : state) benchmark::DoNotOptimize(font.DrawText(10, 10, 0xFFFFFFFF, text.c_str()));
    device->EndScene();
    font.ReleaseDeviceObjects();
    font.DestroyDeviceObjects();
}
BENCHMARK(BM_DrawTextRef)->Unit(benchmark::kMicrosecond);

// The full-screen dissolve: two passes over every pixel.
void BM_DissolveRef(benchmark::State& state) {
    testimage::RefDevice device(640, 480);
    if (!device) {
        state.SkipWithError("no REF device");
        return;
    }
    IDirect3DTexture8* from = testimage::MakeTexture(device.get(), 256, 256, [](UINT x, UINT y) { return 0xFF000000u | x << 16 | y; });
    IDirect3DTexture8* to = testimage::MakeTexture(device.get(), 256, 256, [](UINT x, UINT y) { return 0xFF000000u | y << 8 | x; });
    {
        CDissolveTransition dissolve(device.get(), from, to);
        dissolve.SetDuration(5.0f);
        dissolve.Update(2.0f);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->BeginScene();
        for (auto _ : state) dissolve.Render(identity);
        device->EndScene();
    }
    from->Release();
    to->Release();
}
BENCHMARK(BM_DissolveRef)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
