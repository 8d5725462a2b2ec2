// Device states: defaults, round trips, and refusals that leave the state unchanged.
#include "device_fixture.h"

#include <cmath>

namespace {

using d3d8test::Bits;
using d3d8test::DeviceTest;

D3DMATRIX Matrix(float base) {
    D3DMATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = base + static_cast<float>(i);
    return m;
}

bool Same(const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using StateTest = DeviceTest;

TEST_F(StateTest, NewDeviceHasTheDocumentedDefaults) {
    DWORD v = 0;
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } expected[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},  // the device has an automatic depth buffer
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_TEXTUREFACTOR, 0xffffffffu},
        {D3DRS_FOGEND, Bits(1.0f)},
        {D3DRS_POINTSIZE, Bits(1.0f)},
        {D3DRS_POINTSCALE_A, Bits(1.0f)},
        {D3DRS_COLORWRITEENABLE, 0xfu},
    };
    for (const auto& e : expected) {
        ASSERT_EQ(device->GetRenderState(e.state, &v), D3D_OK);
        EXPECT_EQ(v, e.value) << "render state " << e.state;
    }
    ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_COLOROP, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
    ASSERT_EQ(device->GetTextureStageState(1, D3DTSS_COLOROP, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_SELECTARG1));
    ASSERT_EQ(device->GetTextureStageState(5, D3DTSS_TEXCOORDINDEX, &v), D3D_OK);
    EXPECT_EQ(v, 5u);
    D3DVIEWPORT8 vp;
    ASSERT_EQ(device->GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 64u);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    D3DMATRIX world;
    ASSERT_EQ(device->GetTransform(D3DTS_WORLD, &world), D3D_OK);
    EXPECT_EQ(world._11, 1.0f);
    EXPECT_EQ(world._41, 0.0f);
}

TEST_F(StateTest, RenderStatesRoundTrip) {
    EXPECT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_POINTSIZE, 0x40A28F5Cu), D3D_OK);  // 5.08
    EXPECT_EQ(device->SetRenderState(D3DRS_AMBIENT, 0x12345678u), D3D_OK);
    DWORD v = 0;
    device->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_SRCALPHA));
    device->GetRenderState(D3DRS_POINTSIZE, &v);
    EXPECT_EQ(v, 0x40A28F5Cu);
    device->GetRenderState(D3DRS_AMBIENT, &v);
    EXPECT_EQ(v, 0x12345678u);
}

TEST_F(StateTest, InvalidRenderStatesAreRefusedAndChangeNothing) {
    d3d8test::DebugCapture debug;
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(174), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0x7fffffff), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_SRCBLEND, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_SRCBLEND, 14), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_ZFUNC, 9), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_FOGDENSITY, Bits(NAN)), D3DERR_INVALIDCALL);
    DWORD v = 0;
    device->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    device->GetRenderState(D3DRS_FOGDENSITY, &v);
    EXPECT_EQ(v, Bits(1.0f));
    EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(1), &v), D3DERR_INVALIDCALL);
    EXPECT_NE(debug.text.find("IDirect3DDevice8::SetRenderState: "), std::string::npos);
}

TEST_F(StateTest, TextureStageStatesRoundTripAndCheckStage) {
    EXPECT_EQ(device->SetTextureStageState(7, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(1, D3DTSS_BUMPENVMAT01, Bits(-0.5f)), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(2, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL | 1), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2), D3D_OK);
    DWORD v = 0;
    device->GetTextureStageState(7, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_BUMPENVMAP));
    device->GetTextureStageState(1, D3DTSS_BUMPENVMAT01, &v);
    EXPECT_EQ(v, Bits(-0.5f));
    device->GetTextureStageState(2, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, D3DTSS_TCI_CAMERASPACENORMAL | 1);

    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0xffffffffu, D3DTSS_COLOROP, D3DTOP_ADD), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(12), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(29), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 27), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, 0x40), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 8), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x00040000), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_ADDRESSU, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetTextureStageState(8, D3DTSS_COLOROP, &v), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetTextureStageState(0, D3DTSS_COLOROP, nullptr), D3DERR_INVALIDCALL);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
}

TEST_F(StateTest, TransformsRoundTripForEveryKind) {
    const D3DTRANSFORMSTATETYPE kinds[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE7,
                                           D3DTS_WORLDMATRIX(1), D3DTS_WORLDMATRIX(255)};
    float base = 1.0f;
    for (D3DTRANSFORMSTATETYPE k : kinds) {
        const D3DMATRIX m = Matrix(base);
        ASSERT_EQ(device->SetTransform(k, &m), D3D_OK) << k;
        base += 100.0f;
    }
    base = 1.0f;
    for (D3DTRANSFORMSTATETYPE k : kinds) {
        D3DMATRIX got;
        ASSERT_EQ(device->GetTransform(k, &got), D3D_OK);
        EXPECT_TRUE(Same(got, Matrix(base))) << k;
        base += 100.0f;
    }
    const D3DMATRIX m = Matrix(0);
    D3DMATRIX out;
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(24), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(256), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(4), &out), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, LightsRoundTripAndAreValidated) {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 0.5f, 0.25f, 1};
    light.Position = {50, 0, -50};
    light.Range = 200;
    light.Attenuation1 = 0.05f;
    ASSERT_EQ(device->SetLight(3, &light), D3D_OK);
    D3DLIGHT8 got{};
    ASSERT_EQ(device->GetLight(3, &got), D3D_OK);
    EXPECT_EQ(std::memcmp(&got, &light, sizeof light), 0);
    BOOL enabled = TRUE;
    ASSERT_EQ(device->GetLightEnable(3, &enabled), D3D_OK);
    EXPECT_FALSE(enabled);
    ASSERT_EQ(device->LightEnable(3, TRUE), D3D_OK);
    ASSERT_EQ(device->GetLightEnable(3, &enabled), D3D_OK);
    EXPECT_TRUE(enabled);

    // Enabling a light never set creates the default one: white directional along +z.
    ASSERT_EQ(device->LightEnable(1000, TRUE), D3D_OK);
    ASSERT_EQ(device->GetLight(1000, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(got.Direction.z, 1.0f);
    EXPECT_EQ(got.Diffuse.r, 1.0f);

    EXPECT_EQ(device->GetLight(4, &got), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetLightEnable(4, &enabled), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    D3DLIGHT8 bad = light;
    bad.Type = static_cast<D3DLIGHTTYPE>(4);
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL);
    bad = light;
    bad.Range = -1;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL);
    bad = light;
    bad.Type = D3DLIGHT_DIRECTIONAL;
    bad.Direction = {0, 0, 0};
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL);
    bad = light;
    bad.Type = D3DLIGHT_SPOT;
    bad.Direction = {0, 0, 1};
    bad.Theta = 1.0f;
    bad.Phi = 0.5f;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetLight(0, &got), D3DERR_INVALIDCALL) << "a refused light is not stored";
}

TEST_F(StateTest, MaterialAndViewportRoundTrip) {
    D3DMATERIAL8 mat{};
    mat.Diffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    mat.Power = 8;
    ASSERT_EQ(device->SetMaterial(&mat), D3D_OK);
    D3DMATERIAL8 got{};
    ASSERT_EQ(device->GetMaterial(&got), D3D_OK);
    EXPECT_EQ(std::memcmp(&got, &mat, sizeof mat), 0);
    EXPECT_EQ(device->SetMaterial(nullptr), D3DERR_INVALIDCALL);

    const D3DVIEWPORT8 vp{8, 4, 32, 16, 0.25f, 0.75f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    D3DVIEWPORT8 v{};
    ASSERT_EQ(device->GetViewport(&v), D3D_OK);
    EXPECT_EQ(v.X, 8u);
    EXPECT_EQ(v.Height, 16u);
    EXPECT_EQ(v.MaxZ, 0.75f);
    const D3DVIEWPORT8 outside{40, 0, 32, 16, 0, 1};
    const D3DVIEWPORT8 empty{0, 0, 0, 16, 0, 1};
    const D3DVIEWPORT8 badDepth{0, 0, 16, 16, 0, 2};
    const D3DVIEWPORT8 overflow{0xffffffffu, 0, 2, 2, 0, 1};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetViewport(&empty), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetViewport(&badDepth), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetViewport(&overflow), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetViewport(nullptr), D3DERR_INVALIDCALL);
    device->GetViewport(&v);
    EXPECT_EQ(v.X, 8u) << "refused viewports change nothing";
}

TEST_F(StateTest, VertexShaderTakesFvfCodesOnly) {
    DWORD v = 1;
    ASSERT_EQ(device->GetVertexShader(&v), D3D_OK);
    EXPECT_EQ(v, 0u);
    for (DWORD fvf : {0x142u, 0x212u, 0x144u, 0x042u}) {
        EXPECT_EQ(device->SetVertexShader(fvf), D3D_OK) << fvf;
        device->GetVertexShader(&v);
        EXPECT_EQ(v, fvf);
    }
    d3d8test::DebugCapture debug;
    EXPECT_EQ(device->SetVertexShader(0x142 | 1), D3DERR_INVALIDCALL);  // a shader handle
    EXPECT_NE(debug.text.find("IDirect3DDevice8::SetVertexShader: "), std::string::npos);
    EXPECT_EQ(device->SetVertexShader(D3DFVF_NORMAL), D3DERR_INVALIDCALL);  // no position
    EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_NORMAL), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetVertexShader(nullptr), D3DERR_INVALIDCALL);
    device->GetVertexShader(&v);
    EXPECT_EQ(v, 0x042u);
}

TEST_F(StateTest, BindingsRoundTripWithReferences) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(device->SetTexture(7, tex), D3D_OK);
    IDirect3DBaseTexture8* got = nullptr;
    ASSERT_EQ(device->GetTexture(7, &got), D3D_OK);
    EXPECT_EQ(got, tex);
    EXPECT_EQ(got->Release(), 1u) << "GetTexture adds one reference; binding adds none the user sees";
    EXPECT_EQ(device->SetTexture(8, tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetTexture(8, &got), D3DERR_INVALIDCALL);
    EXPECT_EQ(got, nullptr);
    ASSERT_EQ(device->GetTexture(0, &got), D3D_OK);
    EXPECT_EQ(got, nullptr);

    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(96);
    ASSERT_EQ(device->SetStreamSource(0, vb, 24), D3D_OK);
    IDirect3DVertexBuffer8* gotVb = nullptr;
    UINT stride = 0;
    ASSERT_EQ(device->GetStreamSource(0, &gotVb, &stride), D3D_OK);
    EXPECT_EQ(gotVb, vb);
    EXPECT_EQ(stride, 24u);
    gotVb->Release();
    EXPECT_EQ(device->SetStreamSource(16, vb, 24), D3DERR_INVALIDCALL);

    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    ASSERT_EQ(device->SetIndices(ib, 5), D3D_OK);
    IDirect3DIndexBuffer8* gotIb = nullptr;
    UINT base = 0;
    ASSERT_EQ(device->GetIndices(&gotIb, &base), D3D_OK);
    EXPECT_EQ(gotIb, ib);
    EXPECT_EQ(base, 5u);
    gotIb->Release();

    // Unbinding and releasing in any order ends with the device at zero (TearDown).
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
}

}  // namespace
