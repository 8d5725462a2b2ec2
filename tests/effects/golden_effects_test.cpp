// Transitions and the lens flare drawn by the software rasterizer, against stored pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/lens_flare.h"
#include "effects/transition.h"
#include "golden_device.h"

namespace {

// Identity transforms: the transition's square of side 2 fills the screen.
void FullScreenTransforms(IDirect3DDevice8* device) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

DWORD Checker(UINT x, UINT y) { return ((x + y) & 1) ? 0xFFFF2020 : 0xFFF0F0F0; }
DWORD Gradient(UINT, UINT y) { return 0xFF000000 | (y * 32) << 8 | (255 - y * 16); }

int Channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

// A soft disc: colour fades out with alpha towards the rim; ring: a bright annulus.
DWORD Disc(UINT x, UINT y) {
    const float dx = (x + 0.5f) / 16.0f - 1.0f, dy = (y + 0.5f) / 16.0f - 1.0f;
    const float a = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
    return static_cast<DWORD>(a * 255.0f + 0.5f) << 24 | 0xFFFFFF;
}
DWORD Ring(UINT x, UINT y) {
    const float dx = (x + 0.5f) / 16.0f - 1.0f, dy = (y + 0.5f) / 16.0f - 1.0f;
    const float r = std::sqrt(dx * dx + dy * dy);
    const float a = std::fmax(0.0f, 1.0f - std::fabs(r - 0.7f) * 5.0f);
    return static_cast<DWORD>(a * 255.0f + 0.5f) << 24 | 0xFFFFFF;
}

}  // namespace

TEST(GoldenDissolve, HalfWayBlendsBothPicturesEqually) {
    testimage::RefDevice device(64, 64);
    ASSERT_TRUE(device) << std::hex << device.createResult();
    IDirect3DTexture8* from = testimage::MakeTexture(device.get(), 8, 8, Checker);
    IDirect3DTexture8* to = testimage::MakeTexture(device.get(), 8, 8, Gradient);
    ASSERT_TRUE(from && to);
    {
        CDissolveTransition dissolve(device.get(), from, to);
        dissolve.SetDuration(2.0f);
        dissolve.Update(1.0f);
        FullScreenTransforms(device.get());
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        dissolve.Render(D3DXMATRIX());
        device->EndScene();
    }
    const testimage::Image picture = device.ReadBackBuffer();
    ASSERT_EQ(picture.width, 64);
    // Centre of texel (2, 5): checker red over gradient row 5, alpha 128 of 255.
    const std::uint32_t p = picture.At(2 * 8 + 4, 5 * 8 + 4);
    const std::uint32_t a = Checker(2, 5), b = Gradient(2, 5);
    for (int shift : {0, 8, 16}) {
        const double expected = Channel(a, shift) * (127.0 / 255) + Channel(b, shift) * (128.0 / 255);
        EXPECT_NEAR(Channel(p, shift), expected, 2.0) << shift;
    }
    EXPECT_EQ(testimage::CheckGolden("dissolve_half", picture, 3, 4), "");
    from->Release();
    to->Release();
}

TEST(GoldenSolidFade, HalfWayToRed) {
    testimage::RefDevice device(64, 64);
    ASSERT_TRUE(device);
    IDirect3DTexture8* picture = testimage::MakeTexture(device.get(), 8, 8, Gradient);
    ASSERT_TRUE(picture);
    {
        CSolidFadeTransition fade(device.get(), picture, D3DXCOLOR(1, 0, 0, 1));
        fade.SetDuration(4.0f);
        fade.Update(2.0f);
        FullScreenTransforms(device.get());
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        fade.Render(D3DXMATRIX());
        device->EndScene();
    }
    const testimage::Image image = device.ReadBackBuffer();
    ASSERT_EQ(image.width, 64);
    const std::uint32_t p = image.At(3 * 8 + 4, 6 * 8 + 4);
    const std::uint32_t under = Gradient(3, 6);
    EXPECT_NEAR(Channel(p, 16), 255 * (128.0 / 255) + Channel(under, 16) * (127.0 / 255), 2.0);
    EXPECT_NEAR(Channel(p, 0), Channel(under, 0) * (127.0 / 255), 2.0);
    picture->Release();
}

class GoldenFlare : public ::testing::Test {
protected:
    testimage::Image Draw(int lightX, int lightY) {
        testimage::RefDevice device(160, 120);
        EXPECT_TRUE(device);
        if (!device) return {};
        CLensFlare flare;
        EXPECT_EQ(flare.RebuildDeviceObjects(device.get()), S_OK);
        IDirect3DTexture8* disc = testimage::MakeTexture(device.get(), 32, 32, Disc);
        IDirect3DTexture8* ring = testimage::MakeTexture(device.get(), 32, 32, Ring);
        flare.m_textures = {disc, ring};  // released with the flare
        const struct {
            IDirect3DTexture8* texture;
            float size, position;
            D3DXCOLOR colour;
        } spots[] = {
            {disc, 1.2f, 1.0f, {1, 1, 1, 1}},          {disc, 0.1f, 0.8f, {0.7f, 0.5f, 0, 0.2f}},
            {disc, 0.01f, 0.7f, {1, 0, 0, 0.7f}},      {ring, 0.05f, 0.6f, {1, 1, 0, 0.5f}},
            {ring, 0.13f, 0.5f, {1, 1, 0, 0.5f}},      {ring, 0.05f, 0.4f, {1, 0.5f, 0, 1}},
            {disc, 0.05f, 0.1f, {1, 1, 0.5f, 0.5f}},   {ring, 0.05f, -0.2f, {1, 0, 0, 1}},
            {disc, 0.09f, -0.3f, {1, 1, 0.6f, 0.5f}},  {ring, 0.15f, -0.4f, {1, 0.7f, 0, 0.3f}},
            {ring, 0.15f, -0.7f, {1, 0.5f, 0, 0.2f}},  {disc, 0.32f, -1.0f, {1, 0.7f, 0, 0.4f}},
            {ring, 0.4f, -1.3f, {1, 0, 0, 0.7f}},
        };
        for (const auto& s : spots) EXPECT_EQ(flare.AddSpot(s.texture, s.size, s.position, s.colour), S_OK);
        // Bilinear filtering, as the production sets it for every stage.
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        EXPECT_EQ(flare.Render(lightX, lightY, 160, 120, false), S_OK);
        device->EndScene();
        return device.ReadBackBuffer();
    }
    static long Brightness(const testimage::Image& image) {
        long sum = 0;
        for (std::uint32_t p : image.argb) sum += Channel(p, 0) + Channel(p, 8) + Channel(p, 16);
        return sum;
    }
};

TEST_F(GoldenFlare, LightOnTheScreen) {
    const testimage::Image picture = Draw(40, 30);
    ASSERT_EQ(picture.width, 160);
    // The centre of the big white disc: nearly white, and grey (the other spots lie elsewhere).
    const std::uint32_t centre = picture.At(40, 30);
    EXPECT_GT(Channel(centre, 0), 0xE0);
    EXPECT_EQ(Channel(centre, 0), Channel(centre, 8));
    EXPECT_EQ(Channel(centre, 8), Channel(centre, 16));
    EXPECT_EQ(testimage::CheckGolden("flare_on_screen", picture, 3, 4), "");
}

TEST_F(GoldenFlare, LightOnTheCorner) {
    const testimage::Image picture = Draw(160, 120);
    ASSERT_EQ(picture.width, 160);
    EXPECT_EQ(testimage::CheckGolden("flare_corner", picture, 3, 4), "");
}

TEST_F(GoldenFlare, LightHalfFadedOutsideTheScreen) {
    const testimage::Image half = Draw(-150, 60);
    const testimage::Image full = Draw(0, 60);  // the same axis direction, on the edge
    const testimage::Image gone = Draw(-300, 60);
    ASSERT_EQ(half.width, 160);
    EXPECT_LT(Brightness(half), Brightness(full));
    EXPECT_EQ(Brightness(gone), 0);
    EXPECT_EQ(testimage::CheckGolden("flare_half_faded", half, 3, 4), "");
}
