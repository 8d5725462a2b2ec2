#include "effects/lens_flare.h"

#include <gtest/gtest.h>

#include "recorded_device.h"

namespace {

struct FlareVertex {
    float x, y, z, rhw;
    DWORD colour;
    float tu, tv;
};

// The production's thirteen spots (size, position, colour), textures left null.
const CLensFlareSpot kSpots[] = {
    {nullptr, 1.2f, 1.0f, D3DXCOLOR(1, 1, 1, 1)},        {nullptr, 0.1f, 0.8f, D3DXCOLOR(0.7f, 0.5f, 0, 0.2f)},
    {nullptr, 0.01f, 0.7f, D3DXCOLOR(1, 0, 0, 0.7f)},    {nullptr, 0.05f, 0.6f, D3DXCOLOR(1, 1, 0, 0.5f)},
    {nullptr, 0.13f, 0.5f, D3DXCOLOR(1, 1, 0, 0.5f)},    {nullptr, 0.05f, 0.4f, D3DXCOLOR(1, 0.5f, 0, 1)},
    {nullptr, 0.05f, 0.1f, D3DXCOLOR(1, 1, 0.5f, 0.5f)}, {nullptr, 0.05f, -0.2f, D3DXCOLOR(1, 0, 0, 1)},
    {nullptr, 0.09f, -0.3f, D3DXCOLOR(1, 1, 0.6f, 0.5f)}, {nullptr, 0.15f, -0.4f, D3DXCOLOR(1, 0.7f, 0, 0.3f)},
    {nullptr, 0.15f, -0.7f, D3DXCOLOR(1, 0.5f, 0, 0.2f)}, {nullptr, 0.32f, -1.0f, D3DXCOLOR(1, 0.7f, 0, 0.4f)},
    {nullptr, 0.4f, -1.3f, D3DXCOLOR(1, 0, 0, 0.7f)},
};

struct Flare {
    EffectsDevice device;
    CLensFlare flare;
    Flare() {
        EXPECT_EQ(flare.RebuildDeviceObjects(&device), S_OK);
        for (const CLensFlareSpot& s : kSpots) EXPECT_EQ(flare.AddSpot(s), S_OK);
    }
    // Renders on a 640 x 480 screen and returns the draws.
    std::vector<fake::RecordedCall> Render(int x, int y, bool onlyFirst = false) {
        device.calls.clear();
        EXPECT_EQ(flare.Render(x, y, 640, 480, onlyFirst), S_OK);
        return device.Draws();
    }
};

// Centre of spot i's square and its half-size, from the vertices of its draw.
struct Square {
    float cx, cy, half;
    DWORD colour;
};
Square SquareOf(const fake::RecordedCall& d) {
    const FlareVertex tl = d.VertexAt<FlareVertex>(0);
    const FlareVertex br = d.VertexAt<FlareVertex>(2);
    return {(tl.x + br.x) / 2, (tl.y + br.y) / 2, (br.x - tl.x) / 2, tl.colour};
}

}  // namespace

TEST(LensFlareGeometry, LightAtTheCentrePutsEverySpotThere) {
    Flare f;
    const auto& draws = f.Render(320, 240);
    ASSERT_EQ(draws.size(), 13u);
    for (const fake::RecordedCall& d : draws) {
        EXPECT_EQ(SquareOf(d).cx, 320.0f);
        EXPECT_EQ(SquareOf(d).cy, 240.0f);
    }
}

TEST(LensFlareGeometry, LightAtTheCornerSpreadsTheSpotsThroughTheCentre) {
    Flare f;
    const auto& draws = f.Render(640, 480);
    ASSERT_EQ(draws.size(), 13u);
    const Square first = SquareOf(draws[0]);
    EXPECT_EQ(first.cx, 640.0f);
    EXPECT_EQ(first.cy, 480.0f);
    EXPECT_EQ(first.half, 384.0f);  // 1.2 * 640 / 2
    const Square last = SquareOf(draws[12]);
    EXPECT_EQ(last.cx, -96.0f);  // 320 - 1.3 * 320 ... truncated
    EXPECT_EQ(last.cy, -72.0f);  // 240 - 1.3 * 240
    EXPECT_EQ(last.half, 128.0f);
    const Square third = SquareOf(draws[2]);  // size 0.01: 3.2 truncated to 3
    EXPECT_EQ(third.half, 3.0f);
    EXPECT_EQ(third.cx, 544.0f);  // 320 + 0.7 * 320
    EXPECT_EQ(third.cy, 408.0f);

    const fake::RecordedCall& d = draws[4];
    const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(d.VertexAt<FlareVertex>(i).tu, uv[i][0]);
        EXPECT_EQ(d.VertexAt<FlareVertex>(i).tv, uv[i][1]);
        EXPECT_EQ(d.VertexAt<FlareVertex>(i).z, 0.0f);
        EXPECT_EQ(d.VertexAt<FlareVertex>(i).rhw, 1.0f);
    }
}

TEST(LensFlareGeometry, EachSpotIsDrawnFromItsOwnSixVertices) {
    Flare f;
    const auto& draws = f.Render(100, 50);
    for (size_t i = 0; i < draws.size(); ++i) {
        EXPECT_EQ(draws[i].start, 6 * i);
        EXPECT_EQ(draws[i].value, 2u);
        EXPECT_EQ(draws[i].shader, 0x144u);
        EXPECT_EQ(draws[i].stride, 28u);
        EXPECT_EQ(draws[i].states.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(draws[i].states.RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
        EXPECT_EQ(draws[i].states.RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
        EXPECT_EQ(draws[i].states.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    }
}

TEST(LensFlareIntensity, FadesOverThreeHundredPixelsOutsideTheScreen) {
    Flare f;
    const auto& onScreen = f.Render(600, 20);
    EXPECT_EQ(SquareOf(onScreen[0]).colour, 0xFFFFFFFFu);
    EXPECT_EQ(SquareOf(onScreen[1]).colour, 0x33B38000u);  // 0.2 -> 51, 0.7 -> 179, 0.5 -> 128

    const auto& half = f.Render(-150, 240);
    EXPECT_EQ(SquareOf(half[0]).colour >> 24, 128u);  // k = 0.5
    EXPECT_EQ(SquareOf(half[1]).colour >> 24, 26u);   // 0.1 -> 25.5 + 0.5

    const auto& below = f.Render(320, 480 + 150);  // the larger of the two distances counts
    EXPECT_EQ(SquareOf(below[0]).colour >> 24, 128u);

    for (int x : {-300, -1000, 940, 2000}) {
        const auto& gone = f.Render(x, 240);
        ASSERT_EQ(gone.size(), 13u);  // still drawn
        for (const fake::RecordedCall& d : gone) EXPECT_EQ(SquareOf(d).colour >> 24, 0u) << x;
    }
}

TEST(LensFlareIntensity, OnlyFirstHidesEveryOtherSpot) {
    Flare f;
    const auto& draws = f.Render(200, 100, true);
    ASSERT_EQ(draws.size(), 13u);
    EXPECT_EQ(SquareOf(draws[0]).colour >> 24, 255u);
    for (size_t i = 1; i < draws.size(); ++i) EXPECT_EQ(SquareOf(draws[i]).colour >> 24, 0u) << i;
    EXPECT_EQ(SquareOf(draws[2]).colour & 0x00FFFFFF, 0x00FF0000u);  // colour kept, alpha gone
}

TEST(LensFlareBuffers, OneBufferSizedForTheSpotsAndEverythingReleased) {
    EffectsDevice device;
    {
        CLensFlare flare;
        EXPECT_EQ(flare.Render(0, 0, 640, 480, false), E_FAIL);  // nothing made yet
        ASSERT_EQ(flare.RebuildDeviceObjects(&device), S_OK);
        EXPECT_EQ(device.LastVertexBuffer(), "168 0 324 1");
        IDirect3DTexture8* texture = nullptr;
        device.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
        flare.m_textures.push_back(texture);
        for (int i = 0; i < 3; ++i) flare.AddSpot(texture, 0.1f, 1.0f - i, D3DXCOLOR(1, 1, 1, 1));
        EXPECT_EQ(device.LastVertexBuffer(), "504 0 324 1");
        EXPECT_EQ(device.LiveObjects(), 2);  // the texture and one buffer
        EXPECT_EQ(flare.Render(10, 10, 640, 480, false), S_OK);
        EXPECT_EQ(device.Draws().back().texture, texture);

        // Rebuilding with spots present keeps room for all of them.
        ASSERT_EQ(flare.RebuildDeviceObjects(&device), S_OK);
        EXPECT_EQ(device.LastVertexBuffer(), "504 0 324 1");
        device.calls.clear();
        EXPECT_EQ(flare.Render(10, 10, 640, 480, false), S_OK);
        EXPECT_EQ(device.Draws().size(), 3u);

        EXPECT_EQ(flare.ReleaseDeviceObjects(), S_OK);
        EXPECT_EQ(device.LiveObjects(), 0);
        EXPECT_TRUE(flare.m_spots.empty());
        EXPECT_EQ(flare.m_nVBSpots, 0);
        EXPECT_EQ(flare.Render(10, 10, 640, 480, false), E_FAIL);
        ASSERT_EQ(flare.RebuildDeviceObjects(&device), S_OK);
    }
    EXPECT_EQ(device.LiveObjects(), 0);  // the destructor released the buffer
}

TEST(LensFlareBuffers, FailuresAreReturned) {
    Flare f;
    f.device.failVertexBufferLock.Now(D3DERR_INVALIDCALL);
    f.device.calls.clear();
    EXPECT_EQ(f.flare.Render(10, 10, 640, 480, false), D3DERR_INVALIDCALL);
    EXPECT_TRUE(f.device.Draws().empty());
    f.device.failCreateVertexBuffer.Now(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(f.flare.AddSpot(kSpots[0]), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(f.flare.m_pVB, nullptr);
    EXPECT_EQ(f.flare.Render(10, 10, 640, 480, false), E_FAIL);
}
