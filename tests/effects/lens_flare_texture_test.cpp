#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "effects/lens_flare.h"
#include "png_image.h"
#include "golden_device.h"

TEST(LensFlareTextures, LoadedTexturesAreKeptAndFailuresStoreNothing) {
    testimage::RefDevice device(32, 32);
    ASSERT_TRUE(device);
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "morvelt-flare-spot.png";
    testimage::Image spot;
    spot.width = spot.height = 4;
    spot.argb.assign(16, 0x80FFFFFF);
    ASSERT_TRUE(testimage::WritePng(file.string(), spot));

    CLensFlare flare;
    EXPECT_EQ(flare.AddTexture(file.string().c_str()), nullptr);  // no device yet
    ASSERT_EQ(flare.RebuildDeviceObjects(device.get()), S_OK);
    IDirect3DTexture8* texture = flare.AddTexture(file.string().c_str());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(flare.AddTexture("no/such/lf9.png"), nullptr);
    EXPECT_EQ(flare.AddTexture(nullptr), nullptr);
    ASSERT_EQ(flare.m_textures.size(), 1u);
    EXPECT_EQ(flare.m_textures[0], texture);
    // A spot made from a failed load draws untextured; the flare still renders.
    EXPECT_EQ(flare.AddSpot(nullptr, 0.2f, 1.0f, D3DXCOLOR(1, 1, 1, 1)), S_OK);
    EXPECT_EQ(flare.AddSpot(texture, 0.1f, 0.5f, D3DXCOLOR(1, 1, 1, 1)), S_OK);
    device->BeginScene();
    EXPECT_EQ(flare.Render(10, 10, 32, 32, false), S_OK);
    device->EndScene();
    EXPECT_EQ(flare.ReleaseDeviceObjects(), S_OK);
    EXPECT_TRUE(flare.m_textures.empty());
    std::filesystem::remove(file);
}
