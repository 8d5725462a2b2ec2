// Draw dispatch: what the rasterizer is handed, and draws refused before it sees them.
#include "device_fixture.h"

namespace {

using d3d8test::DeviceTest;

class DrawTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        vb = MakeVertexBuffer(24 * 6, 0x142);
        device->SetVertexShader(0x142);
        device->SetStreamSource(0, vb, 24);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        device->EndScene();
        if (vb) vb->Release();
        DeviceTest::TearDown();
    }
    IDirect3DVertexBuffer8* vb = nullptr;
};

TEST_F(DrawTest, DrawPrimitiveHandsOverStateAndGeometry) {
    D3DMATRIX world{};
    world._11 = world._22 = world._33 = world._44 = 3.0f;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), D3D_OK);
    ASSERT_EQ(recorded.draws.size(), 1u);
    const auto& d = recorded.draws[0];
    EXPECT_EQ(d.state.fvf, 0x142u);
    EXPECT_EQ(d.state.world._11, 3.0f);
    EXPECT_EQ(d.state.renderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(d.state.stageStates[2][D3DTSS_COLOROP], static_cast<DWORD>(D3DTOP_ADD));
    EXPECT_EQ(d.call.primitiveType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.call.primitiveCount, 1u);
    EXPECT_EQ(d.call.stride, 24u);
    EXPECT_EQ(d.call.vertexCount, 6u);
    EXPECT_EQ(d.call.startVertex, 3u);
    EXPECT_EQ(d.call.indices, nullptr);
    EXPECT_EQ(d.color.width, 64u);
    EXPECT_TRUE(d.hasDepth);
    EXPECT_EQ(d.state.viewport.Width, 64u);
}

TEST_F(DrawTest, EnabledLightsArriveInIndexOrder) {
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Range = 10;
    for (DWORD i : {9u, 2u, 5u, 7u}) {
        l.Position.x = static_cast<float>(i);
        device->SetLight(i, &l);
    }
    device->LightEnable(9, TRUE);
    device->LightEnable(2, TRUE);
    device->LightEnable(5, TRUE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    ASSERT_EQ(recorded.draws.size(), 1u);
    const auto& s = recorded.draws[0].state;
    ASSERT_EQ(s.lightCount, 3u);
    EXPECT_EQ(s.lights[0].Position.x, 2.0f);
    EXPECT_EQ(s.lights[1].Position.x, 5.0f);
    EXPECT_EQ(s.lights[2].Position.x, 9.0f);
    // A change to an enabled light reaches the next draw.
    l.Position.x = 50;
    device->SetLight(5, &l);
    device->LightEnable(2, FALSE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    ASSERT_EQ(recorded.draws[1].state.lightCount, 2u);
    EXPECT_EQ(recorded.draws[1].state.lights[0].Position.x, 50.0f);
}

TEST_F(DrawTest, TexturesArriveWithTheirLevelsAndVersions) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &tex), D3D_OK);
    device->SetTexture(1, tex);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    tex->UnlockRect(0);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY);
    tex->UnlockRect(0);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    ASSERT_EQ(recorded.draws.size(), 3u);
    ASSERT_EQ(recorded.draws[0].textures.size(), 1u);
    EXPECT_EQ(recorded.draws[0].state.textures[0], nullptr);
    const d3d8::TextureData& t = recorded.draws[0].textures[0];
    EXPECT_EQ(t.format, D3DFMT_V8U8);
    EXPECT_EQ(t.levelCount, 4u);
    EXPECT_EQ(t.levels[0].width, 8u);
    EXPECT_EQ(t.levels[0].pitch, 16);
    EXPECT_EQ(t.levels[3].width, 1u);
    EXPECT_GT(recorded.draws[1].textures[0].version, t.version) << "a written lock changes the version";
    EXPECT_EQ(recorded.draws[2].textures[0].version, recorded.draws[1].textures[0].version)
        << "a read-only lock does not";
    device->SetTexture(1, nullptr);
    tex->Release();
}

TEST_F(DrawTest, DrawingIntoATextureChangesItsVersion) {
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    IDirect3DSurface8* level = nullptr;
    target->GetSurfaceLevel(0, &level);
    IDirect3DSurface8* back = nullptr;
    device->GetRenderTarget(&back);
    device->SetTexture(0, target);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    const auto before = recorded.draws.back().textures[0].version;
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    D3DVIEWPORT8 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 16u) << "the viewport follows the new target";
    device->SetTexture(0, nullptr);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    EXPECT_FALSE(recorded.draws.back().hasDepth);
    EXPECT_EQ(recorded.draws.back().color.width, 16u);
    device->SetRenderTarget(back, nullptr);
    device->SetTexture(0, target);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    EXPECT_GT(recorded.draws.back().textures[0].version, before);
    device->SetTexture(0, nullptr);
    back->Release();
    level->Release();
    target->Release();
}

TEST_F(DrawTest, InvalidDrawsNeverReachTheRasterizer) {
    d3d8test::DebugCapture debug;
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 4, 1), D3DERR_INVALIDCALL) << "past the end";
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0xffffffffu, 1), D3DERR_INVALIDCALL) << "overflow";
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 5), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(0), 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(7), 0, 1), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, vb, 20);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "stride below the format";
    device->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no stream";
    device->SetStreamSource(0, vb, 24);
    BYTE* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "buffer locked";
    vb->Unlock();
    device->SetVertexShader(0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no vertex format";
    device->SetVertexShader(0x142);
    device->EndScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "outside a scene";
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3D_OK) << "nothing to draw";
    EXPECT_TRUE(recorded.draws.empty());
    EXPECT_NE(debug.text.find("IDirect3DDevice8::DrawPrimitive: "), std::string::npos);
}

TEST_F(DrawTest, IndexedDrawsCheckEveryIndex) {
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    BYTE* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL) << "no indices";
    device->SetIndices(ib, 2);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    ASSERT_EQ(recorded.draws.size(), 1u);
    const auto& c = recorded.draws[0].call;
    EXPECT_NE(c.indices, nullptr);
    EXPECT_EQ(c.indexFormat, D3DFMT_INDEX16);
    EXPECT_EQ(c.baseVertex, 2);
    EXPECT_EQ(c.vertexCount, 6u);
    device->SetIndices(ib, 3);  // index 3 + base 3 = vertex 6: past the six vertices
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK) << "first triangle fits";
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3DERR_INVALIDCALL) << "past the indices";
    ib->Lock(0, 0, &p, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL) << "locked";
    ib->Unlock();
    EXPECT_EQ(recorded.draws.size(), 2u);
    device->SetIndices(nullptr, 0);
    ib->Release();
}

TEST_F(DrawTest, UserPointerDrawsUnsetStreamZero) {
    const float quad[6 * 6] = {};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, 24), D3D_OK);
    ASSERT_EQ(recorded.draws.size(), 1u);
    EXPECT_EQ(recorded.draws[0].call.vertices, reinterpret_cast<const BYTE*>(quad));
    EXPECT_EQ(recorded.draws[0].call.vertexCount, 6u);
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, nullptr, 24), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, 16), D3DERR_INVALIDCALL);

    const WORD idx[3] = {4, 5, 6};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 4, 2, 1, idx, D3DFMT_INDEX16, quad, 24),
              D3DERR_INVALIDCALL)
        << "index 6 outside 4..5";
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 4, 3, 1, idx, D3DFMT_INDEX16, quad, 24), D3D_OK);
    EXPECT_EQ(recorded.draws.back().call.vertexCount, 7u);
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 4, 3, 1, idx, D3DFMT_D16, quad, 24),
              D3DERR_INVALIDCALL);
}

TEST_F(DrawTest, ClearCoversTheViewportClippedByRects) {
    const D3DVIEWPORT8 vp{8, 8, 16, 16, 0, 1};
    device->SetViewport(&vp);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff00ff00u, 0.5f, 0), D3D_OK);
    ASSERT_EQ(recorded.clears.size(), 1u);
    EXPECT_EQ(recorded.clears[0].rect.left, 8);
    EXPECT_EQ(recorded.clears[0].rect.right, 24);
    EXPECT_EQ(recorded.clears[0].z, 0.5f);
    const D3DRECT rects[2] = {{0, 0, 10, 12}, {30, 30, 40, 40}};  // the second lies outside
    ASSERT_EQ(device->Clear(2, rects, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(recorded.clears.size(), 2u);
    EXPECT_EQ(recorded.clears[1].rect.left, 8);
    EXPECT_EQ(recorded.clears[1].rect.top, 8);
    EXPECT_EQ(recorded.clears[1].rect.right, 10);
    EXPECT_EQ(recorded.clears[1].rect.bottom, 12);

    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL) << "D16 has no stencil";
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    device->SetRenderTarget(nullptr, nullptr);  // keeps the colour target, drops the depth buffer
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(recorded.clears.size(), 2u);
}

TEST_F(DrawTest, SceneAndPresentRules) {
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL) << "already in a scene";
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL) << "inside a scene";
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(recorded.readBacks, 0) << "off-screen: nothing to show, nothing read back";
    const RECT r{0, 0, 1, 1};
    EXPECT_EQ(device->Present(&r, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL) << "not implemented, said so";
    device->BeginScene();
}

TEST_F(DrawTest, ValidateDeviceReportsUnsupportedStages) {
    DWORD passes = 0;
    ASSERT_EQ(device->ValidateDevice(&passes), D3D_OK);
    EXPECT_EQ(passes, 1u);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAPLUMINANCE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    EXPECT_EQ(device->ValidateDevice(&passes), D3D_OK);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3);
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
    EXPECT_EQ(passes, 0u);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_SPECULAR);
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLORARG);
    EXPECT_EQ(device->ValidateDevice(nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
