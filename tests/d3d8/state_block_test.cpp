// State blocks: recording collects exactly the states set, capture refreshes exactly
// those, apply restores exactly those.
#include "device_fixture.h"

namespace {

using d3d8test::Bits;
using d3d8test::DeviceTest;

using StateBlockTest = DeviceTest;

DWORD Rs(IDirect3DDevice8* d, D3DRENDERSTATETYPE s) {
    DWORD v = 0;
    d->GetRenderState(s, &v);
    return v;
}

DWORD Tss(IDirect3DDevice8* d, DWORD stage, D3DTEXTURESTAGESTATETYPE t) {
    DWORD v = 0;
    d->GetTextureStageState(stage, t, &v);
    return v;
}

TEST_F(StateBlockTest, RecordingDoesNotChangeTheDevice) {
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    DWORD token = 0;
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    EXPECT_NE(token, 0u);
    EXPECT_EQ(Rs(device, D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(Tss(device, 0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(Rs(device, D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(Tss(device, 0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_ADD));
    device->DeleteStateBlock(token);
}

// The bitmap font's pattern: record the same list twice, capture the caller's values in
// one, apply the other, draw, restore with the first.
TEST_F(StateBlockTest, SaveApplyRestoreTouchesOnlyTheRecordedStates) {
    IDirect3DTexture8* glyphs = nullptr;
    IDirect3DTexture8* callers = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &glyphs), D3D_OK);
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &callers), D3D_OK);
    DWORD saved = 0, text = 0;
    for (DWORD* block : {&saved, &text}) {
        device->BeginStateBlock();
        device->SetTexture(0, glyphs);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->EndStateBlock(block);
    }
    // The caller's state.
    device->SetTexture(0, callers);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);  // not in the blocks
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);

    ASSERT_EQ(device->CaptureStateBlock(saved), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(text), D3D_OK);
    EXPECT_EQ(Rs(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(Rs(device, D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(Tss(device, 1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, glyphs);
    bound->Release();
    // Drawing changes a filter in between, as the font does for filtered text.
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);

    ASSERT_EQ(device->ApplyStateBlock(saved), D3D_OK);
    EXPECT_EQ(Rs(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(Rs(device, D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(Rs(device, D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(Tss(device, 0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(Tss(device, 1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(Rs(device, D3DRS_FOGENABLE), static_cast<DWORD>(FALSE)) << "not recorded, so not restored";
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, callers);
    bound->Release();

    device->DeleteStateBlock(saved);
    device->DeleteStateBlock(text);
    glyphs->Release();
    callers->Release();
}

TEST_F(StateBlockTest, RecordsTransformsLightsMaterialViewportAndBindings) {
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 2.0f;
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, -1, 0};
    D3DMATERIAL8 mat{};
    mat.Ambient.g = 0.5f;
    const D3DVIEWPORT8 vp{1, 2, 3, 4, 0, 1};
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(64);

    device->BeginStateBlock();
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetLight(2, &light);
    device->LightEnable(2, TRUE);
    device->SetMaterial(&mat);
    device->SetViewport(&vp);
    device->SetVertexShader(D3DFVF_XYZ);
    device->SetStreamSource(0, vb, 12);
    DWORD token = 0;
    device->EndStateBlock(&token);
    D3DLIGHT8 got{};
    EXPECT_EQ(device->GetLight(2, &got), D3DERR_INVALIDCALL) << "recording does not create the light";

    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    D3DMATRIX m;
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(m._11, 2.0f);
    ASSERT_EQ(device->GetLight(2, &got), D3D_OK);
    EXPECT_EQ(got.Direction.y, -1.0f);
    BOOL on = FALSE;
    device->GetLightEnable(2, &on);
    EXPECT_TRUE(on);
    D3DMATERIAL8 gotMat{};
    device->GetMaterial(&gotMat);
    EXPECT_EQ(gotMat.Ambient.g, 0.5f);
    D3DVIEWPORT8 gotVp{};
    device->GetViewport(&gotVp);
    EXPECT_EQ(gotVp.Height, 4u);
    DWORD fvf = 0;
    device->GetVertexShader(&fvf);
    EXPECT_EQ(fvf, static_cast<DWORD>(D3DFVF_XYZ));
    IDirect3DVertexBuffer8* gotVb = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &gotVb, &stride);
    EXPECT_EQ(gotVb, vb);
    EXPECT_EQ(stride, 12u);
    gotVb->Release();

    // Capture takes the current values of the same states.
    device->LightEnable(2, FALSE);
    view._11 = 3.0f;
    device->SetTransform(D3DTS_VIEW, &view);
    device->CaptureStateBlock(token);
    device->LightEnable(2, TRUE);
    device->SetTransform(D3DTS_VIEW, &m);
    device->ApplyStateBlock(token);
    device->GetLightEnable(2, &on);
    EXPECT_FALSE(on);
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(m._11, 3.0f);

    device->DeleteStateBlock(token);
    vb->Release();
}

TEST_F(StateBlockTest, CreateStateBlockTypesCaptureTheirParts) {
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);  // pixel state
    device->SetRenderState(D3DRS_LIGHTING, FALSE);              // vertex state
    device->SetRenderState(D3DRS_FOGSTART, Bits(5.0f));         // both
    DWORD all = 0, pixel = 0, vertex = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex), D3D_OK);

    auto scramble = [&] {
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_FOGSTART, Bits(9.0f));
    };
    scramble();
    device->ApplyStateBlock(pixel);
    EXPECT_EQ(Rs(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_DESTCOLOR));
    EXPECT_EQ(Rs(device, D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    EXPECT_EQ(Rs(device, D3DRS_FOGSTART), Bits(5.0f));
    scramble();
    device->ApplyStateBlock(vertex);
    EXPECT_EQ(Rs(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_EQ(Rs(device, D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(Rs(device, D3DRS_FOGSTART), Bits(5.0f));
    scramble();
    device->ApplyStateBlock(all);
    EXPECT_EQ(Rs(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_DESTCOLOR));
    EXPECT_EQ(Rs(device, D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    for (DWORD t : {all, pixel, vertex}) EXPECT_EQ(device->DeleteStateBlock(t), D3D_OK);
}

TEST_F(StateBlockTest, MisuseIsRefused) {
    DWORD token = 0;
    EXPECT_EQ(device->EndStateBlock(&token), D3DERR_INVALIDCALL) << "not recording";
    EXPECT_EQ(device->ApplyStateBlock(12345), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CaptureStateBlock(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DeleteStateBlock(99), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateStateBlock(static_cast<D3DSTATEBLOCKTYPE>(4), &token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL) << "nested recording";
    EXPECT_EQ(device->CreateStateBlock(D3DSBT_ALL, &token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndStateBlock(nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    EXPECT_EQ(device->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(device->DeleteStateBlock(token), D3DERR_INVALIDCALL) << "deleted twice";
    EXPECT_EQ(device->ApplyStateBlock(token), D3DERR_INVALIDCALL) << "applied after deletion";
}

}  // namespace
