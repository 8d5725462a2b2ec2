// The device model's own cost per call, over a rasterizer that draws nothing: what the
// production pays for state changes, state blocks, discard locks and draw dispatch.
#include "platform/d3d8.h"
#include "platform/d3d8/backend.h"
#include "platform/d3d8/testing.h"

#include <benchmark/benchmark.h>

namespace {

class NullDevice {
public:
    NullDevice() {
        previous_ = d3d8::testing::SetRasterizerFactory([](D3DDEVTYPE) { return d3d8::CreateNullRasterizer(); });
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        d3d_->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    }
    ~NullDevice() {
        device->Release();
        d3d_->Release();
        d3d8::testing::SetRasterizerFactory(previous_);
    }
    IDirect3DDevice8* device = nullptr;

private:
    IDirect3D8* d3d_ = nullptr;
    d3d8::testing::RasterizerFactory previous_;
};

void BM_SetRenderState(benchmark::State& state) {
    NullDevice d;
    DWORD v = 0;
    for (auto _ : state) {
        d.device->SetRenderState(D3DRS_ALPHABLENDENABLE, v & 1);
        d.device->SetTextureStageState(1, D3DTSS_COLOROP, (v & 1) ? D3DTOP_MODULATE : D3DTOP_DISABLE);
        ++v;
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_SetRenderState);

// The bitmap font's pattern per text: capture the caller's states, apply the text states,
// restore the caller's.
void BM_StateBlockSaveApplyRestore(benchmark::State& state) {
    NullDevice d;
    IDirect3DTexture8* tex = nullptr;
    d.device->CreateTexture(256, 256, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex);
    DWORD saved = 0, text = 0;
    for (DWORD* block : {&saved, &text}) {
        d.device->BeginStateBlock();
        d.device->SetTexture(0, tex);
        for (D3DRENDERSTATETYPE s : {D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE, D3DRS_ZENABLE, D3DRS_FOGENABLE,
                                     D3DRS_STENCILENABLE, D3DRS_CLIPPING, D3DRS_EDGEANTIALIAS})
            d.device->SetRenderState(s, FALSE);
        d.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        d.device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d.device->EndStateBlock(block);
    }
    for (auto _ : state) {
        d.device->CaptureStateBlock(saved);
        d.device->ApplyStateBlock(text);
        d.device->ApplyStateBlock(saved);
    }
    d.device->DeleteStateBlock(saved);
    d.device->DeleteStateBlock(text);
    d.device->SetTexture(0, nullptr);
    tex->Release();
}
BENCHMARK(BM_StateBlockSaveApplyRestore);

// A particle batch: discard lock of the 500-point buffer, unlock, draw.
void BM_DiscardLockAndDraw(benchmark::State& state) {
    NullDevice d;
    IDirect3DVertexBuffer8* vb = nullptr;
    d.device->CreateVertexBuffer(8000, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS,
                                 D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, &vb);
    d.device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    d.device->SetStreamSource(0, vb, 16);
    d.device->BeginScene();
    for (auto _ : state) {
        BYTE* p = nullptr;
        vb->Lock(0, 0, &p, D3DLOCK_DISCARD);
        benchmark::DoNotOptimize(p);
        vb->Unlock();
        d.device->DrawPrimitive(D3DPT_POINTLIST, 0, 500);
    }
    d.device->EndScene();
    d.device->SetStreamSource(0, nullptr, 0);
    vb->Release();
}
BENCHMARK(BM_DiscardLockAndDraw);

// An indexed mesh subset: the model checks every index against the vertex buffer.
void BM_IndexedDrawValidation(benchmark::State& state) {
    NullDevice d;
    const UINT vertices = 4096, triangles = static_cast<UINT>(state.range(0));
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    d.device->CreateVertexBuffer(vertices * 32, 0, 0x112, D3DPOOL_MANAGED, &vb);
    d.device->CreateIndexBuffer(triangles * 6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    BYTE* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    WORD* idx = reinterpret_cast<WORD*>(p);
    for (UINT i = 0; i < triangles * 3; ++i) idx[i] = static_cast<WORD>((i * 7) % vertices);
    ib->Unlock();
    d.device->SetVertexShader(0x112);
    d.device->SetStreamSource(0, vb, 32);
    d.device->SetIndices(ib, 0);
    d.device->BeginScene();
    for (auto _ : state) d.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertices, 0, triangles);
    d.device->EndScene();
    state.SetItemsProcessed(state.iterations() * triangles);
    d.device->SetStreamSource(0, nullptr, 0);
    d.device->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}
BENCHMARK(BM_IndexedDrawValidation)->Arg(100)->Arg(5000);

}  // namespace
