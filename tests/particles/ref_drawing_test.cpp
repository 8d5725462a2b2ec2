// Particles drawn by the REF device into a small back buffer, and textures loaded from files.
#include "particles/particle_emitter.h"
#include "platform/d3dx8.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kSize = 64;

class RefDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ref.createResult(), D3D_OK);
    }
    void TearDown() override {
        emitter.ReleaseDeviceObjects();
        EXPECT_EQ(ref.Release(), 0u) << "the emitter left a reference behind";
    }

    // Compiles with the device known, starts, and runs one frame of the given length.
    void Load(const std::string& script, float seconds = 1.0f) {
        ASSERT_EQ(emitter.RebuildDeviceObjects(device), S_OK);
        ASSERT_TRUE(emitter.Compile(script.c_str())) << emitter.GetLastError();
        emitter.Start();
        emitter.Update(0, seconds);
    }

    // One frame: camera at (0, 0, -10) looking at the origin, additive blending.
    void Draw(DWORD colorOp) {
        D3DXMATRIX view, projection;
        const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000u, 1.0f, 0);
        device->BeginScene();
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, colorOp);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        EXPECT_EQ(emitter.Render(), S_OK);
        device->EndScene();
    }

    // The back buffer pixel at (x, y) as 0xRRGGBB.
    D3DCOLOR Pixel(UINT x, UINT y) {
        IDirect3DSurface8* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DLOCKED_RECT lr{};
        EXPECT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        D3DCOLOR c = 0;
        std::memcpy(&c, static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
        back->UnlockRect();
        back->Release();
        return c & 0x00ffffffu;
    }

    test_support::RefDevice ref{kSize, kSize};
    IDirect3DDevice8* const device = ref.get();
    CParticleEmitter emitter;
};

// A 2 × 2 24-bit BMP of one colour (0xRRGGBB).
std::string WriteBmp(const char* name, D3DCOLOR rgb) {
    const std::string path = ::testing::TempDir() + name;
    unsigned char file[70] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                              1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0};
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 2; ++x) {
            unsigned char* p = file + 54 + row * 8 + x * 3;
            p[0] = rgb & 0xff;
            p[1] = (rgb >> 8) & 0xff;
            p[2] = (rgb >> 16) & 0xff;
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        std::fwrite(file, 1, sizeof file, f);
        std::fclose(f);
    }
    return path;
}

std::string OneParticle(const std::string& extra) {
    return "ParticleSystem \"p\" 1 { EventSequence \"s\" { Lifetime = 100 EmitRate = 1 NumParticles = 1 " + extra +
           " } }";
}

}  // namespace

TEST_F(RefDrawing, OneSpriteIsASquareAroundItsPositionScaledByDistance) {
    Load(OneParticle("initial Color = RGBA(1, 0, 0, 1)"));
    Draw(D3DTOP_SELECTARG2);
    // 5.08 × 64 / 10 ≈ 32 pixels across, centred on the middle of the picture.
    EXPECT_EQ(Pixel(32, 32), 0xff0000u);
    EXPECT_EQ(Pixel(20, 44), 0xff0000u);
    EXPECT_EQ(Pixel(10, 32), 0x000000u);
    EXPECT_EQ(Pixel(32, 54), 0x000000u);
    EXPECT_EQ(Pixel(1, 1), 0x000000u);
}

TEST_F(RefDrawing, AdditiveSpritesAddUpAndColoursAreClamped) {
    Load("ParticleSystem \"p\" 1 {"
         " EventSequence \"a\" { Lifetime = 100 EmitRate = 1 NumParticles = 1 initial Color = RGBA(0.25, 2, 0, 1) }"
         " EventSequence \"b\" { Lifetime = 100 EmitRate = 1 NumParticles = 1 initial Color = RGBA(0.25, 0, 0, 1) } }");
    Draw(D3DTOP_SELECTARG2);
    const D3DCOLOR c = Pixel(32, 32);
    EXPECT_NEAR(static_cast<int>(c >> 16), 128, 1);
    EXPECT_EQ((c >> 8) & 0xff, 0xffu);
}

TEST_F(RefDrawing, ManyParticlesAreDrawnInBatchesThroughOneBuffer) {
    Load("ParticleSystem \"p\" 1 { EventSequence \"s\" { Lifetime = 100 EmitRate = 1200 NumParticles = 1200"
         " EmitRadius = XYZ(Random(-8, 8), Random(-8, 8), 0) initial Color = RGBA(0, 0, 1, 1) } }");
    ASSERT_EQ(emitter.GetNumActiveParticles(), 1200);
    Draw(D3DTOP_SELECTARG2);
    int lit = 0;
    for (UINT y = 0; y < kSize; y += 4)
        for (UINT x = 0; x < kSize; x += 4) lit += Pixel(x, y) != 0;
    EXPECT_GT(lit, 200);  // nearly all of the 256 samples
}

TEST_F(RefDrawing, TextureIsLoadedWithTheDeviceAndDroppedOnRelease) {
    const std::string file = WriteBmp("particles_green.bmp", 0x00ff00u);
    Load(OneParticle("Texture = \"" + file + "\" initial Color = RGBA(1, 1, 1, 1)"));
    const CParticleEventSequence& s = *emitter.GetSequences()[0];
    ASSERT_NE(s.GetTexture(), nullptr);
    Draw(D3DTOP_MODULATE);
    EXPECT_EQ(Pixel(32, 32), 0x00ff00u);

    emitter.ReleaseDeviceObjects();
    EXPECT_EQ(s.GetTexture(), nullptr);
    ASSERT_EQ(emitter.RebuildDeviceObjects(device), S_OK);
    EXPECT_NE(s.GetTexture(), nullptr);
    std::remove(file.c_str());
}
