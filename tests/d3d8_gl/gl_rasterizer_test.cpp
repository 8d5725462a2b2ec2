// The HAL rasterizer drawing small scenes off-screen (EGL surfaceless; Mesa's llvmpipe on
// machines without a GPU), checked against values computed by hand. Skipped where no
// OpenGL 3.3 core context can be made.
#include "platform/d3d8/rasterizer.h"
#include "scene.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace d3d8;
using scene::Surface;

namespace {

class GlRaster : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GlRasterizerAvailable()) GTEST_SKIP() << "no OpenGL 3.3 core context here (EGL surfaceless)";
        raster = CreateGlRasterizer();
        ASSERT_NE(raster, nullptr);
    }

    void ClearTo(D3DCOLOR c) {
        raster->Clear(targets, RECT{0, 0, kSize, kSize}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0);
    }
    DWORD At(int x, int y) {
        raster->ReadBack(color.data);
        return color.Pixel(x, y);
    }

    static constexpr int kSize = 16;
    std::unique_ptr<Rasterizer> raster;
    Surface color{D3DFMT_A8R8G8B8, kSize, kSize, 4};
    Surface depth{D3DFMT_D24X8, kSize, kSize, 4};
    RenderTargets targets{&color.data, &depth.data};
};

TEST_F(GlRaster, ClearFillsTheRectangleOnly) {
    ClearTo(0xff102030);
    raster->Clear(targets, RECT{2, 3, 5, 7}, D3DCLEAR_TARGET, 0x80ff0000, 1.0f, 0);
    raster->ReadBack(color.data);
    EXPECT_EQ(color.Pixel(0, 0), 0xff102030u);
    EXPECT_EQ(color.Pixel(2, 3), 0x80ff0000u);
    EXPECT_EQ(color.Pixel(4, 6), 0x80ff0000u);
    EXPECT_EQ(color.Pixel(5, 6), 0xff102030u);
    EXPECT_EQ(color.Pixel(4, 7), 0xff102030u);
    raster->ReadBack(depth.data);
    EXPECT_FLOAT_EQ(depth.Depth(3, 3), 1.0f);
}

TEST_F(GlRaster, QuadCoversExactlyItsPixelsTopLeftRule) {
    ClearTo(0xff000000);
    PipelineState s = scene::FlatColorState(kSize, kSize);
    const auto v = scene::Quad(2, 1, 6, 3, 0xffffffff);
    raster->Draw(targets, s, scene::Call(D3DPT_TRIANGLELIST, 2, v));
    raster->ReadBack(color.data);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 3;
            EXPECT_EQ(color.Pixel(x, y), inside ? 0xffffffffu : 0xff000000u) << x << "," << y;
        }
}
}  // namespace
